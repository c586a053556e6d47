#include "support/hooks.h"

#include <cstdio>

namespace zrl_test {

std::vector<Sent> Hooks::sent;
std::vector<int> Hooks::exits;
int Hooks::result = 1;

namespace {

template <char Letter> int record(const char *text, int newline) {
    Hooks::sent.push_back({Letter, text != nullptr ? text : "", text, newline});
    return Hooks::result;
}

void record_exit(int status) {
    Hooks::exits.push_back(status);
    std::printf("<exit %d>", status);
}

} // namespace

Hooks::Hooks(bool record_channels)
    : channels_{ZRL_COutput, ZRL_LOutput, ZRL_MOutput, ZRL_TOutput}, exit_(ZRL_ExitHandler),
      action_(erractio(nullptr)), ident_(programident), status_(zrl_error) {
    erractio(action_);
    sent.clear(), exits.clear(), result = 1;
    ZRL_ExitHandler = record_exit;
    if (record_channels) {
        ZRL_COutput = record<'C'>, ZRL_LOutput = record<'L'>;
        ZRL_MOutput = record<'M'>, ZRL_TOutput = record<'T'>;
    }
}

Hooks::~Hooks() {
    ZRL_COutput = channels_[0], ZRL_LOutput = channels_[1];
    ZRL_MOutput = channels_[2], ZRL_TOutput = channels_[3];
    ZRL_ExitHandler = exit_;
    erractio(action_);
    errfacil(ident_);
    zrl_error = status_;
}

} // namespace zrl_test

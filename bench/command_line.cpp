// fspec with a switch table over a command of about 4000 characters
// ('DATA:FILE0001.DAT/LOG/W=80,...'), against what a program would write by
// hand: strtok at the commas, strchr at the slashes, and a case-blind prefix
// match of each switch name.  Both copy the same command into a work buffer
// first and count the specifications and the switches they found.
#include <zrlshared.h>

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string command() {
    std::string text;
    char item[64];
    for (int i = 0; text.size() < 4000 - 48; ++i) {
        std::snprintf(item, sizeof item, "%sDATA:FILE%04d.DAT/LOG%s", i ? "," : "", i,
                      i % 3 == 0 ? "/W=80" : (i % 3 == 1 ? "/NOLOG" : ""));
        text += item;
    }
    return text;
}

const std::string kCommand = command();

int32_t log_flag, width_flag;
char *width_value;
const ZRL_SWITCH kTable[] = {
    {"L*OG", &log_flag, nullptr, nullptr},
    {"W*IDTH", &width_flag, nullptr, &width_value},
    {"O*UTPUT", nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr},
};

void BM_Fspec(benchmark::State &state) {
    char line[4096];
    int specs = 0;
    for (auto _ : state) {
        std::memcpy(line, kCommand.c_str(), kCommand.size() + 1);
        setcmd(line);
        specs = 0;
        while (fspec(kTable, "bad") != nullptr)
            ++specs;
        benchmark::DoNotOptimize(specs);
    }
    setcmd(nullptr);
    state.SetItemsProcessed(state.iterations() * specs);
}
BENCHMARK(BM_Fspec);

// The hand-written splitter: a switch name matches a keyword when it is at
// least as long as the keyword's required part and a prefix of the keyword.
bool matches(const char *word, std::size_t length, const char *keyword, std::size_t required) {
    if (length < required || length > std::strlen(keyword)) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(word[i])) != keyword[i]) return false;
    return true;
}

int apply_switch(char *text) {
    char *value = std::strpbrk(text, "=:");
    const std::size_t length = value != nullptr ? static_cast<std::size_t>(value - text)
                                                : std::strlen(text);
    bool negated = false;
    if (length > 2 && std::toupper(static_cast<unsigned char>(text[0])) == 'N' &&
        std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
        !matches(text, length, "LOG", 1) && !matches(text, length, "WIDTH", 1)) {
        text += 2;
        negated = true;
    }
    const std::size_t name = negated ? length - 2 : length;
    if (matches(text, name, "LOG", 1)) {
        log_flag = negated ? 0 : 1;
    } else if (matches(text, name, "WIDTH", 1)) {
        width_flag = 1;
        if (value != nullptr) width_value = value + 1;
    } else {
        return 0;
    }
    return 1;
}

void BM_StrtokSplitter(benchmark::State &state) {
    char line[4096];
    int specs = 0;
    for (auto _ : state) {
        std::memcpy(line, kCommand.c_str(), kCommand.size() + 1);
        specs = 0;
        for (char *spec = std::strtok(line, ","); spec != nullptr; spec = std::strtok(nullptr, ",")) {
            ++specs;
            char *slash = std::strchr(spec, '/');
            while (slash != nullptr) {
                *slash = '\0';
                char *next = std::strchr(slash + 1, '/');
                if (next != nullptr) *next = '\0';
                benchmark::DoNotOptimize(apply_switch(slash + 1));
                slash = next;
            }
        }
        benchmark::DoNotOptimize(specs);
    }
    state.SetItemsProcessed(state.iterations() * specs);
}
BENCHMARK(BM_StrtokSplitter);

} // namespace

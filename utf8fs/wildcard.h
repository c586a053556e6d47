// The Windows wildcard rules for the last component of a pattern, for the
// enumerations that run on POSIX (the UTF-8 layer's own and the library's
// listings).  A pattern is compiled into tokens the way Windows reads it: '?'
// matches one character (one UTF-8 sequence), or nothing in front of a dot or
// at the end of the name; '*' matches any run; a '*' in front of a '.' cannot
// run past the name's last dot; a '.' in front of a wildcard or at the end of
// the pattern matches a dot or the end of the name.  So "*.*" matches every
// name, "*." the names without a dot and "FILE?.TXT" also "FILE.TXT".
//
// Header only: each library that enumerates compiles its own copy, and no
// name of it is exported.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace utf8fs::wildcard {

enum class Token : char { Literal, Star, DotStar, Question, Dot };

struct Element {
    Token token;
    char c; // the character of a literal
};

inline std::vector<Element> compile(std::string_view pattern) {
    std::vector<Element> out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        Token token = Token::Literal;
        if (c == '?')
            token = Token::Question;
        else if (c == '*')
            token = next == '.' ? Token::DotStar : Token::Star;
        else if (c == '.' && (next == '\0' || next == '?' || next == '*'))
            token = Token::Dot;
        out.push_back({token, c});
    }
    return out;
}

// Matches names against one compiled pattern.  Each (token, position) pair is
// decided once per name, so the work is bounded by tokens x name length; the
// table of decisions is kept from name to name, so that an enumeration
// allocates only when a name is longer than every one before it.
//
// The commonest pattern, a '*' and a plain ending ("*.TXT"), is a test of the
// name's ending: the '*' takes everything before it, and when the ending
// starts with a dot that dot is the name's last one, since the ending holds
// no other wildcard and does not end with a dot.
class Matcher {
  public:
    explicit Matcher(std::string_view pattern) : tokens_(compile(pattern)) {
        if (pattern.size() >= 2 && pattern[0] == '*' &&
            pattern.find_first_of("*?", 1) == std::string_view::npos && pattern.back() != '.') {
            ending_ = pattern.substr(1);
        }
    }

    bool matches(std::string_view name) {
        if (!ending_.empty()) // the pattern is '*' and this plain ending
            return name.size() >= ending_.size() &&
                   name.substr(name.size() - ending_.size()) == ending_;
        return matches_by_tokens(name);
    }

    // The match by the tokens alone, which the tests hold the shortcut to.
    bool matches_by_tokens(std::string_view name) {
        name_ = name;
        last_dot_ = name.rfind('.');
        seen_.assign((tokens_.size() + 1) * (name.size() + 1), kUnknown);
        return at(0, 0);
    }

  private:
    static constexpr signed char kUnknown = -1;

    bool at(std::size_t t, std::size_t n) {
        signed char &memo = seen_[t * (name_.size() + 1) + n];
        if (memo == kUnknown) memo = decide(t, n) ? 1 : 0;
        return memo == 1;
    }

    bool decide(std::size_t t, std::size_t n) {
        const bool end = n == name_.size();
        if (t == tokens_.size()) return end;
        const Element &e = tokens_[t];
        switch (e.token) {
        case Token::Literal:
            return !end && name_[n] == e.c && at(t + 1, n + 1);
        case Token::Star:
            return at(t + 1, n) || (!end && at(t, n + 1));
        case Token::DotStar:
            return at(t + 1, n) || (!end && n != last_dot_ && at(t, n + 1));
        case Token::Question:
            if (end || name_[n] == '.') {
                std::size_t after = t;
                while (after < tokens_.size() && tokens_[after].token == Token::Question)
                    ++after;
                return at(after, n);
            }
            return at(t + 1, n + character_length(n));
        case Token::Dot:
            return end ? at(t + 1, n) : name_[n] == '.' && at(t + 1, n + 1);
        }
        return false;
    }

    // '?' stands for one character: a UTF-8 lead byte and its continuations.
    std::size_t character_length(std::size_t n) const {
        std::size_t length = 1;
        while (n + length < name_.size() &&
               (static_cast<unsigned char>(name_[n + length]) & 0xC0) == 0x80)
            ++length;
        return length;
    }

    std::vector<Element> tokens_;
    std::string ending_; // empty unless the shortcut applies
    std::string_view name_;
    std::size_t last_dot_ = std::string_view::npos;
    std::vector<signed char> seen_;
};

} // namespace utf8fs::wildcard

// The date and time parsers on any bytes.  The first eight bytes are the
// starting date and time records, the rest (up to a NUL) the text.  Records
// and texts live in heap blocks of exactly their size, so that the sanitizer
// sees any access past them.  Checked: the count consumed stays within the
// text, every field the parser changes holds a value it may store, the status
// is never touched, parsing only the consumed part gives the same result, and
// a valid record survives the trip through its text.
#include <zrlshared.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::unique_ptr<char[]> text_copy(const char *text, std::size_t length) {
    auto copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), text, length);
    copy[length] = '\0';
    return copy;
}

void fuzz_date(const ZRL_DATE &start, const char *text, std::size_t length) {
    auto date = std::make_unique<ZRL_DATE>(start);
    const int n = cvtadt(text, date.get());
    check(n >= 0 && static_cast<std::size_t>(n) <= length);
    if (date->day != start.day) check(date->day >= 1 && date->day <= 31);
    if (date->month != start.month) check(date->month >= 1 && date->month <= 12);
    if (date->year != start.year || date->century != start.century) {
        check(date->year <= 99);
        check(date->century >= 1);
    }

    auto again = std::make_unique<ZRL_DATE>(start);
    auto prefix = text_copy(text, static_cast<std::size_t>(n));
    check(cvtadt(prefix.get(), again.get()) == n);
    check(std::memcmp(again.get(), date.get(), sizeof(ZRL_DATE)) == 0);

    auto out = std::make_unique<char[]>(10);
    check(cvtdta(date.get(), out.get()) == 9);
    check(std::strlen(out.get()) == 9);
    const bool valid = (date->century == 19 || date->century == 20) && date->year <= 99 &&
                       date->month >= 1 && date->month <= 12 && date->day >= 1 && date->day <= 31;
    if (valid) {
        auto back = std::make_unique<ZRL_DATE>(ZRL_DATE{0, 0, 0, 0});
        check(cvtadt(out.get(), back.get()) == 9);
        check(back->year == date->year && back->month == date->month && back->day == date->day);
        check(back->century == (date->year <= 50 ? 20 : 19));
        const int wd = dayweek(date.get()), wk = weekyear(date.get()), yd = dayyear(date.get());
        check(wd >= 1 && wd <= 7);
        check(wk >= 0 && wk <= 53);
        check(yd >= 1 && yd <= 366);
    }
}

void fuzz_time(const ZRL_TIME &start, const char *text, std::size_t length) {
    auto time = std::make_unique<ZRL_TIME>(start);
    const int n = cvtatm(text, time.get());
    check(n >= 0 && static_cast<std::size_t>(n) <= length);
    if (time->hour != start.hour) check(time->hour <= 23);
    if (time->minute != start.minute) check(time->minute <= 59);
    if (time->second != start.second) check(time->second <= 59 && time->zero == 0);
    if (time->zero != start.zero) check(time->zero == 0);

    auto again = std::make_unique<ZRL_TIME>(start);
    auto prefix = text_copy(text, static_cast<std::size_t>(n));
    check(cvtatm(prefix.get(), again.get()) == n);
    // Blanks alone store nothing, while blanks and then a non-digit store
    // hour 0 without consuming the non-digit: only then may the records differ.
    if (std::strspn(prefix.get(), " ") < static_cast<std::size_t>(n) ||
        static_cast<std::size_t>(n) == length)
        check(std::memcmp(again.get(), time.get(), sizeof(ZRL_TIME)) == 0);

    auto out = std::make_unique<char[]>(9);
    check(cvttma(time.get(), out.get()) == 8);
    check(std::strlen(out.get()) == 8);
    if (time->hour <= 23 && time->minute <= 59 && time->second <= 59) {
        auto back = std::make_unique<ZRL_TIME>(ZRL_TIME{99, 99, 99, 99});
        check(cvtatm(out.get(), back.get()) == 8);
        check(back->hour == time->hour && back->minute == time->minute &&
              back->second == time->second && back->zero == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::uint8_t head[8] = {};
    std::memcpy(head, data, size < 8 ? size : 8);
    const ZRL_DATE date{head[0], head[1], head[2], head[3]};
    const ZRL_TIME time{head[4], head[5], head[6], head[7]};
    const char *rest = size > 8 ? reinterpret_cast<const char *>(data + 8) : "";
    const std::size_t rest_size = size > 8 ? size - 8 : 0;
    std::size_t length = 0;
    while (length < rest_size && rest[length] != '\0')
        ++length;
    auto text = text_copy(rest, length);

    zrl_error = 0x5A5A;
    fuzz_date(date, text.get(), length);
    fuzz_time(time, text.get(), length);
    check(zrl_error == 0x5A5A);
    return 0;
}

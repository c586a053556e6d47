// Message texts of status codes.
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

namespace {

// Fixed texts for success and end of file, the runtime's for error numbers,
// and other negative codes named undefined with a trailing space, in one
// buffer that only the next undefined code reuses.  The status is left alone.
TEST(Libmsg, GivesTheTextOfEachKindOfCode) {
    const struct {
        int code;
        std::string text;
    } cases[] = {
        {0, "No error"},
        {-1, "End of file"},
        {22, std::strerror(22)},
        {INT_MIN, "UNDEFINED ERROR -2147483648 "},
    };
    zrl_error = 33;
    const char *undefined = libmsg(-7);
    for (const auto &c : cases)
        EXPECT_EQ(libmsg(c.code), c.text) << "code " << c.code;
    EXPECT_EQ(zrl_error, 33);
    zrl_error = 0;
    EXPECT_STREQ(undefined, "UNDEFINED ERROR -2147483648 ");
    (void)libmsg(0);
    EXPECT_STREQ(undefined, "UNDEFINED ERROR -2147483648 ");
}

} // namespace

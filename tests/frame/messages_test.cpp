// Message texts of status codes.
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

namespace {

// Fixed texts for success and end of file, the runtime's for error numbers,
// and other negative codes named undefined with a trailing space.
TEST(Libmsg, GivesTheTextOfEachKindOfCode) {
    const struct {
        int code;
        std::string text;
    } cases[] = {
        {0, "No error"},
        {-1, "End of file"},
        {2, std::strerror(2)},
        {22, std::strerror(22)},
        {-7, "UNDEFINED ERROR -7 "},
        {INT_MIN, "UNDEFINED ERROR -2147483648 "},
    };
    zrl_error = 33;
    for (const auto &c : cases)
        EXPECT_EQ(libmsg(c.code), c.text) << "code " << c.code;
    EXPECT_EQ(zrl_error, 33) << "the status code is left alone";
    zrl_error = 0;
}

// One buffer for undefined codes, reused only by the next undefined code.
TEST(Libmsg, UndefinedTextSurvivesCallsThatHaveTheirOwnText) {
    const char *text = libmsg(-7);
    (void)libmsg(0);
    (void)libmsg(-1);
    (void)libmsg(22);
    EXPECT_STREQ(text, "UNDEFINED ERROR -7 ");
    (void)libmsg(-8);
    EXPECT_STREQ(text, "UNDEFINED ERROR -8 ");
}

} // namespace

// Message texts of status codes.
#include <climits>
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <zrlshared.h>

namespace {

TEST(Libmsg, GivesFixedTextsForSuccessAndEndOfFile) {
    EXPECT_STREQ(libmsg(0), "No error");
    EXPECT_STREQ(libmsg(-1), "End of file");
}

TEST(Libmsg, GivesRuntimeTextForErrorNumbers) {
    for (int code : {2, 5, 12, 22, 27}) {
        const std::string runtime = std::strerror(code);
        EXPECT_EQ(libmsg(code), runtime) << "code " << code;
    }
}

TEST(Libmsg, NamesOtherNegativeCodesUndefinedWithTrailingSpace) {
    const struct {
        int code;
        const char *text;
    } cases[] = {
        {-7, "UNDEFINED ERROR -7 "},
        {-2, "UNDEFINED ERROR -2 "},
        {INT_MIN, "UNDEFINED ERROR -2147483648 "},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(libmsg(c.code), c.text) << "code " << c.code;
}

TEST(Libmsg, UndefinedTextSurvivesCallsThatHaveTheirOwnText) {
    const char *text = libmsg(-7);
    (void)libmsg(0);
    (void)libmsg(-1);
    (void)libmsg(22);
    EXPECT_STREQ(text, "UNDEFINED ERROR -7 ");
    (void)libmsg(-8);
    EXPECT_STREQ(text, "UNDEFINED ERROR -8 ") << "one buffer, reused by the next undefined code";
}

TEST(Libmsg, LeavesStatusCodeAlone) {
    zrl_error = 33;
    (void)libmsg(-7);
    (void)libmsg(22);
    EXPECT_EQ(zrl_error, 33);
    zrl_error = 0;
}

} // namespace

// Text to integer as the dialogs, the page box and the settings window read it.

#include "TestSupport.h"

#include "platform/Convert.h"
#include "platform/Error.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

TEST(StrToInt, ReadsASignAndDigitsWithBlanksAround) {
    const std::pair<const char*, int> good[] = {
        {"12", 12},        {" 12 ", 12},  {"\t7\n", 7}, {"+5", 5}, {"-0", 0},
        {"-2147483648", -2147483647 - 1}, {"2147483647", 2147483647}, {"007", 7}};
    for (const auto& [text, value] : good)
        EXPECT_EQ(platform::StrToInt(S(text)), value) << text;
}

TEST(StrToInt, AnythingElseGivesTheConversionMessage) {
    for (const char* bad : {"", " ", "1 2", "2147483648", "-2147483649", "0x10", "1.0", "１２",
                            "12abc", "--1"}) {
        try {
            platform::StrToInt(S(bad));
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.Message(), S("'%1' is not a valid integer value").arg(S(bad))) << bad;
        }
    }
    // A pasted page of text is cut in the message.
    try {
        platform::StrToInt(QString(5000, QLatin1Char('x')));
        ADD_FAILURE() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(),
                  S("'%1' is not a valid integer value").arg(QString(100, QLatin1Char('x'))));
    }
}

} // namespace

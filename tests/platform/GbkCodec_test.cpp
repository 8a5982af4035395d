#include "TestSupport.h"

#include "platform/Clock.h"
#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"

#include <gtest/gtest.h>

TEST(GbkCodec, RoundTripsChineseAndAscii) {
    const QString text = QString::fromUtf8("数 学 运 算 练 习 ÷ 题目数：12 + 7 = 19");
    const QByteArray gbk = platform::ToGbk(text);
    EXPECT_EQ(platform::FromGbk(gbk), text);
    EXPECT_EQ(platform::ToGbk(QString::fromUtf8("÷")), QByteArray("\xA1\xC2"));
    EXPECT_EQ(platform::ToGbk(QString::fromUtf8("数")), QByteArray("\xCA\xFD"));
    EXPECT_EQ(platform::Gbk("题目数："), gbk.mid(gbk.indexOf("\xCC\xE2"), 8));
}

TEST(GbkCodec, BadBytesDecodeToReplacementCharacters) {
    // A lead byte followed by a byte that cannot trail it.
    const QString s = platform::FromGbk(QByteArray("a\x81 b"));
    EXPECT_EQ(s, QString(QStringLiteral("a") + QChar(0xFFFD) + QStringLiteral(" b")));
    // A lead byte cut off at the end is dropped, never read past.
    EXPECT_EQ(platform::FromGbk(QByteArray("a\x81")), QStringLiteral("a"));
}

TEST(Clock, CounterMovesAndTickCountIsMilliseconds) {
    const auto a = platform::HighResolutionCounter();
    const auto b = platform::HighResolutionCounter();
    ASSERT_TRUE(a && b);
    EXPECT_NE(*a, *b);
    EXPECT_GT(platform::TickCount(), 0u);
}

TEST(LocaleInfo, DecimalSeparatorIsOneCharacter) {
    const QChar sep = platform::DecimalSeparator();
    EXPECT_FALSE(sep.isNull());
}

#include "report/frxVariables.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(Variables, LookupIgnoresCaseAndFirstMatchWins) {
    TfrxVariables vars;
    vars.Add(QStringLiteral("Total"), 1);
    vars.Add(QStringLiteral("TOTAL"), 2);
    EXPECT_EQ(vars.IndexOf(QStringLiteral("total")), 0);
    EXPECT_EQ(vars.Get(QStringLiteral("tOtAl")), Variant(1));
    EXPECT_EQ(vars.IndexOf(QStringLiteral("Totals")), -1);
    EXPECT_TRUE(vars.Get(QStringLiteral("missing")).IsNull());
}

TEST(Variables, CategoryHeadingNeverAnswersThePlainName) {
    TfrxVariables vars;
    for (int i = 1; i <= 7; ++i)
        vars.Add(QStringLiteral(" var") + QString::number(i));
    EXPECT_EQ(vars.IndexOf(QStringLiteral("var1")), -1);
    EXPECT_EQ(vars.IndexOf(QStringLiteral("VAR7")), -1);
    EXPECT_EQ(vars.IndexOf(QStringLiteral(" VAR3")), 2);
    EXPECT_TRUE(vars.Items(0).Value.IsNull());
}

TEST(Variables, SetWritesTheFirstMatchOrAppends) {
    TfrxVariables vars;
    vars.Set(QStringLiteral("a"), 1);
    vars.Set(QStringLiteral("A"), QStringLiteral("x"));
    vars.Set(QStringLiteral("b"), true);
    ASSERT_EQ(vars.Count(), 2);
    EXPECT_EQ(vars.Items(0).Name, QStringLiteral("a"));
    EXPECT_EQ(vars.Items(0).Value, Variant(QStringLiteral("x")));
    EXPECT_EQ(vars.Items(1).Value, Variant(true));
    vars.Delete(0);
    vars.Delete(5);
    ASSERT_EQ(vars.Count(), 1);
    vars.Clear();
    EXPECT_EQ(vars.Count(), 0);
}

TEST(Variables, NonLatinNamesCompareWithoutCase) {
    TfrxVariables vars;
    vars.Add(QString::fromUtf8("ÄPFEL"), 5);
    vars.Add(QString::fromUtf8("数量"), 6);
    EXPECT_EQ(vars.IndexOf(QString::fromUtf8("äpfel")), 0);
    EXPECT_EQ(vars.IndexOf(QString::fromUtf8("数量")), 1);
    EXPECT_EQ(vars.IndexOf(QString::fromUtf8("apfel")), -1);
}

TEST(Variables, GlobalListIsShared) {
    frxGlobalVariables().Set(QStringLiteral("CopyName0"), QStringLiteral("Copy"));
    EXPECT_EQ(frxGlobalVariables().Get(QStringLiteral("copyname0")), Variant(QStringLiteral("Copy")));
    frxGlobalVariables().Clear();
}

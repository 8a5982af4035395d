#include "resources/frxRes.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Lookup {
    const char* name;
    const char* key;
    const char* text;
};

class MessageTableLookup : public ::testing::TestWithParam<Lookup> {};

TEST_P(MessageTableLookup, GivesTheTextShownOnScreen) {
    const Lookup& p = GetParam();
    EXPECT_EQ(frxGet(QString::fromUtf8(p.key)), QString::fromUtf8(p.text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageTableLookup,
    ::testing::Values(
        Lookup{"PreviewCaption", "100", "Preview"},
        Lookup{"PrintButtonHint", "102", "Print"},
        Lookup{"PageRangeHelp", "9",
               "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"},
        Lookup{"PageSettingsApplyAll", "414", "Apply to all pages"},
        Lookup{"PageStatus", "clPageOf", "Page %d of %d"},
        Lookup{"PrintingProgress", "prPrinting", "Printing page %d"},
        Lookup{"ErrorListHeading", "clErrors", "The following error(s) have occured:"},
        Lookup{"MissingDataset", "clDSNotExist", "Dataset \"%s\" does not exist"},
        Lookup{"DefaultPrinterOption", "prDefault", "Default"},
        Lookup{"ReverseOrder", "poReverse", "Reverse (9-1)"},
        Lookup{"InchUnit", "uInch", "in"},
        // Keys the table does not hold come back as themselves.
        Lookup{"DuplicateNameHasNoEntry", "prDupl", "prDupl"},
        Lookup{"UnknownNumber", "999", "999"},
        Lookup{"EmptyKey", "", ""}),
    [](const ::testing::TestParamInfo<Lookup>& info) { return std::string(info.param.name); });

TEST(MessageTable, NumberAndItsDecimalTextAreTheSameEntry) {
    EXPECT_EQ(frxGet(200), QStringLiteral("Print"));
    EXPECT_EQ(frxGet(200), frxGet(QStringLiteral("200")));
    EXPECT_EQ(frxGet(12345), QStringLiteral("12345"));
}

TEST(MessageTable, LeadingExclamationMarkIsDroppedOnce) {
    TfrxResources table;
    table.Add(QStringLiteral("tBang"), QStringLiteral("!Pages:"));
    table.Add(QStringLiteral("tTwo"), QStringLiteral("!!x"));
    table.Add(QStringLiteral("tInner"), QStringLiteral("a!b"));
    EXPECT_EQ(table.Get(QStringLiteral("tBang")), QStringLiteral("Pages:"));
    EXPECT_EQ(table.Get(QStringLiteral("tTwo")), QStringLiteral("!x"));
    EXPECT_EQ(table.Get(QStringLiteral("tInner")), QStringLiteral("a!b"));
}

TEST(MessageTable, KeysAreCaseSensitive) {
    EXPECT_EQ(frxGet(QStringLiteral("CLPAGEOF")), QStringLiteral("CLPAGEOF"));
}

} // namespace

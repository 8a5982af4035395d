// The paper table and the virtual printer that stands in when nothing is installed.

#include "TestSupport.h"

#include "platform/PrintServiceRecording.h"
#include "printers/frxPrinter.h"

#include <gtest/gtest.h>

namespace {

TEST(PaperTable, HoldsSixtySixStandardCodesInOrder) {
    QList<int> codes;
    for (const TPaperInfo& info : PaperInfo)
        codes << info.Typ;
    QList<int> expected;
    for (int c = 1; c <= 47; ++c)
        expected << c;
    for (int c = 50; c <= 68; ++c)
        expected << c;
    EXPECT_EQ(codes, expected);
    for (const TPaperInfo& info : PaperInfo)
        EXPECT_STREQ(info.Name, "") << info.Typ;
}

struct PaperRow {
    const char* name;
    int code;
    bool found;
    long double width, height;
};

class PaperDimensions : public ::testing::TestWithParam<PaperRow> {};

TEST_P(PaperDimensions, ComeFromTheTableInMillimetres) {
    const PaperRow& row = GetParam();
    long double w = -1, h = -1;
    EXPECT_EQ(GetPaperDimensions(row.code, w, h), row.found);
    EXPECT_DOUBLE_EQ(double(w), double(row.width));
    EXPECT_DOUBLE_EQ(double(h), double(row.height));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, PaperDimensions,
    ::testing::Values(PaperRow{"A4", 9, true, 210, 297}, PaperRow{"Letter", 1, true, 215.9L, 279.4L},
                      PaperRow{"Envelope10", 20, true, 104.8L, 241.3L},
                      PaperRow{"LandscapeEntry4", 4, true, 431.8L, 279.4L},
                      PaperRow{"Code35WiderThanTall", 35, true, 176, 125},
                      PaperRow{"A2", 66, true, 420, 594}, PaperRow{"Last", 68, true, 322, 445},
                      PaperRow{"GapAt48", 48, false, -1, -1}, PaperRow{"GapAt49", 49, false, -1, -1},
                      PaperRow{"Custom", 256, false, -1, -1}, PaperRow{"Zero", 0, false, -1, -1},
                      PaperRow{"Past69", 69, false, -1, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// A list over a service without printers: the virtual printer alone.
std::unique_ptr<TfrxPrinters> EmptyList() {
    return std::make_unique<TfrxPrinters>(std::make_shared<platform::RecordingPrintService>());
}

TEST(VirtualPrinter, IsTheOnlyPrinterWhenNoneIsInstalled) {
    auto list = EmptyList();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_FALSE(list->HasPhysicalPrinters());
    EXPECT_EQ(list->PrinterIndex(), 0);
    EXPECT_EQ(list->Printers(), QStringList{QStringLiteral("Virtual")});
    TfrxCustomPrinter* p = list->CurrentPrinter();
    ASSERT_NE(dynamic_cast<TfrxVirtualPrinter*>(p), nullptr);
    EXPECT_EQ(p->Name(), QStringLiteral("Virtual"));
    EXPECT_EQ(p->Port(), QString());
    EXPECT_TRUE(p->Initialized());
    EXPECT_EQ(p->Dpi(), QPoint(600, 600));
    EXPECT_EQ(p->DefaultPaper(), 9);
    EXPECT_EQ(p->DefaultOrientation(), poPortrait);
    EXPECT_EQ(p->DefaultPaperWidth(), 210);
    EXPECT_EQ(p->DefaultPaperHeight(), 297);
    EXPECT_EQ(p->BinOverride(), -1);
    EXPECT_EQ(p->BinNames(), QStringList{QStringLiteral("Default")});
    EXPECT_EQ(p->Bins().first().Code, 7);

    ASSERT_EQ(p->Papers().size(), 67);
    EXPECT_EQ(p->Papers().first(), (TfrxNamedCode{QStringLiteral("Custom"), 256}));
    for (int i = 1; i < 67; ++i) {
        EXPECT_EQ(p->Papers()[i].Name, QString());
        EXPECT_EQ(p->Papers()[i].Code, PaperInfo[i - 1].Typ);
    }
}

struct ViewRow {
    const char* name;
    int paper;
    TPrinterOrientation orientation;
    long double width, height;
    int expectPaper;
    long double expectWidth, expectHeight;
};

class VirtualSetViewPaper : public ::testing::TestWithParam<ViewRow> {};

TEST_P(VirtualSetViewPaper, TakesTableSizesAndFiveMillimetreMargins) {
    const ViewRow& row = GetParam();
    auto list = EmptyList();
    TfrxCustomPrinter* p = list->CurrentPrinter();
    p->SetViewPaper(row.paper, row.orientation, row.width, row.height);
    EXPECT_EQ(p->Paper(), row.expectPaper);
    EXPECT_EQ(p->Orientation(), row.orientation);
    EXPECT_DOUBLE_EQ(double(p->PaperWidth()), double(row.expectWidth));
    EXPECT_DOUBLE_EQ(double(p->PaperHeight()), double(row.expectHeight));
    EXPECT_EQ(p->LeftMargin(), 5);
    EXPECT_EQ(p->TopMargin(), 5);
    EXPECT_EQ(p->RightMargin(), 5);
    EXPECT_EQ(p->BottomMargin(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Papers, VirtualSetViewPaper,
    ::testing::Values(ViewRow{"A4Portrait", 9, poPortrait, 0, 0, 9, 210, 297},
                      ViewRow{"A4LandscapeSwaps", 9, poLandscape, 0, 0, 9, 297, 210},
                      ViewRow{"TableSizeWinsOverPassedSize", 11, poPortrait, 1, 2, 11, 148, 210},
                      ViewRow{"CustomKeepsPassedSize", 256, poLandscape, 300, 200, 256, 300, 200},
                      ViewRow{"UnknownCodeBecomesCustom", 48, poPortrait, 123.5L, 45, 256, 123.5L,
                              45}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VirtualPrinter, SetPrintPaperSetsTheSheetAndTheBinOverride) {
    auto list = EmptyList();
    TfrxCustomPrinter* p = list->CurrentPrinter();
    p->SetPrintPaper(8, poLandscape, 0, 0, 4, 1, 3);
    EXPECT_EQ(p->Paper(), 8);
    EXPECT_EQ(p->PaperWidth(), 420);
    EXPECT_EQ(p->PaperHeight(), 297);
    EXPECT_EQ(p->BinOverride(), 4);
    // Documents on the virtual printer go nowhere and change nothing.
    p->BeginDocument();
    p->BeginPrinterPage();
    EXPECT_EQ(p->Canvas()->Surface(), nullptr);
    p->EndPrinterPage();
    p->EndDocument();
    EXPECT_FALSE(p->Printing());
    EXPECT_FALSE(p->ShowPrinterProperties());
}

TEST(PrinterPapers, PaperCodeOfAnUnknownNameIsCustom) {
    auto list = EmptyList();
    TfrxCustomPrinter* p = list->CurrentPrinter();
    EXPECT_EQ(p->PaperCodeOf(QStringLiteral("No such paper")), 256);
    EXPECT_EQ(p->PaperCodeOf(QStringLiteral("Custom")), 256);
    // Every table entry is nameless, so the empty name finds the first of them.
    EXPECT_EQ(p->PaperCodeOf(QString()), 1);
    EXPECT_EQ(p->PaperIndexOf(256), 0);
    EXPECT_EQ(p->PaperIndexOf(9), 9);
    EXPECT_EQ(p->PaperIndexOf(50), 48);
    EXPECT_EQ(p->PaperIndexOf(48), -1);
}

} // namespace

// The print job on the recording printing service: which pages reach which sheet, with which
// set-up, in every print mode; cancelling, bad input and failures.

#include "TestSupport.h"

#include "PrintTestSupport.h"
#include "platform/Error.h"
#include "print/frxPrintDialog.h"
#include "print/frxPrintDialog_p.h"
#include "report/frxRuntime.h"
#include "print/frxPrintJob.h"
#include "print/frxProgress.h"
#include "resources/frxRes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace frxClass;
using platform::DeviceMode;
using platform::RecordingPrintService;
using Sheets = std::vector<std::vector<int>>;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

constexpr long double kDots = 600 / 25.4L; // dots per mm of the recording printers
constexpr int A4 = DMPAPER_A4;
constexpr int A6 = -6; // pages of 105 x 148 mm

class PrintJob : public ::testing::Test {
protected:
    platform::RegistryScope services; // the print service the test chose goes with it

    void SetUp() override {
        service = UseRecordingPrinters({RecordingPrintService::MakePrinter(S("P1")),
                                        RecordingPrintService::MakePrinter(S("P2"))});
        pages = std::make_unique<RecordedPages>(service.get());
        options().SetShowDialog(false);
    }

    TfrxPrintOptions& options() { return *report.PrintOptions(); }
    bool Print() {
        TfrxPrintJob job(report, *pages);
        return job.Print();
    }
    int SheetCount() const { return static_cast<int>(service->Sheets().size()); }
    Sheets PagesPerSheet() const { return pages->PagesPerSheet(SheetCount()); }
    // The set-ups handed to the printer, in order.
    QList<DeviceMode> SetUps() const {
        QList<DeviceMode> modes;
        for (const auto& e : service->Events())
            if (e.What == RecordingPrintService::Kind::ResetDevice)
                modes << e.Mode;
        return modes;
    }
    int Count(RecordingPrintService::Kind kind) const {
        int n = 0;
        for (const auto& e : service->Events())
            n += e.What == kind;
        return n;
    }

    TfrxReport report;
    std::shared_ptr<RecordingPrintService> service;
    std::unique_ptr<RecordedPages> pages;
};

// --- which pages, in which order --------------------------------------------------------------

struct SequenceCase {
    const char* name;
    int pageCount;
    int paper; // of every page
    TfrxPrintMode mode;
    const char* pageNumbers;
    TfrxPrintPages printPages;
    bool reverse;
    Sheets sheets;
};

class PrintSequences : public PrintJob, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(PrintSequences, SheetsHoldThePages) {
    const SequenceCase& c = GetParam();
    for (int i = 0; i < c.pageCount; ++i) {
        if (c.paper == A6)
            pages->Add(DMPAPER_USER, poPortrait, 105, 148);
        else
            pages->Add(c.paper);
    }
    options().SetPrintMode(c.mode);
    options().SetPrintOnSheet(DMPAPER_A4);
    options().SetPageNumbers(S(c.pageNumbers));
    options().SetPrintPages(c.printPages);
    options().SetReverse(c.reverse);
    if (c.sheets.empty()) {
        // A selection of no page is said, not printed as nothing.
        QString message;
        try {
            Print();
        } catch (const platform::Error& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, S("No page of the report matches \"%1\": nothing was printed")
                               .arg(S(c.pageNumbers).trimmed()));
        EXPECT_TRUE(service->Documents().isEmpty());
        return;
    }
    EXPECT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), c.sheets);
    EXPECT_EQ(service->Documents().size(), 1u);
    for (const auto& d : service->Documents())
        EXPECT_TRUE(d.Ended && !d.Aborted);
}


INSTANTIATE_TEST_SUITE_P(
    Selections, PrintSequences,
    ::testing::Values(
        SequenceCase{"ListAndRange", 14, A4, pmDefault, "1,3,5-12", ppAll, false,
                     {{1}, {3}, {5}, {6}, {7}, {8}, {9}, {10}, {11}, {12}}},
        SequenceCase{"BlanksInARange", 10, A4, pmDefault, "2 - 4", ppAll, false, {{2}, {3}, {4}}},
        SequenceCase{"OpenRange", 10, A4, pmDefault, "7-", ppAll, false, {{7}, {8}, {9}, {10}}},
        SequenceCase{"DescendingRangePrintsNothing", 10, A4, pmDefault, "5-3", ppAll, false, {}},
        SequenceCase{"ZeroPrintsNothing", 10, A4, pmDefault, "0", ppAll, false, {}},
        SequenceCase{"PastTheLastPagePrintsNothing", 10, A4, pmDefault, "40", ppAll, false, {}},
        SequenceCase{"EvenPagesOfPageThreePrintNothing", 10, A4, pmJoin, "3", ppEven, false, {}},
        SequenceCase{"EvenPagesOfOneToFive", 10, A4, pmDefault, "1-5", ppEven, false, {{2}, {4}}},
        SequenceCase{"OddPagesCountThePageNumber", 6, A4, pmDefault, "2-6", ppOdd, false,
                     {{3}, {5}}},
        SequenceCase{"ReverseDefault", 3, A4, pmDefault, "", ppAll, true, {{3}, {2}, {1}}},
        SequenceCase{"ReverseScale", 3, A4, pmScale, "", ppAll, true, {{3}, {2}, {1}}},
        SequenceCase{"ReverseSplit", 3, A4, pmSplit, "", ppAll, true, {{3}, {2}, {1}}},
        SequenceCase{"ReverseIgnoredWhenJoining", 3, A6, pmJoin, "", ppAll, true, {{1, 2, 3}}},
        SequenceCase{"OddEvenIgnoredWhenJoining", 3, A6, pmJoin, "", ppEven, false, {{1, 2, 3}}},
        SequenceCase{"JoinKeepsTheSelection", 6, A6, pmJoin, "2,5-", ppAll, false, {{2, 5, 6}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrintJob, CollatedDuplexCopiesStartOnAFreshSheet) {
    pages->AddA4(3);
    for (auto& p : pages->Pages)
        p->SetDuplex(dmVertical);
    options().SetCopies(2);
    options().SetCollate(true);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {2}, {3}, {}, {1}, {2}, {3}, {}}));
    for (const auto& sheet : service->Sheets()) {
        EXPECT_EQ(sheet.Mode.Copies, 1);
        EXPECT_EQ(sheet.Mode.Duplex, DeviceMode::DuplexVertical);
    }
    std::vector<int> copyNos;
    for (const auto& r : pages->Renders)
        copyNos.push_back(r.CopyNo);
    EXPECT_EQ(copyNos, (std::vector<int>{1, 1, 1, 2, 2, 2}));
}

TEST_F(PrintJob, UncollatedCopiesAreMadeByTheDriver) {
    pages->AddA4(3);
    for (auto& p : pages->Pages)
        p->SetDuplex(dmVertical);
    options().SetCopies(2);
    options().SetCollate(false);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {2}, {3}}));
    for (const auto& sheet : service->Sheets())
        EXPECT_EQ(sheet.Mode.Copies, 2);
    for (const auto& r : pages->Renders)
        EXPECT_EQ(r.CopyNo, 1);
}

TEST_F(PrintJob, TheSheetSetUpChangesExactlyWhenThePageAsksForIt) {
    pages->Add(A4);                                     // 1: set up
    pages->Add(A4);                                     // 2: same
    pages->Add(A4, poLandscape);                        // 3: orientation
    pages->Add(11);                                     // 4: paper
    pages->Add(11).SetDuplex(dmVertical);               // 5: duplex
    pages->Add(DMPAPER_USER, poPortrait, 200, 300).SetDuplex(dmVertical);        // 6: paper
    pages->Add(DMPAPER_USER, poPortrait, 200.3L, 299.8L).SetDuplex(dmVertical);  // 7: same mm
    pages->Add(DMPAPER_USER, poPortrait, 201, 300).SetDuplex(dmVertical);        // 8: size
    auto& p9 = pages->Add(DMPAPER_USER, poPortrait, 201, 300);                   // 9: bin
    p9.SetDuplex(dmVertical);
    p9.SetBinOtherPages(1);
    ASSERT_TRUE(Print());

    const QList<DeviceMode> setUps = SetUps();
    ASSERT_EQ(setUps.size(), 7);
    EXPECT_EQ(setUps[0].PaperSize, 9);
    EXPECT_EQ(setUps[1].Orientation, DeviceMode::Landscape);
    EXPECT_EQ(setUps[2].PaperSize, 11);
    EXPECT_EQ(setUps[3].Duplex, DeviceMode::DuplexVertical);
    EXPECT_EQ(setUps[4].PaperSize, 256);
    EXPECT_EQ(setUps[4].PaperWidth, 2000);
    EXPECT_EQ(setUps[4].PaperLength, 3000);
    EXPECT_EQ(setUps[5].PaperWidth, 2010);
    EXPECT_EQ(setUps[6].DefaultSource, 1);
    // Every sheet was printed with its own page's set-up; the odd last side of the two-sided
    // pages gets its blank back.
    ASSERT_EQ(SheetCount(), 10);
    EXPECT_EQ(service->Sheets()[1].Mode.PaperSize, 9);
    EXPECT_EQ(service->Sheets()[6].Mode.PaperWidth, 2000);
}

TEST_F(PrintJob, OnlyTheFirstPreparedPageTakesTheFirstPageBin) {
    pages->AddA4(2);
    for (auto& p : pages->Pages) {
        p->SetBin(1);
        p->SetBinOtherPages(4);
    }
    ASSERT_TRUE(Print());
    ASSERT_EQ(SheetCount(), 2);
    EXPECT_EQ(service->Sheets()[0].Mode.DefaultSource, 1);
    EXPECT_EQ(service->Sheets()[1].Mode.DefaultSource, 4);

    // Printing only the second page: it is not the first prepared page.
    options().SetPageNumbers(S("2"));
    ASSERT_TRUE(Print());
    ASSERT_EQ(SheetCount(), 3);
    EXPECT_EQ(service->Sheets()[2].Mode.DefaultSource, 4);
}

TEST_F(PrintJob, ScaleStretchesAnA5PageOverAnA4Sheet) {
    pages->Add(11); // A5, 148 x 210
    options().SetPrintMode(pmScale);
    options().SetPrintOnSheet(A4);
    ASSERT_TRUE(Print());
    ASSERT_EQ(pages->Renders.size(), 1u);
    const auto& r = pages->Renders[0];
    EXPECT_NEAR(static_cast<double>(r.ScaleX), 600 / 96.0 * 210 / 148, 1e-9);
    EXPECT_NEAR(static_cast<double>(r.ScaleY), 600 / 96.0 * 297 / 210, 1e-9);
    EXPECT_NEAR(static_cast<double>(pages->PrintScale), 297 / 210.0, 1e-9);
    // The page's corner is the sheet's corner: the canvas starts at the unprintable margins.
    EXPECT_NEAR(static_cast<double>(r.OffsetX), -4 * kDots, 1e-6);
    EXPECT_NEAR(static_cast<double>(r.OffsetY), -5 * kDots, 1e-6);
    ASSERT_EQ(SetUps().size(), 1);
    EXPECT_EQ(SetUps()[0].PaperSize, 9);
    EXPECT_EQ(SetUps()[0].Orientation, DeviceMode::Portrait);
}

TEST_F(PrintJob, SplitCutsAWidePageOntoTwoPortraitSheetsWithOverlap) {
    pages->Add(8, poLandscape); // A3 landscape, 420 x 297
    pages->Add(DMPAPER_USER, poPortrait, 220, 297);
    options().SetPrintMode(pmSplit);
    options().SetPrintOnSheet(A4);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {1}, {2}}));
    ASSERT_EQ(SetUps().size(), 1);
    EXPECT_EQ(SetUps()[0].Orientation, DeviceMode::Portrait);
    const auto& r = pages->Renders;
    EXPECT_NEAR(static_cast<double>(r[0].OffsetX), -4 * kDots, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[0].OffsetY), -5 * kDots, 1e-6);
    // The second sheet starts 3 mm before the first one's printable area ended.
    EXPECT_NEAR(static_cast<double>(r[1].OffsetX), -(210 - 6 - 3) * kDots, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[1].OffsetY), -5 * kDots, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[0].ScaleX), 600 / 96.0, 1e-12);
}

TEST_F(PrintJob, SplitTurnsTheSheetWhenThatNeedsFewerSheets) {
    pages->Add(8); // A3 portrait, 297 x 420: two landscape A4 sheets, one above the other
    options().SetPrintMode(pmSplit);
    options().SetPrintOnSheet(A4);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {1}}));
    ASSERT_EQ(SetUps().size(), 1);
    EXPECT_EQ(SetUps()[0].Orientation, DeviceMode::Landscape);
    const auto& r = pages->Renders;
    EXPECT_NEAR(static_cast<double>(r[0].OffsetX), r[1].OffsetX, 1e-9);
    EXPECT_LT(r[1].OffsetY, r[0].OffsetY);
}

TEST_F(PrintJob, JoinPutsFourA6PagesOnAnA4SheetEachTwiceWithTwoCopies) {
    for (int i = 0; i < 4; ++i)
        pages->Add(DMPAPER_USER, poPortrait, 105, 148);
    options().SetPrintMode(pmJoin);
    options().SetPrintOnSheet(A4);
    options().SetCopies(2);
    ASSERT_TRUE(Print());
    // Collated or not, the copies are the neighbouring cells: one pass, not two.
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1, 1, 2, 2}, {3, 3, 4, 4}}));
    ASSERT_EQ(SetUps().size(), 1);
    EXPECT_EQ(SetUps()[0].Copies, 1);
    EXPECT_EQ(SetUps()[0].Orientation, DeviceMode::Portrait);
    const auto& r = pages->Renders;
    EXPECT_EQ(r[0].CopyNo, 1);
    EXPECT_EQ(r[1].CopyNo, 2);
    const long double left = -4 * kDots, top = -5 * kDots;
    EXPECT_NEAR(static_cast<double>(r[1].OffsetX), left + 105 * kDots, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[1].OffsetY), top, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[2].OffsetX), left, 1e-6);
    EXPECT_NEAR(static_cast<double>(r[2].OffsetY), top + 148 * kDots, 1e-6);
}

TEST_F(PrintJob, JoinedCopiesThatFillASheetContinueOnTheNext) {
    for (int i = 0; i < 2; ++i)
        pages->Add(DMPAPER_USER, poPortrait, 105, 148);
    options().SetPrintMode(pmJoin);
    options().SetPrintOnSheet(A4);
    options().SetCopies(3);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1, 1, 1, 2}, {2, 2}}));
    std::vector<int> copyNos;
    for (const auto& r : pages->Renders)
        copyNos.push_back(r.CopyNo);
    EXPECT_EQ(copyNos, (std::vector<int>{1, 2, 3, 1, 2, 3}));
}

TEST_F(PrintJob, JoinEndsWithoutABlankSheetWhenTheSelectionEndsEarly) {
    for (int i = 0; i < 10; ++i)
        pages->Add(DMPAPER_USER, poPortrait, 105, 148);
    options().SetPrintMode(pmJoin);
    options().SetPrintOnSheet(A4);
    options().SetPageNumbers(S("1-4"));
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1, 2, 3, 4}}));
}

TEST_F(PrintJob, JoinedLetterPagesDoNotFallOffAnA4Sheet) {
    pages->Add(1);
    pages->Add(1);
    options().SetPrintMode(pmJoin);
    options().SetPrintOnSheet(A4);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {2}}));
}

TEST_F(PrintJob, DuplexPaddingCountsSheetsNotPages) {
    // One wide page split onto two sheets: an even number of sheets needs no blank sheet.
    pages->Add(8, poLandscape).SetDuplex(dmVertical);
    options().SetPrintMode(pmSplit);
    options().SetPrintOnSheet(A4);
    options().SetCopies(2);
    ASSERT_TRUE(Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{1}, {1}, {1}, {1}}));

    // Three one-sheet pages: each copy is padded.
    pages->Pages.clear();
    pages->Renders.clear();
    pages->AddA4(3);
    for (auto& p : pages->Pages)
        p->SetDuplex(dmHorizontal);
    const int before = SheetCount();
    ASSERT_TRUE(Print());
    EXPECT_EQ(SheetCount() - before, 8);
}

// --- cancelling, bad input, failures -------------------------------------------------------------

TEST_F(PrintJob, CancelAbortsBeforeTheNextPageAndStillEndsTheRun) {
    pages->AddA4(5);
    options().SetCopies(3);
    int afterPrint = 0;
    report.OnAfterPrintReport = [&](TfrxReport*) { ++afterPrint; };
    report.OnProgress = [&](TfrxReport* r, int kind, int n) {
        EXPECT_EQ(kind, ptPrinting);
        if (n == 2)
            r->Terminated = true;
    };
    EXPECT_TRUE(Print());
    EXPECT_EQ(pages->DrawnPages(), (std::vector<int>{1, 2}));
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Aborted);
    EXPECT_FALSE(service->Documents()[0].Ended);
    EXPECT_EQ(afterPrint, 1);
    EXPECT_EQ(options().Copies(), 3);
}

TEST_F(PrintJob, CancelWhileJoiningAbortsAfterTheSheet) {
    for (int i = 0; i < 8; ++i)
        pages->Add(DMPAPER_USER, poPortrait, 105, 148);
    options().SetPrintMode(pmJoin);
    options().SetPrintOnSheet(A4);
    report.OnProgress = [&](TfrxReport* r, int, int) { r->Terminated = true; };
    EXPECT_TRUE(Print());
    EXPECT_EQ(pages->DrawnPages(), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Aborted);
}

// --- the progress window while printing ------------------------------------------------------

TfrxProgress* ProgressWindow(TfrxReport& report) {
    return dynamic_cast<TfrxProgress*>(report.Runtime().Progress.get());
}

TEST_F(PrintJob, TheProgressWindowCountsThePrintedPagesAndHoldsThePreviewMeanwhile) {
    pages->AddA4(3);
    QWidget owner; // the preview window the Print button was pressed in
    owner.show();
    QApplication::setActiveWindow(&owner);
    QStringList events;
    auto record = [&](const char* what) {
        return [&events, what](TfrxReport*, int kind, int n) {
            events << S("%1 %2 %3").arg(S(what)).arg(kind).arg(n);
        };
    };
    report.OnProgressStart = record("start");
    report.OnProgress = record("step");
    report.OnProgressStop = record("stop");
    // While a page is drawn the window shows the page before it.
    QStringList shown;
    pages->OnRender = [&](int) {
        TfrxProgress* w = ProgressWindow(report);
        shown << (w && w->isVisible() ? w->Message() : S("<no window>"));
        EXPECT_FALSE(owner.isEnabled());
    };
    ASSERT_TRUE(Print());
    EXPECT_EQ(events, (QStringList{S("start 2 0"), S("step 2 1"), S("step 2 2"), S("step 2 3"),
                                   S("stop 2 0")}));
    EXPECT_EQ(shown, (QStringList{QString(), S("Printing page 1"), S("Printing page 2")}));
    EXPECT_EQ(ProgressWindow(report), nullptr) << "the stop frees the window";
    EXPECT_TRUE(owner.isEnabled());
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Ended);
}

TEST_F(PrintJob, WithoutShowProgressPrintingShowsNoWindowButFiresTheEvents) {
    pages->AddA4(2);
    report.SetShowProgress(false);
    int steps = 0;
    report.OnProgress = [&](TfrxReport*, int, int) {
        ++steps;
        EXPECT_EQ(ProgressWindow(report), nullptr);
    };
    ASSERT_TRUE(Print());
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(SheetCount(), 2);
}

// Cancel pressed in the progress window while the window system's events are processed after
// a page (the moment a user's click is seen): nothing more is drawn, the document is dropped,
// the run ends as usual.
struct CancelCase {
    const char* name;
    TfrxPrintMode mode;
    int pageCount;
    int paper;   // A4, A6 or A3 landscape (8)
    int copies;
    bool collate;
    bool reverse;
    int cancelAtRender; // Cancel is pressed after this many pages were drawn
    std::vector<int> drawn;
};

void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.name; }

class CancelFromTheWindow : public PrintJob, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelFromTheWindow, StopsBeforeTheNextPageAndLeavesNoDocument) {
    const CancelCase& c = GetParam();
    for (int i = 0; i < c.pageCount; ++i) {
        if (c.paper == A6)
            pages->Add(DMPAPER_USER, poPortrait, 105, 148);
        else if (c.paper == 8)
            pages->Add(8, poLandscape);
        else
            pages->Add(c.paper);
    }
    options().SetPrintMode(c.mode);
    options().SetPrintOnSheet(A4);
    options().SetCopies(c.copies);
    options().SetCollate(c.collate);
    options().SetReverse(c.reverse);
    options().SetPageNumbers(S("1-"));
    QWidget owner;
    owner.show();
    QApplication::setActiveWindow(&owner);
    int afterPrint = 0;
    report.OnAfterPrintReport = [&](TfrxReport*) { ++afterPrint; };
    int renders = 0;
    bool pressed = false;
    pages->OnRender = [&](int) {
        if (++renders != c.cancelAtRender)
            return;
        QTimer::singleShot(0, [&] {
            TfrxProgress* w = ProgressWindow(report);
            ASSERT_NE(w, nullptr);
            ASSERT_TRUE(w->CancelB()->isVisible());
            QTest::mouseClick(w->CancelB(), Qt::LeftButton);
            pressed = true;
        });
    };

    EXPECT_TRUE(Print()) << "cancelled by the user, not failed";
    EXPECT_TRUE(pressed);
    EXPECT_EQ(pages->DrawnPages(), c.drawn);
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Aborted);
    EXPECT_FALSE(service->Documents()[0].Ended);
    EXPECT_FALSE(frxPrinters()->CurrentPrinter()->Printing());
    EXPECT_EQ(afterPrint, 1);
    EXPECT_EQ(ProgressWindow(report), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    // The options are as they were before the run.
    EXPECT_EQ(options().Copies(), c.copies);
    EXPECT_EQ(options().Collate(), c.collate);
    EXPECT_EQ(options().PageNumbers(), S("1-"));
    EXPECT_EQ(pages->CopyNo, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CancelFromTheWindow,
    ::testing::Values(
        CancelCase{"AfterPageTwo", pmDefault, 5, A4, 1, true, false, 2, {1, 2}},
        CancelCase{"AfterPageTwoOfThreeCollatedCopies", pmDefault, 5, A4, 3, true, false, 2,
                   {1, 2}},
        CancelCase{"AfterPageTwoUncollated", pmDefault, 5, A4, 3, false, false, 2, {1, 2}},
        CancelCase{"AfterPageTwoInReverse", pmDefault, 5, A4, 1, true, true, 2, {5, 4}},
        CancelCase{"AfterPageTwoScaled", pmScale, 5, A4, 1, true, false, 2, {1, 2}},
        CancelCase{"AfterASplitPage", pmSplit, 3, 8, 1, true, false, 2, {1, 1}},
        CancelCase{"AfterAJoinedSheet", pmJoin, 8, A6, 1, true, false, 1, {1, 2, 3, 4}},
        CancelCase{"BetweenTwoCopies", pmDefault, 2, A4, 2, true, false, 2, {1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

class MalformedPageNumbers : public PrintJob, public ::testing::WithParamInterface<const char*> {};

TEST_P(MalformedPageNumbers, RaiseTheConversionErrorBeforeAnythingIsPrinted) {
    pages->AddA4(3);
    options().SetPageNumbers(S(GetParam()));
    options().SetCopies(2);
    int afterPrint = 0;
    report.OnAfterPrintReport = [&](TfrxReport*) { ++afterPrint; };
    try {
        Print();
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.Message().endsWith(S("is not a valid integer value")))
            << e.Message().toStdString();
    }
    EXPECT_TRUE(service->Documents().isEmpty());
    EXPECT_EQ(Count(RecordingPrintService::Kind::ResetDevice), 0);
    EXPECT_TRUE(pages->Renders.empty());
    EXPECT_EQ(afterPrint, 1);
    EXPECT_EQ(options().PageNumbers(), S(GetParam()));
    EXPECT_EQ(options().Copies(), 2);
}

INSTANTIATE_TEST_SUITE_P(Texts, MalformedPageNumbers,
                         ::testing::Values("1,,3", "a-b", "99999999999"));

class SheetWithoutSize : public PrintJob, public ::testing::WithParamInterface<TfrxPrintMode> {};

TEST_P(SheetWithoutSize, IsRefusedWithTheModeNamed) {
    pages->AddA4(2);
    options().SetPrintMode(GetParam());
    options().SetPrintOnSheet(DMPAPER_USER);
    bool printReport = false;
    report.OnPrintReport = [&](TfrxReport*) { printReport = true; };
    const QString mode = frxGet(GetParam() == pmSplit  ? S("pmSplit")
                                : GetParam() == pmJoin ? S("pmJoin")
                                                       : S("pmScale"));
    try {
        Print();
        FAIL() << "printed on a sheet of no size";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(),
                  S("The print mode \"%1\" needs a sheet of known size: choose a paper under "
                    "\"Print on sheet\"")
                      .arg(mode));
    }
    EXPECT_TRUE(service->Documents().isEmpty());
    EXPECT_FALSE(printReport);
    EXPECT_EQ(options().PrintOnSheet(), DMPAPER_USER);
}

INSTANTIATE_TEST_SUITE_P(Modes, SheetWithoutSize, ::testing::Values(pmSplit, pmJoin, pmScale));

TEST_F(PrintJob, AnErrorWhileDrawingDropsTheDocumentAndRestoresTheOptions) {
    pages->AddA4(3);
    pages->OnRender = [](int index) {
        if (index == 1)
            throw platform::Error(S("The page cannot be drawn"));
    };
    options().SetCopies(0);
    int afterPrint = 0;
    report.OnAfterPrintReport = [&](TfrxReport*) { ++afterPrint; };
    try {
        Print();
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), S("The page cannot be drawn"));
    }
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Aborted);
    EXPECT_FALSE(frxPrinters()->CurrentPrinter()->Printing());
    EXPECT_EQ(afterPrint, 1);
    EXPECT_EQ(options().Copies(), 0);
}

TEST_F(PrintJob, EventsOptionsAndThePrinterNamedByTheOptions) {
    pages->AddA4(2);
    options().SetPrinter(S("p2"));
    options().SetCopies(0); // printed as one copy, kept as it was
    QStringList events;
    report.OnPrintReport = [&](TfrxReport*) { events << S("report"); };
    report.OnPrintPage = [&](TfrxReportPage* page, int copyNo) {
        events << S("page%1/%2").arg(pages->Pages[0].get() == page ? 1 : 2).arg(copyNo);
    };
    report.OnAfterPrintReport = [&](TfrxReport*) { events << S("after"); };
    report.OnProgressStart = [&](TfrxReport*, int kind, int) {
        events << S("start%1").arg(kind);
    };
    report.OnProgressStop = [&](TfrxReport*, int kind, int) { events << S("stop%1").arg(kind); };
    report.ReportOptions()->SetName(S("Worksheet"));
    ASSERT_TRUE(Print());
    EXPECT_EQ(events, (QStringList{S("report"), S("start2"), S("page1/1"), S("page2/1"),
                                   S("stop2"), S("after")}));
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_EQ(service->Documents()[0].Printer, S("P2"));
    EXPECT_EQ(service->Documents()[0].Title, S("Worksheet"));
    EXPECT_EQ(SheetCount(), 2);
    EXPECT_EQ(options().Copies(), 0);
    EXPECT_EQ(pages->CopyNo, 0);
    // Printing keeps no page alive from one sheet to the next.
    EXPECT_GE(pages->CacheClears, 3);
}

TEST_F(PrintJob, WithoutInstalledPrintersNothingIsAttempted) {
    service = UseRecordingPrinters({});
    pages = std::make_unique<RecordedPages>(service.get());
    pages->AddA4(1);
    bool printReport = false;
    report.OnPrintReport = [&](TfrxReport*) { printReport = true; };
    QString title, text;
    OnNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    EXPECT_FALSE(Print());
    EXPECT_EQ(title, S("Error"));
    EXPECT_EQ(text, S("No printers installed on your system"));
    EXPECT_FALSE(printReport);
    EXPECT_TRUE(pages->Renders.empty());
}

TEST_F(PrintJob, ADialogCancelledChangesNothing) {
    pages->AddA4(1);
    options().SetShowDialog(true);
    options().SetCopies(4);
    TfrxPrintJob job(report, *pages);
    job.ExecuteDialog = [](TfrxPrintDialog& dialog) {
        dialog.UpDown1->SetPosition(2);
        return dialog.FormHide(QDialog::Rejected) == QDialog::Accepted;
    };
    EXPECT_FALSE(job.Print());
    EXPECT_EQ(options().Copies(), 4);
    EXPECT_TRUE(service->Documents().isEmpty());
}

TEST_F(PrintJob, DialogChoicesLastForOneRunAndItsDuplexReplacesThePages) {
    pages->AddA4(3);
    options().SetShowDialog(true);
    TfrxPrintJob job(report, *pages);
    job.ExecuteDialog = [](TfrxPrintDialog& dialog) {
        dialog.FormShow();
        dialog.UpDown1->SetPosition(2);
        dialog.CollateCB->setChecked(false);
        dialog.PageNumbersRB->setChecked(true);
        dialog.PageNumbersE->setText(S("2-3"));
        dialog.DuplexCB->setCurrentIndex(3); // simplex
        return dialog.FormHide(QDialog::Accepted) == QDialog::Accepted;
    };
    EXPECT_TRUE(job.Print());
    EXPECT_EQ(PagesPerSheet(), (Sheets{{2}, {3}}));
    ASSERT_FALSE(SetUps().isEmpty());
    EXPECT_EQ(SetUps()[0].Copies, 2);
    EXPECT_TRUE(SetUps()[0].Fields & DeviceMode::FieldDuplex);
    EXPECT_EQ(SetUps()[0].Duplex, DeviceMode::DuplexSimplex);
    EXPECT_EQ(options().Copies(), 1);
    EXPECT_TRUE(options().Collate());
    EXPECT_TRUE(options().PageNumbers().isEmpty());
}

} // namespace

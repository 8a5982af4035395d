// Page selection and piece layouts of a print run, without a printer.

#include "TestSupport.h"

#include "platform/Error.h"
#include "print/frxPrintLayout.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

struct SelectionCase {
    const char* name;
    const char* text;
    int pageCount;
    std::vector<int> pages;
};

class PageSelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(PageSelection, SelectsThePages) {
    const SelectionCase& c = GetParam();
    TfrxPageSelection selection;
    selection.Parse(S(c.text), c.pageCount);
    EXPECT_EQ(selection.Pages(), c.pages);
    EXPECT_EQ(selection.All(), QString::fromUtf8(c.text).trimmed().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PageSelection,
    ::testing::Values(
        SelectionCase{"EmptySelectsAll", "", 4, {1, 2, 3, 4}},
        SelectionCase{"BlanksOnlySelectAll", "   ", 3, {1, 2, 3}},
        SelectionCase{"ListAndRange", "1,3,5-12", 20, {1, 3, 5, 6, 7, 8, 9, 10, 11, 12}},
        SelectionCase{"BlanksIgnoredAnywhere", "2 - 4", 10, {2, 3, 4}},
        SelectionCase{"BlanksInsideNumbers", "1 0, 1", 20, {1, 10}},
        SelectionCase{"OpenRangeToTheLastPage", "7-", 10, {7, 8, 9, 10}},
        SelectionCase{"DescendingRangeSelectsNothing", "5-3", 10, {}},
        SelectionCase{"ZeroSelectsNothing", "0", 10, {}},
        SelectionCase{"AboveThePagesNeverMatch", "11,12-20", 10, {}},
        SelectionCase{"RangeClippedToThePages", "8-2000000000", 10, {8, 9, 10}},
        SelectionCase{"LeadingZerosAreTheSameNumber", "007,07", 10, {7}},
        SelectionCase{"OrderAndDuplicatesDoNotMatter", "3,1,3,2-3", 5, {1, 2, 3}},
        SelectionCase{"OpenRangeOfAnEmptyReport", "5-", 0, {}},
        SelectionCase{"SignedNumbersAreNumbers", "+2", 5, {2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageSelection, TextThatSelectsNothingIsNotEveryPage) {
    TfrxPageSelection selection;
    selection.Parse(S("0"), 3);
    EXPECT_FALSE(selection.All());
    EXPECT_FALSE(selection.Contains(1));
    selection.Parse(QString(), 3);
    EXPECT_TRUE(selection.All());
    EXPECT_TRUE(selection.Contains(3));
    EXPECT_FALSE(selection.Contains(4));
}

struct BadCase {
    const char* text;
    const char* message;
};

class PageSelectionErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(PageSelectionErrors, RaiseTheConversionError) {
    TfrxPageSelection selection;
    try {
        selection.Parse(S(GetParam().text), 10);
        FAIL() << "no error for " << GetParam().text;
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), S(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PageSelectionErrors,
    ::testing::Values(BadCase{"1,,3", "'' is not a valid integer value"},
                      BadCase{"a-b", "'a' is not a valid integer value"},
                      BadCase{"3-b", "'b' is not a valid integer value"},
                      BadCase{"99999999999", "'99999999999' is not a valid integer value"},
                      BadCase{"-", "'' is not a valid integer value"},
                      BadCase{"2--4", "'' is not a valid integer value"},
                      BadCase{"1;2", "'1;2' is not a valid integer value"},
                      BadCase{",", "'' is not a valid integer value"}));

// --- pieces ------------------------------------------------------------------------------------

struct PiecesCase {
    const char* name;
    long double a, b;
    int pieces;
};

class Pieces : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(Pieces, Count) {
    EXPECT_EQ(CountPieces(GetParam().a, GetParam().b), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, Pieces,
    ::testing::Values(PiecesCase{"Exact", 420, 210, 2}, PiecesCase{"Equal", 297, 297, 1},
                      PiecesCase{"WithinTheToleranceRoundsDown", 220, 210, 1},
                      PiecesCase{"JustBeyondTheToleranceTakesOneMore", 221, 210, 2},
                      PiecesCase{"ShortOfTheToleranceRoundsUp", 410, 210, 2},
                      PiecesCase{"FarBeyondTakesOneMore", 297, 210, 2},
                      PiecesCase{"ThreeRowsOfA6", 297, 105, 3},
                      PiecesCase{"TwoRowsOfA6Tall", 297, 148, 2},
                      // 2.5 pieces within the tolerance: halves round to even.
                      PiecesCase{"HalfRoundsToEven", 25, 10, 2},
                      PiecesCase{"TinyPageStillOnePiece", 5, 210, 1},
                      PiecesCase{"ZeroSheetIsOnePiece", 210, 0, 1},
                      PiecesCase{"NegativeIsOnePiece", -5, 210, 1},
                      PiecesCase{"HugeIsBounded", 1e30L, 1, 10000}),
    [](const auto& info) { return std::string(info.param.name); });

struct LayoutCase {
    const char* name;
    long double aw, ah, bw, bh;
    TfrxPieceLayout layout;
};

class PieceLayouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PieceLayouts, Choose) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(ChoosePieceLayout(c.aw, c.ah, c.bw, c.bh), c.layout);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, PieceLayouts,
    ::testing::Values(
        // A3 landscape on A4: two portrait sheets side by side; turned would need four.
        LayoutCase{"A3LandscapeOnA4", 420, 297, 210, 297, {2, 1, false}},
        LayoutCase{"A3PortraitOnA4", 297, 420, 210, 297, {1, 2, true}},
        LayoutCase{"SlightlyWideOnA4", 220, 297, 210, 297, {1, 1, false}},
        LayoutCase{"TiesKeepTheFirst", 297, 297, 210, 297, {2, 1, false}},
        // Joining: the sheet is cut into page-sized cells.
        LayoutCase{"A4IntoA6", 210, 297, 105, 148, {2, 2, false}},
        LayoutCase{"A4IntoA5", 210, 297, 148, 210, {1, 2, true}}),
    [](const auto& info) { return std::string(info.param.name); });

struct JoinCase {
    const char* name;
    long double pw, ph;
    TfrxPieceLayout layout;
};

class JoinLayouts : public ::testing::TestWithParam<JoinCase> {};

// Cells on an A4 sheet (210 x 297); for a turned sheet cols run along its long side.
TEST_P(JoinLayouts, OnA4) {
    const JoinCase& c = GetParam();
    EXPECT_EQ(ChooseJoinLayout(210, 297, c.pw, c.ph), c.layout);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, JoinLayouts,
    ::testing::Values(JoinCase{"A6TwoByTwo", 105, 148, {2, 2, false}},
                      JoinCase{"A5SideBySideOnALandscapeSheet", 148, 210, {2, 1, true}},
                      JoinCase{"A7FourByTwoOnALandscapeSheet", 74, 105, {4, 2, true}},
                      // Counted as pieces, a Letter page would get a second row starting
                      // 279 mm down an A4 sheet, nearly all of it off the paper.
                      JoinCase{"LetterOnePerSheet", 215.9L, 279.4L, {1, 1, false}},
                      JoinCase{"A4OnePerSheet", 210, 297, {1, 1, false}},
                      JoinCase{"A3StillOneCell", 297, 420, {1, 1, false}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

#include "TestSupport.h"
#include "WorksheetSettings.h"

#include "common/U_Common.h"
#include "platform/GbkCodec.h"
#include "worksheet/ProblemGenerator.h"
#include "worksheet/Worksheet.h"

#include <gtest/gtest.h>

using namespace worksheet;

namespace {

WorksheetSettings Sheet(int n, int type, bool answers) { return SheetSettings(n, type, 1, answers); }

QByteArray G(const char* utf8) { return platform::Gbk(utf8); }

} // namespace

TEST(Worksheet, HeaderRowsHaveTheirExactTexts) {
    Worksheet w;
    w.GenerateWorksheet(Sheet(30, 0, false));
    EXPECT_TRUE(w.TitleBold());
    EXPECT_EQ(w.SheetTable(0, 0), G("数 学 运 算 练 习"));
    for (int c = 1; c < 5; ++c)
        EXPECT_TRUE(w.SheetTable(c, 0).isEmpty());
    EXPECT_EQ(w.SheetTable(0, 1), G("题目数：30"));
    EXPECT_EQ(w.SheetTable(1, 1), G("姓名:       "));
    EXPECT_EQ(w.SheetTable(2, 1), G("     年级     班级"));
    EXPECT_EQ(w.SheetTable(3, 1), G("用时:       "));
    EXPECT_EQ(w.SheetTable(4, 1), G("得分:       "));
}

TEST(Worksheet, SlotsFillRowsLeftToRightAndLinesEndInALoneCarriageReturn) {
    Worksheet w;
    w.GenerateWorksheet(Sheet(10, 0, true));
    for (int slot = 1; slot <= 10; ++slot) {
        const int r = (slot - 1) / 5, c = (slot - 1) % 5;
        EXPECT_EQ(w.SheetTable(c, r + 2), w.AnswerText(slot));
        EXPECT_EQ(w.ColumnLine(c, r), w.AnswerText(slot) + "    \r");
        EXPECT_TRUE(w.QuestionText(slot).endsWith(" = "));
        EXPECT_TRUE(w.AnswerText(slot).startsWith(w.QuestionText(slot)));
    }
    for (int row = 4; row < 22; ++row)
        for (int c = 0; c < 5; ++c)
            EXPECT_TRUE(w.SheetTable(c, row).isEmpty()) << c << "," << row;
    EXPECT_EQ(w.ColumnText(1), w.ColumnLine(0, 0) + w.ColumnLine(0, 1));
    EXPECT_EQ(w.ColumnText(1).count('\r'), 2);
    EXPECT_FALSE(w.ColumnText(1).contains('\n'));

    w.RefillWorksheet(false);
    EXPECT_EQ(w.SheetTable(2, 2), w.QuestionText(3));
    EXPECT_EQ(w.ColumnLine(2, 0), w.QuestionText(3) + "         \r");
}

TEST(Worksheet, RefillRestoresExactlyWhatAGenerationWithAnswersGives) {
    Worksheet w;
    w.GenerateWorksheet(Sheet(100, 7, true));
    std::vector<QByteArray> cells, columns;
    for (int row = 0; row < 22; ++row)
        for (int c = 0; c < 5; ++c)
            cells.push_back(w.SheetTable(c, row));
    for (int k = 1; k <= 5; ++k)
        columns.push_back(w.ColumnText(k));

    w.RefillWorksheet(false);
    EXPECT_NE(w.ColumnText(1), columns[0]);
    w.RefillWorksheet(true);
    std::size_t i = 0;
    for (int row = 0; row < 22; ++row)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(w.SheetTable(c, row), cells[i++]);
    for (int k = 1; k <= 5; ++k) {
        EXPECT_EQ(w.ColumnText(k), columns[k - 1]);
        EXPECT_EQ(w.ColumnText(k).count('\r'), 20);
    }
}

TEST(Worksheet, ShorterSheetAfterALongOneShowsOnlyItsOwnSlots) {
    Worksheet w;
    w.GenerateWorksheet(Sheet(100, 0, false));
    const QByteArray oldSlot50 = w.AnswerText(50);
    w.GenerateWorksheet(Sheet(20, 0, false));
    EXPECT_EQ(w.SheetTable(0, 1), G("题目数：20"));
    for (int row = 6; row < 22; ++row)
        for (int c = 0; c < 5; ++c)
            EXPECT_TRUE(w.SheetTable(c, row).isEmpty());
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(w.ColumnText(k).count('\r'), 4);
    EXPECT_EQ(w.AnswerText(50), oldSlot50) << "texts of unused slots are left alone";
}

TEST(Worksheet, MixedAdditionAndSubtractionAlternateBySlotAcrossSheets) {
    U_Common::AddSubToggle = 1;
    Worksheet w;
    for (int sheet = 0; sheet < 2; ++sheet) {
        w.GenerateWorksheet(Sheet(10, 4, false));
        for (int slot = 1; slot <= 10; ++slot) {
            const QByteArray& q = w.QuestionText(slot);
            EXPECT_TRUE(q.contains(slot % 2 ? " - " : " + ")) << sheet << ": " << q.constData();
        }
        EXPECT_EQ(U_Common::AddSubToggle, 1);
    }
}

TEST(Worksheet, MixedMultiplicationAndDivisionAlternate) {
    U_Common::MulDivToggle = 3;
    Worksheet w;
    w.GenerateWorksheet(Sheet(20, 5, false));
    for (int slot = 1; slot <= 20; ++slot) {
        const QByteArray& q = w.QuestionText(slot);
        EXPECT_TRUE(q.contains(slot % 2 ? QByteArray(" \xA1\xC2 ") : QByteArray(" x ")))
            << q.constData();
    }
}

#include "TestSupport.h"
#include "WorksheetSettings.h"

#include "common/U_Common.h"
#include "platform/GbkCodec.h"
#include "worksheet/U_Shengcheng.h"

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace grid;

namespace {

class WorksheetWindow : public ::testing::Test {
protected:
    Tfrm_Shengcheng window;

    void SetUp() override {
        StartWorksheetSettings(10, 7, 2);
    }
    // One modal showing, during which `during` runs.
    void ShowOnce(const std::function<void()>& during = {}) {
        QTimer::singleShot(0, [&] {
            if (during)
                during();
            window.btn_Frm2exit->click();
        });
        window.ShowModal();
    }
    void ExpectTitleMerged() {
        for (int col = 0; col < 5; ++col) {
            const TGridCoord base = window.asg->BaseCellOf(col, 0);
            EXPECT_EQ(base.X, 0);
            EXPECT_EQ(base.Y, 0);
        }
        EXPECT_EQ(window.asg->MergedCellRect(0, 0).Width(), 750);
    }
};

} // namespace

TEST_F(WorksheetWindow, CreationMergesTheTitleRowAndSetsTheGridUp) {
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("按需生成的题"));
    EXPECT_EQ(window.asg->ColCount(), 5);
    EXPECT_EQ(window.asg->RowCount(), 22);
    EXPECT_EQ(window.asg->geometry(), QRect(0, 0, 755, 577));
    ExpectTitleMerged();
    EXPECT_TRUE(window.btn_print->isEnabled());
    EXPECT_EQ(window.btn_print->text(), QString::fromUtf8("打印预览"));
    EXPECT_EQ(window.btn_reset->text(), QString::fromUtf8("重新生成"));
}

TEST_F(WorksheetWindow, ShowingGeneratesAndTogglingAnswersDrawsNothingNew) {
    U_Common::Settings().ShowAnswers = true;
    ShowOnce([&] {
        EXPECT_TRUE(window.chk_showall->isChecked());
        const QByteArray withAnswer = window.asg->GetCellText(0, 2);
        EXPECT_EQ(withAnswer, window.Sheet().AnswerText(1));
        EXPECT_FALSE(withAnswer.endsWith(" = "));
        window.chk_showall->click();
        EXPECT_EQ(window.asg->GetCellText(0, 2), window.Sheet().QuestionText(1));
        EXPECT_TRUE(window.asg->GetCellText(0, 2).endsWith(" = "));
        window.chk_showall->click();
        EXPECT_EQ(window.asg->GetCellText(0, 2), withAnswer);
        EXPECT_TRUE(U_Common::Settings().ShowAnswers) << "the settings stay unchanged";
    });
}

TEST_F(WorksheetWindow, RegeneratingRestoresTheCheckBoxFromTheSettings) {
    U_Common::Settings().ShowAnswers = true;
    ShowOnce([&] {
        window.chk_showall->click();
        EXPECT_FALSE(window.chk_showall->isChecked());
        auto allAnswers = [&] {
            QByteArray all;
            for (int slot = 1; slot <= 10; ++slot)
                all += window.Sheet().AnswerText(slot) + '|';
            return all;
        };
        const QByteArray before = allAnswers();
        window.btn_reset->click();
        EXPECT_NE(allAnswers(), before) << "a new set was drawn";
        EXPECT_TRUE(window.chk_showall->isChecked());
        EXPECT_EQ(window.asg->GetCellText(0, 2), window.Sheet().AnswerText(1));
        EXPECT_FALSE(window.asg->GetCellText(0, 2).endsWith(" = "));
    });
}

TEST_F(WorksheetWindow, TitleStaysOneBoldCellAndUnusedRowsStayEmpty) {
    for (int i = 0; i < 3; ++i)
        ShowOnce([&] {
            for (int j = 0; j < 5; ++j)
                window.btn_reset->click();
        });
    ExpectTitleMerged();
    EXPECT_EQ(window.asg->GetCellText(3, 0), platform::Gbk("数 学 运 算 练 习"));
    ASSERT_TRUE(window.asg->HasCellProperties(0, 0));
    EXPECT_TRUE(window.asg->GetCellProperties(0, 0)->FontStyle.testFlag(TFontStyle::fsBold));
    EXPECT_EQ(window.asg->GetCellText(0, 1), platform::Gbk("题目数：10"));
    for (int row = 4; row < 22; ++row)
        for (int col = 0; col < 5; ++col)
            EXPECT_TRUE(window.asg->GetCellText(col, row).isEmpty()) << col << "," << row;
}

TEST_F(WorksheetWindow, OnlyTheTitleIsCentred) {
    struct Case {
        int row, col;
        TAlignment h;
    } cases[] = {{0, 0, taCenter}, {1, 0, taRightJustify}, {2, 3, taRightJustify}, {21, 4, taRightJustify}};
    for (const Case& c : cases) {
        TAlignment h = taLeftJustify;
        TVAlignment v = vtaTop;
        window.asg->OnGetAlignment(window.asg, c.row, c.col, h, v);
        EXPECT_EQ(h, c.h) << c.row << "," << c.col;
        EXPECT_EQ(v, vtaCenter);
    }
}

TEST_F(WorksheetWindow, MergeEqualCellsMergesMaximalRunsOnly) {
    window.asg->SetCellText(0, 5, "a");
    window.asg->SetCellText(1, 5, "a");
    window.asg->SetCellText(2, 5, "b");
    window.asg->SetCellText(3, 5, "c");
    window.asg->SetCellText(4, 5, "c");
    window.MergeEqualCells(5, 5);
    EXPECT_EQ(window.asg->BaseCellOf(1, 5).X, 0);
    EXPECT_EQ(window.asg->BaseCellOf(2, 5).X, 2);
    EXPECT_EQ(window.asg->BaseCellOf(4, 5).X, 3);
    // Rows beyond the grid or a reversed range do nothing.
    window.MergeEqualCells(23, 23);
    window.MergeEqualCells(7, 6);
    EXPECT_EQ(window.asg->BaseCellOf(1, 7).X, 1);
}

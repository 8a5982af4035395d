#include "TestSupport.h"
#include "EngineParts.h"

#include "common/U_Common.h"
#include "app/U_man.h"
#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "worksheet/U_Shengcheng.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) { return ReadFileBytes(path); }

void WriteAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(WriteFileBytes(path, bytes));
}

QByteArray Line(const char* key, const char* value) {
    return platform::Gbk(key) + '=' + value + "\r\n";
}

QString U(const char* s) { return QString::fromUtf8(s); }

// Picks an item as the user does: the change handler runs.
void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

class MainWindow : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("SystemConfig.ini"));
    std::unique_ptr<TF_man> form = std::make_unique<TF_man>();
    std::unique_ptr<Tfrm_Shengcheng> sheet = std::make_unique<Tfrm_Shengcheng>();

    void Create() {
        form->SetWorksheetWindow(sheet.get());
        platform::Guarded([this] { form->FormCreate(path); });
    }
    // Presses the generate button; a timer closes the worksheet window once it is up and
    // records what the main window showed meanwhile.
    void Generate(QString* captionMeanwhile = nullptr, bool* enabledMeanwhile = nullptr) {
        QTimer::singleShot(0, [&] {
            if (captionMeanwhile)
                *captionMeanwhile = form->B_Shengcheng->text();
            if (enabledMeanwhile)
                *enabledMeanwhile = form->B_Shengcheng->isEnabled();
            sheet->btn_Frm2exit->click();
        });
        form->B_Shengcheng->click();
    }
};

} // namespace

TEST_F(MainWindow, ControlsTextsAndPlaces) {
    EXPECT_EQ(form->windowTitle(), U("Sumwell V1.4 By Tarnwick Quill版"));
    EXPECT_EQ(form->CB_Tishu->count(), 10);
    EXPECT_EQ(form->CB_Tishu->itemText(9), U("100"));
    for (QComboBox* list : {form->CB_Jieguohe, form->CB_Shuzhi1, form->CB_Shuzhi2}) {
        ASSERT_EQ(list->count(), 15);
        EXPECT_EQ(list->itemText(10), U("150"));
        EXPECT_EQ(list->itemText(14), U("1000"));
        EXPECT_FALSE(list->isEditable());
    }
    const QStringList types = {U("加+"),        U("减-"),        U("乘x"),
                               U("除÷"),        U("加减混合+-"), U("乘除混合x÷"),
                               U("加减乘混合+-x"), U("加减乘除混合+-x÷")};
    for (int i = 0; i < types.size(); ++i)
        EXPECT_EQ(form->CB_Tixing->itemText(i), types[i]);
    EXPECT_EQ(form->CB_Tixing->currentIndex(), 4);
    EXPECT_EQ(form->CB_Xiaoshuwei->count(), 4);
    EXPECT_EQ(form->B_Shengcheng->text(), U("生  成"));
    EXPECT_EQ(form->B_Exit->text(), U("退  出"));
    EXPECT_TRUE(form->ChB_Save->isChecked());
    EXPECT_FALSE(form->ChB_Save->isEnabled());
    EXPECT_FALSE(form->ChB_Show->isChecked());
    EXPECT_EQ(form->CB_Tishu->geometry(), QRect(96, 32, 81, 21));
    EXPECT_EQ(form->B_Exit->geometry(), QRect(328, 168, 75, 25));
    EXPECT_EQ(form->M_txt->geometry(), QRect(24, 208, 401, 185));
    const QStringList notes = form->M_txt->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(notes.size(), 10);
    EXPECT_EQ(notes[1], U("1,本程序为小学生四则运算随机出题使用 "));
    EXPECT_EQ(notes[5], U("3,在使用过程中如有问题请与我联系"));
    EXPECT_FALSE(form->M_txt->isEnabled());
    // Tab order runs through the lists, the buttons and the check boxes as designed.
    const QList<QWidget*> order = {form->CB_Tishu,   form->CB_Jieguohe,  form->CB_Shuzhi1,
                                   form->CB_Shuzhi2, form->CB_Tixing,    form->CB_Xiaoshuwei,
                                   form->B_Shengcheng, form->ChB_Save, form->ChB_Show,
                                   form->B_Exit,     form->M_txt};
    QList<QWidget*> chain;
    for (QWidget* w = form->CB_Tishu; chain.size() < order.size(); w = w->nextInFocusChain())
        if (order.contains(w))
            chain << w;
    EXPECT_EQ(chain, order);
}

TEST_F(MainWindow, FirstStartWritesTheInitialChoices) {
    Create();
    EXPECT_EQ(ReadAll(path), QByteArray("[Config]\r\n") + Line("结果", "0") + Line("题数", "0") +
                                 Line("数字1范围", "0") + Line("数字2范围", "0") +
                                 Line("题型", "4") + Line("小数点", "0") + Line("显示结果", "0"));
    EXPECT_EQ(U_Common::SettingsPath(), path);
    EXPECT_EQ(U_Common::AddSubToggle, 1);
    EXPECT_EQ(U_Common::MulDivToggle, 3);
}

TEST_F(MainWindow, LoadingReadsEveryKeyWithItsDefault) {
    WriteAll(path, QByteArray("[Config]\r\n") + Line("结果", "0x5") + Line("题数", "5abc") +
                       Line("数字1范围", "14") + Line("数字2范围", "0X2") + Line("小数点", "3") +
                       Line("显示结果", "2"));
    Create();
    EXPECT_EQ(form->CB_Tishu->currentIndex(), 5);
    EXPECT_EQ(form->CB_Jieguohe->currentIndex(), 0);
    EXPECT_EQ(form->CB_Shuzhi1->currentIndex(), 14);
    EXPECT_EQ(form->CB_Shuzhi2->currentIndex(), 2);
    EXPECT_EQ(form->CB_Tixing->currentIndex(), 0) << "a missing type loads as 0, not 4";
    EXPECT_EQ(form->CB_Xiaoshuwei->currentIndex(), 3);
    EXPECT_TRUE(form->ChB_Show->isChecked());
    // Loading the check state ran its click handler, which wrote the value back as "1".
    EXPECT_TRUE(ReadAll(path).contains(Line("显示结果", "1")));
}

TEST_F(MainWindow, WordValueLeavesAnswersOff) {
    WriteAll(path, QByteArray("[Config]\r\n") + Line("显示结果", "True"));
    Create();
    EXPECT_FALSE(form->ChB_Show->isChecked());
    EXPECT_TRUE(ReadAll(path).contains(Line("显示结果", "True"))) << "nothing wrote it back";
}

TEST_F(MainWindow, ChangingOneListRewritesOnlyItsKey) {
    Create();
    const QByteArray before = ReadAll(path);
    Choose(form->CB_Xiaoshuwei, 2);
    QByteArray expected = before;
    expected.replace(Line("小数点", "0"), Line("小数点", "2"));
    EXPECT_EQ(ReadAll(path), expected);
    form->CB_Tishu->setCurrentIndex(9); // by the program: no handler, no write
    EXPECT_EQ(ReadAll(path), expected);
    form->ChB_Show->setChecked(true); // the check box's handler follows every change
    EXPECT_TRUE(ReadAll(path).contains(Line("显示结果", "1")));
}

TEST_F(MainWindow, ChoiceSurvivesARestart) {
    Create();
    Choose(form->CB_Tishu, 9);
    form = std::make_unique<TF_man>();
    Create();
    EXPECT_EQ(form->CB_Tishu->currentIndex(), 9);
    EXPECT_EQ(form->CB_Tishu->currentText(), U("100"));
}

TEST_F(MainWindow, GeneratingWritesAllKeysCollectsSettingsAndShowsTheSheet) {
    Create();
    form->CB_Tishu->setCurrentIndex(2);     // 30 problems
    form->CB_Jieguohe->setCurrentIndex(11); // up to 200
    form->CB_Shuzhi1->setCurrentIndex(3);
    form->CB_Shuzhi2->setCurrentIndex(1);
    form->CB_Tixing->setCurrentIndex(7);
    form->CB_Xiaoshuwei->setCurrentIndex(1);
    QString caption;
    bool enabled = true;
    Generate(&caption, &enabled);
    EXPECT_EQ(caption, U("生成中"));
    EXPECT_FALSE(enabled);
    EXPECT_EQ(form->B_Shengcheng->text(), U("生  成"));
    EXPECT_TRUE(form->B_Shengcheng->isEnabled());
    const QByteArray file = ReadAll(path);
    EXPECT_TRUE(file.contains(Line("结果", "2")));
    EXPECT_TRUE(file.contains(Line("题数", "11")));
    const WorksheetSettings& s = U_Common::Settings();
    EXPECT_EQ(s.ProblemCount, 30);
    EXPECT_EQ(s.ResultLimit, 200);
    EXPECT_EQ(s.Operand1Limit, 40);
    EXPECT_EQ(s.Operand2Limit, 20);
    EXPECT_EQ(s.ProblemType, 7);
    EXPECT_EQ(s.DecimalPlaces, 1);
    EXPECT_FALSE(s.ShowAnswers);
    EXPECT_EQ(sheet->Sheet().ProblemCount(), 30);
    EXPECT_EQ(sheet->asg->GetCellText(4, 7), sheet->Sheet().QuestionText(30));
}

TEST_F(MainWindow, ReadOnlySettingsFileStopsGenerationInTheErrorBox) {
    Create();
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        // Only the error box may be up; it is the real one.
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        opened = sheet->isVisible();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), U("Sumdrill"));
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->text(), U("Unable to write to ") + path + U("."));
        EXPECT_EQ(form->B_Shengcheng->text(), U("生  成")) << "the button is restored first";
        box->button(QMessageBox::Ok)->click();
    });
    form->B_Shengcheng->click();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(form->B_Shengcheng->isEnabled());
    EXPECT_EQ(form->B_Shengcheng->text(), U("生  成"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(MainWindow, ListWithoutSelectionFailsAfterWritingTheKeys) {
    WriteAll(path, QByteArray("[Config]\r\n") + Line("结果", "15") + Line("题型", "-3"));
    Create();
    EXPECT_EQ(form->CB_Tishu->currentIndex(), -1);
    EXPECT_EQ(form->CB_Tixing->currentIndex(), -1);
    CollectedErrors errors;
    form->B_Shengcheng->click();
    EXPECT_EQ(errors.texts, QStringList{U("'' is not a valid integer value.")});
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(ReadAll(path).contains(Line("结果", "-1")));
    EXPECT_TRUE(form->B_Shengcheng->isEnabled());
    // Choosing an item repairs the list; a type list without selection is no error.
    Choose(form->CB_Tishu, 0);
    Generate();
    EXPECT_EQ(errors.texts.size(), 1);
    EXPECT_EQ(U_Common::Settings().ProblemType, -1);
    for (int slot = 1; slot <= 10; ++slot)
        EXPECT_TRUE(sheet->Sheet().QuestionText(slot).contains(" + ")) << "treated as addition";
}

#include "preview/frxPreviewFiles.h"
#include "EngineParts.h"

#include "common/TestSupport.h"
#include "platform/CanvasRecording.h"
#include "platform/Error.h"
#include "PreparedPages.h"
#include "preview/frxPreviewForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace frxClass;

namespace {

QStringList RecordedText(TfrxPreviewPages& store, int index) {
    platform::RecordingCanvas canvas;
    store.RenderPage(index, &canvas, 1, 1, 0, 0);
    QStringList out;
    for (const platform::CanvasRecord* r : canvas.TextRecords())
        out << r->Text;
    return out;
}

// A preview window on a prepared report of three pages; the file dialogs answer what the test
// says, and errors are collected with the state of the preview when they were shown.
class PreviewFiles : public ::testing::Test {
protected:
    void SetUp() override {
        platform::Registry::Install(TfrxFileDialogs{
            [this](TfrxPreview*, const QString& filter) {
                filters << filter;
                return saveAnswer;
            },
            [this](TfrxPreview*, const QString& filter) {
                filters << filter;
                return openAnswer;
            }});
        platform::Registry::Install(platform::ErrorSink([this](const QString& text) {
            errors << text;
            thawedAtError << (!form->Preview()->Frozen() &&
                              !form->Preview()->MessagePanel()->isVisible());
        }));
        shown.report.PreviewOptions()->SetMaximized(false);
        shown.report.PreviewOptions()->SetButtons(TfrxPreviewButtons(frxDefaultPreviewButtons));
        form = OpenPreviewWindow(shown.report, shown.store);
    }
    void TearDown() override { form.reset(); }

    // Save and Open installed; the dialogs, errors and the rest put back after the test.
    startup::EngineScope files{startup::PreviewFiles};
    void Key(int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent e(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(form->Preview(), &e);
    }

    QTemporaryDir dir;
    Prepared shown{3};
    std::unique_ptr<TfrxPreviewForm> form;
    QString saveAnswer, openAnswer;
    QStringList filters, errors;
    QList<bool> thawedAtError;
};

} // namespace

TEST(PgxFileName, TheExtensionBecomesPgx) {
    struct Case {
        const char* chosen;
        const char* saved;
    } cases[] = {
        {"/tmp/report.txt", "/tmp/report.pgx"},
        {"/tmp/report", "/tmp/report.pgx"},
        {"/tmp/report.pgx", "/tmp/report.pgx"},
        {"/tmp/a.b/report", "/tmp/a.b/report.pgx"},
        {"/tmp/week 3.v2.pgx", "/tmp/week 3.v2.pgx"},
        {"/tmp/口算.PGX", "/tmp/口算.pgx"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frxPgxFileName(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.saved)) << c.chosen;
}

TEST_F(PreviewFiles, SaveAsTxtWritesPgxAndACancelledDialogChangesNothing) {
    saveAnswer = dir.filePath(QStringLiteral("report.txt"));
    form->SaveB->trigger();
    EXPECT_EQ(filters, QStringList{QStringLiteral("Prepared Report (*.pgx)")});
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("report.pgx"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("report.txt"))));
    EXPECT_FALSE(form->Preview()->Frozen());
    EXPECT_FALSE(form->Preview()->MessagePanel()->isVisible());

    saveAnswer.clear();
    Key(Qt::Key_S, Qt::ControlModifier);
    openAnswer.clear();
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(filters.size(), 3);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("report.pgx")});
    EXPECT_EQ(shown.store.PageCount(), 3);
    EXPECT_EQ(form->Preview()->PageNo(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PreviewFiles, ASavedWorksheetReopensAsTheSamePageWithItsName) {
    Prepared sheet(1);
    sheet.report.ReportOptions()->SetName(QStringLiteral("口算练习"));
    const QString path = dir.filePath(QStringLiteral("sheet.pgx"));
    sheet.store.WriteToFile(path);

    form->Preview()->GoToPage(3);
    // A hit shown on the pages before: it does not stay on the pages opened.
    form->Preview()->Workspace()->Search.Found = true;
    form->Preview()->Workspace()->Search.Page = 0;
    form->Preview()->FindNextAllowed = true;
    openAnswer = path;
    form->OpenB->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Page 1 of 1"));
    EXPECT_EQ(RecordedText(shown.store, 0), RecordedText(sheet.store, 0));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("口算练习"));
    EXPECT_FALSE(form->Preview()->MessagePanel()->isVisible());
    EXPECT_FALSE(form->Preview()->Workspace()->Search.Found);
    EXPECT_FALSE(form->Preview()->FindNextAllowed);

    // A file without a name gives the window its plain caption (Ctrl+O takes the same way).
    Prepared unnamed(2);
    unnamed.store.WriteToFile(path);
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(form->Preview()->PageCount(), 2);
}

TEST_F(PreviewFiles, FailuresAreShownAfterThePreviewThawed) {
    // A name typed into the dialog that is not there: nothing read, the pages stay.
    openAnswer = dir.filePath(QStringLiteral("missing.pgx"));
    form->Preview()->GoToPage(2);
    form->OpenB->trigger();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(shown.store.PageCount(), 3);
    EXPECT_EQ(form->Preview()->PageNo(), 1);

    // A folder that is not there: the store keeps its pages.
    saveAnswer = dir.filePath(QStringLiteral("no/such/x.pgx"));
    form->SaveB->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Cannot create file"))) << errors[0].toStdString();
    EXPECT_EQ(thawedAtError, QList<bool>{true});
    EXPECT_EQ(shown.store.PageCount(), 3);

    // Not a prepared report: the message, and an empty preview that still works.
    const QString bad = dir.filePath(QStringLiteral("bad.pgx"));
    ASSERT_TRUE(WriteFileBytes(bad, "<?xml version=\"1.0\"?><preparedreport><previewpages>"));
    openAnswer = bad;
    form->OpenB->trigger();
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[1], QStringLiteral("Invalid file format."));
    EXPECT_EQ(thawedAtError, (QList<bool>{true, true}));
    EXPECT_EQ(form->Preview()->PageNo(), 0);
    EXPECT_EQ(shown.store.PageCount(), 0);

    // ... and the next file opens in it.
    Prepared good(2);
    good.store.WriteToFile(bad);
    form->OpenB->trigger();
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(form->Preview()->PageCount(), 2);
    EXPECT_EQ(form->Preview()->PageNo(), 1);
}

TEST_F(PreviewFiles, WhatAFileCouldNotReadIsShownOnce) {
    Prepared p(1);
    const QString path = dir.filePath(QStringLiteral("odd.pgx"));
    p.store.WriteToFile(path);
    QByteArray bytes = ReadFileBytes(path);
    bytes.replace("<TfrxMemoView Name=\"Memo2\"", "<TfrxOddView Name=\"Memo2\"");
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    openAnswer = path;
    form->OpenB->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("The following error(s) have occured:\n"
                                        "Cannot find class m2\nCannot find class TfrxOddView."));
    EXPECT_EQ(form->Preview()->PageCount(), 1);
}

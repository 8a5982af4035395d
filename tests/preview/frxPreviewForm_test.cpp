#include "preview/frxPreviewForm.h"
#include "EngineParts.h"
#include "PreparedPages.h"

#include "common/TestSupport.h"
#include "platform/Error.h"
#include "export/frxExportPDF.h"
#include "store/frxPreviewPages.h"
#include "preview/frxPreviewFakeStore.h"
#include "report/frxClass.h"
#include "resources/frxResImages.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace frxClass;

namespace {

class PreviewForm : public ::testing::Test {
protected:
    FakeStore store{3};
    TfrxReport report;
    std::unique_ptr<TfrxPreviewForm> form;
    CollectedErrors boxes;
    QStringList& errors = boxes.texts;

    void SetUp() override {
        report.PreviewOptions()->SetMaximized(false);
        // The operations of other units are not installed here (the executable installs the PDF
        // filter, not printing, files or search).
        ASSERT_EQ(platform::Registry::Find<TfrxPreviewOperations>(), nullptr);
    }
    void TearDown() override { form.reset(); }
    void Open(TfrxPreviewButtons buttons = TfrxPreviewButtons(frxDefaultPreviewButtons)) {
        report.PreviewOptions()->SetButtons(buttons);
        form = OpenPreviewWindow(report, store);
    }
    // The tool bar's visible entries, left to right: captions, "|" for separators, "[zoom]",
    // "[page]" and the Close button's text.
    QStringList ToolBarLayout() {
        QStringList out;
        for (QAction* a : form->ToolBar->actions()) {
            if (!a->isVisible())
                continue;
            if (a->isSeparator())
                out << QStringLiteral("|");
            else if (a == form->Sep3)
                out << QStringLiteral("[zoom]");
            else if (a == form->Sep4)
                out << QStringLiteral("[page]");
            else if (a == form->CancelBAction)
                out << form->CancelB->text();
            else if (!a->text().isEmpty())
                out << a->text();
        }
        return out;
    }
    QStringList MenuLayout() {
        QStringList out;
        for (QAction* a : form->RightMenu->actions())
            if (a->isVisible())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }
    void Key(QWidget* target, int key) {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    void EnterZoom(const QString& text) {
        form->ZoomCB->setEditText(text);
        Q_EMIT form->ZoomCB->lineEdit()->returnPressed();
        QApplication::processEvents();
    }
};

QStringList Split(const char* s) { return QString::fromUtf8(s).split(QLatin1Char(',')); }

} // namespace

TEST_F(PreviewForm, ToolBarOfTheProgramsReport) {
    Open();
    ASSERT_TRUE(frxHasPDFExport());
    EXPECT_EQ(ToolBarLayout(),
              Split("Print,Open,Save,Export,Export to PDF,Find,|,Zoom In,[zoom],Zoom Out,"
                    "Full Screen,|,Outline,Thumbnails,Page Settings,Edit,|,First,Prior,[page],"
                    "Next,Last,Close"));
    EXPECT_EQ(form->PrintB->toolTip().left(5), QStringLiteral("Print"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Page 1 of 3"));
    EXPECT_EQ(form->PageE->text(), QStringLiteral("1"));
    EXPECT_EQ(form->ZoomCB->currentText(), QStringLiteral("100%"));
    QStringList zooms;
    for (int i = 0; i < form->ZoomCB->count(); ++i)
        zooms << form->ZoomCB->itemText(i);
    EXPECT_EQ(zooms, Split("25%,50%,75%,100%,150%,200%,Page width,Whole page"));
}

TEST_F(PreviewForm, NoExportButtonsWithoutAnExportFilter) {
    {
        platform::RegistryScope services;
        platform::Registry::Remove<TfrxExportHandler>();
        Open();
    }
    const QStringList layout = ToolBarLayout();
    EXPECT_FALSE(layout.contains(QStringLiteral("Export"))) << "even with pbExport";
    EXPECT_FALSE(layout.contains(QStringLiteral("Export to PDF")));
    EXPECT_EQ(layout.first(), QStringLiteral("Print"));
    EXPECT_EQ(layout.at(3), QStringLiteral("Find"));
}

TEST_F(PreviewForm, PdfButtonHandsTheChosenFileToTheFilter) {
    Open();
    QString askedFilter;
    form->AskFileName = [&](const QString& filter, const QString& suggested) {
        askedFilter = filter;
        EXPECT_TRUE(suggested.endsWith(QStringLiteral("Report.pdf"))) << suggested.toStdString();
        return QStringLiteral("/tmp/worksheet");
    };
    form->PdfB->trigger();
    ASSERT_EQ(store.exported.size(), 1u);
    TfrxCustomExportFilter* filter = store.exported[0];
    EXPECT_EQ(askedFilter, TfrxPDFExport().FileFilter());
    EXPECT_EQ(filter->FileName, QStringLiteral("/tmp/worksheet.pdf")) << "the extension is added";
    // Cancelling the file dialog exports nothing.
    form->AskFileName = [](const QString&, const QString&) { return QString(); };
    form->ExportB->menu()->actions().first()->trigger();
    EXPECT_EQ(store.exported.size(), 1u);
}

TEST_F(PreviewForm, ButtonSetsDecideWhatShows) {
    struct Case {
        const char* name;
        int buttons;
        const char* layout;
    } cases[] = {
        // Sep2 goes too: neither Page Settings nor Edit shows.
        {"without zoom the full-screen button goes whatever pbNoFullScreen says",
         pbPrint | pbOutline | pbNavigator, "Print,Outline,Thumbnails,|,First,Prior,[page],Next,Last,Close"},
        {"no full screen", pbZoom | pbNoFullScreen, "|,Zoom In,[zoom],Zoom Out,Close"},
        {"no close, no navigator", pbFind | pbPageSetup | pbNoClose, "Find,|,Page Settings"},
        {"edit alone keeps its separator", pbEdit, "|,Edit,Close"},
    };
    for (const Case& c : cases) {
        Open(TfrxPreviewButtons(c.buttons));
        EXPECT_EQ(ToolBarLayout().join(QLatin1Char(',')), QString::fromUtf8(c.layout)) << c.name;
    }
}

TEST_F(PreviewForm, RightMenuHoldsTheFirstTwoGroupsOnly) {
    Open();
    EXPECT_EQ(MenuLayout(),
              Split("Print,Open,Save,Export,Export to PDF,Find,-,Zoom In,Zoom Out,Full Screen"));
    QAction* exportItem = form->RightMenu->actions().at(6);
    ASSERT_NE(exportItem->menu(), nullptr) << "the Export menu is copied as sub-items";
    EXPECT_EQ(exportItem->menu()->actions().size(), 1);
    Open(TfrxPreviewButtons(pbPrint | pbOutline | pbNavigator | pbPageSetup));
    EXPECT_EQ(MenuLayout(), Split("Print,-,Page Settings"))
        << "a removed separator does not count";
}

TEST_F(PreviewForm, ZoomBoxReadsItsText) {
    Open();
    EnterZoom(QStringLiteral("150 %"));
    EXPECT_EQ(form->Preview()->Zoom(), 1.5L);
    EXPECT_EQ(form->ZoomCB->currentText(), QStringLiteral("150%"));

    EnterZoom(QStringLiteral("abc"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("'abc' is not a valid floating point value."));
    EXPECT_EQ(form->Preview()->Zoom(), 1.5L) << "the zoom stays";
    EXPECT_EQ(form->ZoomCB->currentText(), QStringLiteral("150%")) << "the box shows it again";

    form->ZoomCB->setCurrentIndex(6);
    Q_EMIT form->ZoomCB->activated(6);
    QApplication::processEvents();
    EXPECT_EQ(form->Preview()->ZoomMode(), zmPageWidth);
    form->ZoomCB->setCurrentIndex(7);
    Q_EMIT form->ZoomCB->activated(7);
    EXPECT_EQ(form->Preview()->ZoomMode(), zmWholePage);

    form->ZoomPlusB->trigger();
    EXPECT_EQ(form->Preview()->ZoomMode(), zmDefault);
}

TEST_F(PreviewForm, PageBoxGoesToTheTypedPage) {
    Open();
    form->PageE->setText(QStringLiteral("2"));
    Q_EMIT form->PageE->returnPressed();
    EXPECT_EQ(form->Preview()->PageNo(), 2);
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Page 2 of 3"));
    form->PageE->setText(QStringLiteral("9"));
    Q_EMIT form->PageE->returnPressed();
    EXPECT_EQ(form->Preview()->PageNo(), 3);

    form->PageE->setText(QString());
    Q_EMIT form->PageE->returnPressed();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], QStringLiteral("'' is not a valid integer value."));
    EXPECT_EQ(form->Preview()->PageNo(), 3);
    EXPECT_EQ(form->PageE->validator()->objectName(), QString()); // present
    QString text = QStringLiteral("1x");
    int pos = 0;
    EXPECT_EQ(form->PageE->validator()->validate(text, pos), QValidator::Invalid);

    form->LastB->trigger();
    form->FirstB->trigger();
    form->NextB->trigger();
    EXPECT_EQ(form->Preview()->PageNo(), 2);

    // Scrolling page 3 into the top fifth of the view changes the status text.
    TfrxPreviewWorkspace* ws = form->Preview()->Workspace();
    ws->SetVertPosition(ws->PageList.Item(2).Top - ws->PageList.Item(2).Height / 5);
    EXPECT_EQ(form->StatusPanel0->text(), QStringLiteral("Page 3 of 3"));
    EXPECT_EQ(form->PageE->text(), QStringLiteral("3"));
}

TEST_F(PreviewForm, PreparationCancelsInsteadOfClosing) {
    int closed = 0;
    report.OnClosePreview = [&] { ++closed; };
    Open();
    TfrxPreview* p = form->Preview();
    p->PrepareStarted();
    store.sizes.push_back({794, 1123});
    p->PageArrived(0);
    EXPECT_EQ(form->CancelB->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(form->PrintB->isEnabled());

    Key(p, Qt::Key_Escape);
    EXPECT_TRUE(report.Terminated) << "Esc during preparation cancels it";
    EXPECT_TRUE(form->isVisible());
    form->close();
    EXPECT_TRUE(form->isVisible()) << "closing is refused while preparing";

    p->PrepareStopped();
    EXPECT_EQ(form->CancelB->text(), QStringLiteral("Close"));
    EXPECT_EQ(form->StatusPanel1->text(), QString());
    EXPECT_EQ(closed, 0) << "the refused closes fire nothing";
    Key(p, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed, 1) << "the report hears of the close once";
    form->close();
    EXPECT_EQ(closed, 1);
}

TEST_F(PreviewForm, ButtonsOfOperationsNotInstalledAreDisabledWithTheirOwnHints) {
    Open();
    EXPECT_FALSE(form->PrintB->isEnabled());
    EXPECT_EQ(form->PrintB->toolTip(), QStringLiteral("Print"));
    EXPECT_FALSE(form->DesignerB->isEnabled());
    EXPECT_TRUE(form->DesignerB->toolTip().contains(QStringLiteral("no page designer")));
    EXPECT_FALSE(form->FindB->isEnabled());

    int finds = 0;
    platform::RegistryScope services;
    TfrxPreviewOperations operations;
    operations.Find = [&](TfrxPreview*) { ++finds; };
    platform::Registry::Install(operations);
    form->RefreshButtonStates();
    EXPECT_TRUE(form->FindB->isEnabled());
    EXPECT_EQ(form->FindB->toolTip(), QStringLiteral("Find"));
    form->FindB->trigger();
    EXPECT_EQ(finds, 1);
    QKeyEvent ctrlF(QEvent::KeyPress, Qt::Key_F, Qt::ControlModifier);
    QApplication::sendEvent(form->Preview(), &ctrlF);
    EXPECT_EQ(finds, 2);
}

TEST_F(PreviewForm, FullScreenHidesTheBarsAndADoubleClickLeaves) {
    Open();
    Key(form->Preview(), Qt::Key_F11);
    EXPECT_TRUE(form->IsFullScreen());
    EXPECT_FALSE(form->ToolBar->isVisible());
    EXPECT_FALSE(form->StatusBar->isVisible());
    QWidget* vp = form->Preview()->Workspace()->viewport();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(50, 50), vp->mapToGlobal(QPointF(50, 50)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &dbl);
    EXPECT_FALSE(form->IsFullScreen());
    EXPECT_TRUE(form->ToolBar->isVisible());
    EXPECT_TRUE(form->StatusBar->isVisible());
}

TEST_F(PreviewForm, PanesFollowTheirButtons) {
    report.PreviewOptions()->SetThumbnailVisible(true);
    Open();
    EXPECT_TRUE(form->ThumbB->isChecked());
    EXPECT_TRUE(form->Preview()->Thumbnails()->isVisible());
    form->OutlineB->trigger();
    EXPECT_TRUE(form->OutlineB->isChecked());
    EXPECT_FALSE(form->ThumbB->isChecked());
    form->OutlineB->trigger();
    EXPECT_FALSE(form->Preview()->OutlineTree()->isVisible());
}

TEST_F(PreviewForm, CaptionIsTheReportsName) {
    report.ReportOptions()->SetName(QStringLiteral("Worksheet"));
    Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Worksheet"));
}

TEST(PreviewButtonStrip, InflatesIntoTwentyFivePictures) {
    const QList<QPixmap>& images = frxPreviewButtonImages();
    ASSERT_EQ(images.size(), 25);
    for (int i : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24}) {
        const QImage img = images[i].toImage();
        EXPECT_EQ(img.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(img.pixel(x, y)) == 255;
        EXPECT_GT(opaque, 30) << "picture " << i << " is drawn";
        EXPECT_LT(opaque, 256) << "picture " << i << " has a transparent background";
    }
    EXPECT_TRUE(frxPreviewButtonIcon(25).isNull());

    QByteArray out;
    EXPECT_FALSE(frxGunzip(QByteArray("not gzip"), out));
    EXPECT_TRUE(out.isEmpty());
}

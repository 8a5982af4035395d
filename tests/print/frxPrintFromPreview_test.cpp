// The preview window's Print and Page Settings buttons, with the print job installed as at
// start-up, on prepared pages of the store and the recording printing service.

#include "TestSupport.h"
#include "PreparedPages.h"
#include "EngineParts.h"

#include "PrintTestSupport.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "print/frxPreviewPageSettings.h"
#include "print/frxPrintDialog.h"
#include "print/frxPrintJob.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using platform::RecordingPrintService;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class PrintFromPreview : public ::testing::Test {
protected:
    startup::EngineScope printing{startup::Printing};

    void SetUp() override {
        service = UseRecordingPrinters({RecordingPrintService::MakePrinter(S("Office"))});
        report.PreviewOptions()->SetMaximized(false);
        PrepareInto(store, engine, AddWorksheetPage(report), 3); // three worksheet pages
        form = OpenPreviewWindow(report, store);
    }
    void TearDown() override { form.reset(); }

    std::shared_ptr<RecordingPrintService> service;
    TfrxReport report;
    PreparedEngine engine;
    TfrxPreviewPages store{&report};
    std::unique_ptr<TfrxPreviewForm> form;
};

TEST_F(PrintFromPreview, PrintPrintsThePageThePreviewShowsWhenAskedTo) {
    ASSERT_TRUE(form->PrintB->isEnabled()) << form->PrintB->toolTip().toStdString();
    form->Preview()->GoToPage(3);
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<TfrxPrintDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->CurPageRB->isEnabled());
        dialog->CurPageRB->setChecked(true);
        dialog->OkB->click();
    });
    form->PrintB->trigger();
    ASSERT_EQ(service->Documents().size(), 1u);
    EXPECT_TRUE(service->Documents()[0].Ended);
    EXPECT_EQ(service->Documents()[0].Sheets, 1);
    // The choice lasted for this run only.
    EXPECT_TRUE(report.PrintOptions()->PageNumbers().isEmpty());
    EXPECT_TRUE(form->isEnabled());
    // Something was drawn on the sheet.
    ASSERT_EQ(service->Sheets().size(), 1);
    EXPECT_GT(service->Sheets()[0].Picture.size(), 100u);
}

TEST_F(PrintFromPreview, PageSettingsReplaceTheCurrentPage) {
    ASSERT_TRUE(form->PageSettingsB->isEnabled()) << form->PageSettingsB->toolTip().toStdString();
    form->Preview()->GoToPage(2);
    OnNextModal([](QWidget* w) {
        auto* settings = qobject_cast<TfrxPageSettingsForm*>(w);
        ASSERT_NE(settings, nullptr);
        settings->LandscapeRB->setChecked(true);
        settings->PortraitRBClick();
        settings->OKB->click();
    });
    form->PageSettingsB->trigger();
    EXPECT_EQ(store.BuildPage(1)->Orientation(), poLandscape);
    EXPECT_EQ(store.BuildPage(0)->Orientation(), poPortrait);
    EXPECT_EQ(store.PageSizeOf(1).x(), store.PageSizeOf(0).y());
}

} // namespace

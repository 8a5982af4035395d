// The page settings dialog: units, numbers, the paper list measured on the printer, custom
// sizes turning with the sheet, what OK writes into the page, and the preview's hand-over.

#include "TestSupport.h"
#include "PreparedPages.h"
#include "EngineParts.h"

#include "PrintTestSupport.h"
#include "platform/Error.h"
#include "platform/Profile.h"
#include "store/frxPreviewPages.h"
#include "print/frxPreviewPageSettings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::RecordingPrintService;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

TEST(PageSettingsNumbers, FormatWithTwoDecimalsOnlyWhenNeeded) {
    const std::pair<long double, const char*> cases[] = {
        {21, "21"}, {29.7L, "29.70"}, {210 / 25.4L, "8.27"}, {297 / 25.4L, "11.69"},
        {0, "0"},   {-1.5L, "-1.50"}, {1000, "1000"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatNumber(value), S(text)) << text;
}

TEST(PageSettingsNumbers, ParseTakesEitherSeparatorAndIgnoresBlanks) {
    const std::pair<const char*, double> good[] = {
        {"21", 21}, {"29.7", 29.7}, {"29,7", 29.7}, {" 2 9.7 ", 29.7}, {"-1,5", -1.5}};
    for (const auto& [text, value] : good)
        EXPECT_DOUBLE_EQ(static_cast<double>(ParseNumber(S(text))), value) << text;
    for (const char* bad : {"", "abc", "1.234,5", "2 cm", "inf", "nan"}) {
        try {
            ParseNumber(S(bad));
            ADD_FAILURE() << "no error for '" << bad << "'";
        } catch (const platform::Error& e) {
            EXPECT_EQ(e.Message(), S("'%1' is not a valid floating point value").arg(S(bad)));
        }
    }
}

TEST(PageSettingsUnits, TheSettingNamesAFileOfOursOrAnIniFile) {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    EXPECT_EQ(frxUnitsSettingsFile(S("\\Software\\Brindle")),
              config + S("/sumdrill/Software/Brindle.ini"));
    EXPECT_EQ(frxUnitsSettingsFile(S("\\SOFTWARE\\Brindle\\Reports\\")),
              config + S("/sumdrill/SOFTWARE/Brindle/Reports.ini"));
    EXPECT_EQ(frxUnitsSettingsFile(S("/tmp/report.ini")), S("/tmp/report.ini"));

    QTemporaryDir dir;
    const QString ini = dir.filePath(S("units.ini"));
    EXPECT_EQ(frxReadDisplayUnits(ini), 0); // no file
    ASSERT_TRUE(platform::Profile::WriteString(ini, "Form.TfrxDesignerForm", "Units", "1"));
    EXPECT_EQ(frxReadDisplayUnits(ini), 1);
    ASSERT_TRUE(platform::Profile::WriteString(ini, "Form.TfrxDesignerForm", "Units", "inch"));
    EXPECT_EQ(frxReadDisplayUnits(ini), 0);
}

class PageSettings : public ::testing::Test {
protected:
    platform::RegistryScope services; // the print service the test chose goes with it

    void SetUp() override {
        auto office = RecordingPrintService::MakePrinter(S("Office"));
        service = UseRecordingPrinters({office});
        report.SetIniFile(dir.filePath(S("settings.ini")));
        page = new TfrxReportPage(&report);
        page->SetPaperSize(DMPAPER_A4);
        page->SetLeftMargin(10);
        page->SetRightMargin(10);
        page->SetTopMargin(10);
        page->SetBottomMargin(10);
    }

    void SetUnits(const char* units) {
        ASSERT_TRUE(platform::Profile::WriteString(report.IniFile(), "Form.TfrxDesignerForm",
                                                   "Units", units));
    }
    std::unique_ptr<TfrxPageSettingsForm> Form() {
        auto f = std::make_unique<TfrxPageSettingsForm>();
        f->EditedPage = page;
        f->Report = &report;
        f->FormShow();
        return f;
    }
    // What the user sees: size list, width, height.
    static QStringList Shown(const TfrxPageSettingsForm& f) {
        return {f.SizeCB->currentText(), f.WidthE->text(), f.HeightE->text()};
    }
    static void Pick(TfrxPageSettingsForm& f, const char* paper) {
        f.SizeCB->setCurrentIndex(f.SizeCB->findText(S(paper)));
        f.SizeCBClick();
    }
    static void Turn(TfrxPageSettingsForm& f, TPrinterOrientation o) {
        (o == poLandscape ? f.LandscapeRB : f.PortraitRB)->setChecked(true);
        f.PortraitRBClick();
    }

    QTemporaryDir dir;
    std::shared_ptr<RecordingPrintService> service;
    TfrxReport report;
    TfrxReportPage* page = nullptr;
};

TEST_F(PageSettings, WindowAndCaptions) {
    auto f = Form();
    EXPECT_EQ(f->size(), QSize(286, 359));
    EXPECT_EQ(f->windowTitle(), S("Page Settings"));
    ExpectCaptions(*f, {
        {"SizeL", "Size"},          {"WidthL", "Width"},        {"HeightL", "Height"},
        {"OrientationL", "Orientation"}, {"PortraitRB", "Portrait"},
        {"LandscapeRB", "Landscape"}, {"MarginsL", "Margins"},  {"LeftL", "Left"},
        {"TopL", "Top"},            {"RightL", "Right"},        {"BottomL", "Bottom"},
        {"OtherL", "Other"},        {"ApplyToCurRB", "Apply to the current page"},
        {"ApplyToAllRB", "Apply to all pages"}, {"OKB", "OK"}, {"CancelB", "Cancel"}});
    EXPECT_TRUE(f->ApplyToCurRB->isChecked());
    EXPECT_EQ(f->SizeCB->itemText(0), S("Custom"));
    EXPECT_EQ(f->SizeCB->count(), 5);
}

struct UnitsCase {
    const char* units;
    const char* label;
    const char* width;
    const char* height;
    const char* margin;
};

class PageSettingsUnits : public PageSettings, public ::testing::WithParamInterface<UnitsCase> {};

TEST_P(PageSettingsUnits, ShowA4InTheUnitsOfTheSettings) {
    SetUnits(GetParam().units);
    auto f = Form();
    EXPECT_EQ(Shown(*f), (QStringList{S("A4"), S(GetParam().width), S(GetParam().height)}));
    EXPECT_EQ(f->MarginLeftE->text(), S(GetParam().margin));
    for (QLabel* l : {f->UnitL1, f->UnitL2, f->UnitL3, f->UnitL4, f->UnitL5, f->UnitL6})
        EXPECT_EQ(l->text(), S(GetParam().label));
}

INSTANTIATE_TEST_SUITE_P(Units, PageSettingsUnits,
                         ::testing::Values(UnitsCase{"0", "cm", "21", "29.70", "1"},
                                           UnitsCase{"1", "in", "8.27", "11.69", "0.39"},
                                           UnitsCase{"2", "cm", "21", "29.70", "1"},
                                           UnitsCase{"3", "cm", "21", "29.70", "1"},
                                           UnitsCase{"7", "", "0", "0", "0"}));

TEST_F(PageSettings, PickingAPaperMeasuresItOnThePrinter) {
    auto f = Form();
    Pick(*f, "A5");
    EXPECT_EQ(Shown(*f), (QStringList{S("A5"), S("14.80"), S("21")}));
    EXPECT_EQ(frxPrinters()->CurrentPrinter()->Paper(), 11);
    Turn(*f, poLandscape);
    EXPECT_EQ(Shown(*f), (QStringList{S("A5"), S("21"), S("14.80")}));
    EXPECT_EQ(f->LandscapeImg->isVisibleTo(f.get()), true);
    EXPECT_EQ(f->PortraitImg->isVisibleTo(f.get()), false);
}

TEST_F(PageSettings, TypingASizeSwitchesToCustomAndOkStoresIt) {
    auto f = Form();
    f->WidthE->setText(S("15"));
    EXPECT_EQ(f->SizeCB->currentText(), S("Custom"));
    f->HeightE->setText(S("25,5"));
    f->MarginLeftE->setText(S("2,5"));
    f->FormHide();
    EXPECT_EQ(page->PaperSize(), DMPAPER_USER);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 150);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperHeight()), 255);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->LeftMargin()), 25);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->TopMargin()), 10);
}

TEST_F(PageSettings, ACustomSizeTurnsWithTheSheet) {
    auto f = Form();
    f->WidthE->setText(S("10"));
    f->HeightE->setText(S("20"));
    Turn(*f, poLandscape);
    EXPECT_EQ(Shown(*f), (QStringList{S("Custom"), S("20"), S("10")}));
    Turn(*f, poPortrait);
    EXPECT_EQ(Shown(*f), (QStringList{S("Custom"), S("10"), S("20")}));
    // Clicking the orientation already chosen turns nothing.
    Turn(*f, poPortrait);
    EXPECT_EQ(Shown(*f), (QStringList{S("Custom"), S("10"), S("20")}));
    Turn(*f, poLandscape);
    f->FormHide();
    EXPECT_EQ(page->Orientation(), poLandscape);
    EXPECT_EQ(page->PaperSize(), DMPAPER_USER);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 200);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperHeight()), 100);
}

TEST_F(PageSettings, PickingCustomKeepsTheSizeShown) {
    auto f = Form();
    Pick(*f, "Custom");
    EXPECT_EQ(Shown(*f), (QStringList{S("Custom"), S("21"), S("29.70")}));
}

TEST_F(PageSettings, APaperThePrinterLacksOpensAsCustomWithItsSize) {
    page->SetPaperSize(13); // B5, not a paper of this printer
    auto f = Form();
    EXPECT_EQ(Shown(*f), (QStringList{S("Custom"), S("18.20"), S("25.70")}));
}

TEST_F(PageSettings, ATablePaperWithLandscapeIsStoredTurned) {
    auto f = Form();
    Turn(*f, poLandscape);
    EXPECT_EQ(Shown(*f), (QStringList{S("A4"), S("29.70"), S("21")}));
    f->FormHide();
    EXPECT_EQ(page->PaperSize(), DMPAPER_A4);
    EXPECT_EQ(page->Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 297);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperHeight()), 210);
}

TEST_F(PageSettings, AFieldThatIsNotANumberLeavesThePageAsItWas) {
    auto f = Form();
    f->WidthE->setText(S("15"));
    f->MarginBottomE->setText(S("x"));
    try {
        f->FormHide();
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), S("'x' is not a valid floating point value"));
    }
    EXPECT_EQ(page->PaperSize(), DMPAPER_A4);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 210);

    // Through the OK button the error is shown and the window stays open for a correction.
    CollectedErrors boxes;
    f->show();
    f->OKB->click();
    EXPECT_EQ(boxes.texts, QStringList{S("'x' is not a valid floating point value.")});
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->result(), 0);
}

TEST_F(PageSettings, ApplyToAllPagesIsOnlyReported) {
    auto f = Form();
    f->ApplyToAllRB->setChecked(true);
    f->WidthE->setText(S("15"));
    f->FormHide();
    EXPECT_TRUE(f->AppliesToAllPages());
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 150);
}

// With no printer installed the list holds the built-in table, whose papers have no names:
// each is shown by its size, and the paper picked is the entry itself, not the first of that
// name (which turned A4 into Letter on a plain OK).
TEST(PageSettingsWithoutPrinters, TheTablePapersKeepTheirOwnCodes) {
    platform::RegistryScope services;
    auto service = UseRecordingPrinters({});
    ASSERT_FALSE(frxPrinters()->HasPhysicalPrinters());
    QTemporaryDir dir;
    TfrxReport report;
    report.SetIniFile(dir.filePath(S("settings.ini")));
    auto* page = new TfrxReportPage(&report);
    page->SetPaperSize(DMPAPER_A4);

    TfrxPageSettingsForm f;
    f.EditedPage = page;
    f.Report = &report;
    f.FormShow();
    ASSERT_EQ(f.SizeCB->count(), 67);
    EXPECT_EQ(f.SizeCB->itemText(0), S("Custom"));
    EXPECT_EQ(f.SizeCB->currentText(), S("A4 (210 × 297 mm)"));
    EXPECT_EQ(f.SizeCB->itemText(f.SizeCB->findData(43)), S("100 × 148 mm"));
    for (int i = 0; i < f.SizeCB->count(); ++i)
        EXPECT_FALSE(f.SizeCB->itemText(i).isEmpty()) << i;

    f.FormHide(); // OK without a change
    EXPECT_EQ(page->PaperSize(), DMPAPER_A4);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 210);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperHeight()), 297);

    f.SizeCB->setCurrentIndex(f.SizeCB->findData(11));
    f.SizeCBClick();
    EXPECT_EQ(f.WidthE->text(), S("14.80"));
    EXPECT_EQ(f.HeightE->text(), S("21"));
    f.FormHide();
    EXPECT_EQ(page->PaperSize(), 11);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperHeight()), 210);
}

// --- the preview's hand-over --------------------------------------------------------------------

class PageSettingsHandOver : public PageSettings {
protected:
    void SetUp() override {
        PageSettings::SetUp();
        second = new TfrxReportPage(&report);
        second->SetPaperSize(11);
        store.SetEngine(&engine);
        store.PrepareStart();
        store.RegisterSourcePage(page);
        store.RegisterSourcePage(second);
        store.PassStart();
        store.StartPage(page);
        store.StartPage(second);
        store.PrepareFinish();
    }

    // Runs the hand-over with the window driven by `drive` once it shows.
    bool Run(int pageIndex, std::function<void(TfrxPageSettingsForm&)> drive) {
        OnNextModal([drive](QWidget* w) {
            auto* f = qobject_cast<TfrxPageSettingsForm*>(w);
            ASSERT_NE(f, nullptr);
            drive(*f);
        });
        TfrxPageSettingsHandOver preview;
        preview.Freeze = [this] { calls << S("freeze"); };
        preview.Thaw = [this] { calls << S("thaw"); };
        preview.Reprepare = [this] { calls << S("reprepare"); };
        return frxPreviewPageSettings(report, store, pageIndex, preview);
    }

    TfrxReportPage* second = nullptr;
    PreparedEngine engine;
    TfrxPreviewPages store{&report};
    QStringList calls;
};

TEST_F(PageSettingsHandOver, TheCurrentPageIsReplacedWhileThePreviewIsFrozen) {
    EXPECT_TRUE(Run(1, [](TfrxPageSettingsForm& f) {
        f.LandscapeRB->setChecked(true);
        f.PortraitRBClick();
        f.OKB->click();
    }));
    EXPECT_EQ(calls, (QStringList{S("freeze"), S("thaw")}));
    TfrxReportPage* built = store.BuildPage(1);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(static_cast<double>(built->PaperWidth()), 210);
    EXPECT_DOUBLE_EQ(static_cast<double>(built->PaperHeight()), 148);
    EXPECT_EQ(store.BuildPage(0)->Orientation(), poPortrait);
    // The template stays as it was.
    EXPECT_EQ(second->Orientation(), poPortrait);
}

// A repaint behind the open window can empty the page cache; OK must not write into the page
// built before the window opened (under the sanitizers this was a use after free).
TEST_F(PageSettingsHandOver, ThePageCacheEmptiedWhileTheWindowIsOpenLosesNothing) {
    EXPECT_TRUE(Run(1, [this](TfrxPageSettingsForm& f) {
        store.ClearPageCache();
        store.BuildPage(0);
        f.LandscapeRB->setChecked(true);
        f.PortraitRBClick();
        f.MarginLeftE->setText(S("3"));
        f.OKB->click();
    }));
    TfrxReportPage* built = store.BuildPage(1);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(built->Orientation(), poLandscape);
    EXPECT_DOUBLE_EQ(static_cast<double>(built->PaperWidth()), 210);
    EXPECT_DOUBLE_EQ(static_cast<double>(built->LeftMargin()), 30);
    EXPECT_EQ(store.BuildPage(0)->Orientation(), poPortrait);
}

TEST_F(PageSettingsHandOver, AllPagesChangeTheTemplateAndPrepareAgain) {
    EXPECT_TRUE(Run(0, [](TfrxPageSettingsForm& f) {
        f.ApplyToAllRB->setChecked(true);
        f.SizeCB->setCurrentIndex(f.SizeCB->findText(S("A5")));
        f.SizeCBClick();
        f.MarginTopE->setText(S("2"));
        f.OKB->click();
    }));
    EXPECT_EQ(calls, QStringList{S("reprepare")});
    for (TfrxReportPage* p : {page, second}) {
        EXPECT_EQ(p->PaperSize(), 11);
        EXPECT_DOUBLE_EQ(static_cast<double>(p->PaperWidth()), 148);
        EXPECT_DOUBLE_EQ(static_cast<double>(p->TopMargin()), 20);
    }
}

TEST_F(PageSettingsHandOver, CancelChangesNothing) {
    EXPECT_FALSE(Run(0, [](TfrxPageSettingsForm& f) {
        f.WidthE->setText(S("5"));
        f.CancelB->click();
    }));
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_DOUBLE_EQ(static_cast<double>(page->PaperWidth()), 210);
    EXPECT_DOUBLE_EQ(static_cast<double>(store.BuildPage(0)->PaperWidth()), 210);
}

} // namespace

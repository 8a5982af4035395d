// Installed printers over the recording print service: the list, initialisation, metrics,
// paper set-ups, documents and the properties dialog.

#include "TestSupport.h"

#include "platform/CanvasPainter.h"
#include "platform/Registry.h"
#include "platform/PrintServiceRecording.h"
#include "printers/frxPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using platform::DeviceMode;
using platform::RecordingPrintService;
using Kind = RecordingPrintService::Kind;

std::shared_ptr<RecordingPrintService> ServiceWith(const QStringList& names,
                                                   const QString& defaultName) {
    auto service = std::make_shared<RecordingPrintService>();
    for (const QString& name : names)
        service->AddPrinter(RecordingPrintService::MakePrinter(name, name + QStringLiteral("-uri")));
    service->SetDefaultPrinter(defaultName);
    return service;
}

TfrxPrinter* Current(TfrxPrinters& list) { return dynamic_cast<TfrxPrinter*>(list.CurrentPrinter()); }

struct SelectRow {
    const char* name;
    const char* defaultName;
    int expectIndex;
};

class DefaultSelection : public ::testing::TestWithParam<SelectRow> {};

TEST_P(DefaultSelection, StartsOnTheDefaultPrinter) {
    auto service = ServiceWith({QStringLiteral("Laser"), QStringLiteral("Inkjet"),
                                QStringLiteral("Office")},
                               QString::fromUtf8(GetParam().defaultName));
    TfrxPrinters list(service);
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.PrinterIndex(), GetParam().expectIndex);
    // Only the current printer has been initialised; the others wait until they are chosen.
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Item(i)->Initialized(), i == GetParam().expectIndex) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, DefaultSelection,
    ::testing::Values(SelectRow{"SecondIsDefault", "Inkjet", 1},
                      SelectRow{"NameComparedWithoutCase", "OFFICE", 2},
                      SelectRow{"TextAfterACommaIgnored", "Office,winspool,Ne00:", 2},
                      SelectRow{"UnknownDefaultTakesTheFirst", "Plotter", 0},
                      SelectRow{"NoDefaultTakesTheFirst", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrinterList, IndexOfPrinterAndSelectPrinter) {
    TfrxPrinters list(ServiceWith({QStringLiteral("Laser"), QStringLiteral("Inkjet")},
                                  QStringLiteral("Laser")));
    EXPECT_EQ(list.Printers(), (QStringList{QStringLiteral("Laser"), QStringLiteral("Inkjet")}));
    EXPECT_EQ(list.IndexOfPrinter(QStringLiteral("inkJET")), 1);
    EXPECT_EQ(list.IndexOfPrinter(QStringLiteral("Ink")), -1);
    EXPECT_EQ(list.Item(1)->Port(), QStringLiteral("Inkjet-uri"));

    list.SelectPrinter(1);
    EXPECT_EQ(list.PrinterIndex(), 1);
    EXPECT_TRUE(list.Item(1)->Initialized());
    list.SelectPrinter(-1); // back to the default
    EXPECT_EQ(list.PrinterIndex(), 0);
    EXPECT_EQ(list.Item(5), nullptr);

    // Filling again frees the printers and starts over.
    list.FillPrinterList();
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.Item(1)->Initialized());
}

TEST(InstalledPrinter, InitPrinterReadsTheDriversSheetPapersAndBins) {
    auto service = std::make_shared<RecordingPrintService>();
    auto p = RecordingPrintService::MakePrinter(QStringLiteral("Laser"));
    p.Default.PaperSize = 11; // A5
    p.Default.Orientation = DeviceMode::Landscape;
    p.Papers.append({QStringLiteral("Custom size"), 256});
    p.Dpi = QPoint(300, 600);
    service->AddPrinter(p);
    TfrxPrinters list(service);
    TfrxPrinter* printer = Current(list);
    ASSERT_NE(printer, nullptr);
    ASSERT_TRUE(printer->Initialized());

    EXPECT_EQ(printer->DefaultPaper(), 11);
    EXPECT_EQ(printer->Paper(), 11);
    EXPECT_EQ(printer->DefaultOrientation(), poLandscape);
    EXPECT_EQ(printer->Orientation(), poLandscape);
    EXPECT_EQ(printer->DefaultPaperWidth(), 210);
    EXPECT_EQ(printer->DefaultPaperHeight(), 148);
    EXPECT_EQ(printer->Dpi(), QPoint(300, 600));
    EXPECT_EQ(printer->BinOverride(), -1);
    // The driver's code 256 is not listed again; "Custom" stays first.
    EXPECT_EQ(printer->PaperNames(),
              (QStringList{QStringLiteral("Custom"), QStringLiteral("Letter"), QStringLiteral("A3"),
                           QStringLiteral("A4"), QStringLiteral("A5")}));
    // The driver's automatic source (7) is the "Default" entry already.
    EXPECT_EQ(printer->Bins(),
              (QList<TfrxNamedCode>{{QStringLiteral("Default"), 7},
                                    {QStringLiteral("Upper"), 1},
                                    {QStringLiteral("Manual"), 4}}));
    EXPECT_EQ(printer->PaperIndexOf(11), 4);
    EXPECT_EQ(printer->PaperCodeOf(QStringLiteral("A3")), 8);

    // A second InitPrinter changes nothing.
    printer->InitPrinter();
    EXPECT_EQ(printer->Papers().size(), 5);
    EXPECT_EQ(printer->Bins().size(), 3);
}

TEST(InstalledPrinter, WithoutASettingsRecordItStaysUninitialised) {
    auto service = std::make_shared<RecordingPrintService>();
    auto p = RecordingPrintService::MakePrinter(QStringLiteral("Broken"));
    p.HasDeviceMode = false;
    service->AddPrinter(p);
    TfrxPrinters list(service);
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_FALSE(printer->Initialized());
    EXPECT_EQ(printer->PaperNames(), QStringList{QStringLiteral("Custom")});
    EXPECT_EQ(printer->BinNames(), QStringList{QStringLiteral("Default")});
    // Measuring a sheet on it does not crash and keeps the choice.
    printer->SetViewPaper(9, poLandscape, 0, 0);
    EXPECT_EQ(printer->Paper(), 9);
    EXPECT_EQ(printer->Orientation(), poLandscape);
}

TEST(InstalledPrinter, AZeroResolutionIsNotAValidPrinter) {
    auto service = std::make_shared<RecordingPrintService>();
    auto p = RecordingPrintService::MakePrinter(QStringLiteral("Zero"));
    p.Dpi = QPoint(600, 0);
    service->AddPrinter(p);
    try {
        TfrxPrinters list(service);
        FAIL() << "the list was made";
    } catch (const TfrxPrinterException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Printer selected is not valid"));
    }
}

struct MetricsRow {
    const char* name;
    int paper;
    TPrinterOrientation orientation;
    QPoint dpi;
    QMarginsF margins; // portrait, mm
    long double width, height, left, top, right, bottom;
};

class Metrics : public ::testing::TestWithParam<MetricsRow> {};

TEST_P(Metrics, AreWholeMillimetres) {
    const MetricsRow& row = GetParam();
    auto service = std::make_shared<RecordingPrintService>();
    auto p = RecordingPrintService::MakePrinter(QStringLiteral("Laser"));
    p.Dpi = row.dpi;
    p.Margins = row.margins;
    service->AddPrinter(p);
    TfrxPrinters list(service);
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetViewPaper(row.paper, row.orientation, 0, 0);
    EXPECT_EQ(printer->PaperWidth(), row.width);
    EXPECT_EQ(printer->PaperHeight(), row.height);
    EXPECT_EQ(printer->LeftMargin(), row.left);
    EXPECT_EQ(printer->TopMargin(), row.top);
    EXPECT_EQ(printer->RightMargin(), row.right);
    EXPECT_EQ(printer->BottomMargin(), row.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, Metrics,
    ::testing::Values(
        MetricsRow{"A4Portrait", 9, poPortrait, {600, 600}, {4, 5, 6, 7}, 210, 297, 4, 5, 6, 7},
        MetricsRow{"A4LandscapeTurnsTheMargins", 9, poLandscape, {600, 600}, {4, 5, 6, 7},
                   297, 210, 5, 6, 7, 4},
        // 215.9 x 279.4 mm rounds to 216 x 279.
        MetricsRow{"LetterRounds", 1, poPortrait, {600, 600}, {0, 0, 0, 0}, 216, 279, 0, 0, 0, 0},
        // 4.3 mm rounds to 4 on the left, and the printable width 210 - 8.6 = 201.4 to 201,
        // so the right margin takes the remainder: 210 - 201 - 4 = 5.
        MetricsRow{"RightMarginTakesTheRemainder", 9, poPortrait, {600, 600}, {4.3, 4.3, 4.3, 4.3},
                   210, 297, 4, 4, 5, 5},
        MetricsRow{"UnevenResolution", 9, poPortrait, {300, 600}, {4, 5, 6, 7}, 210, 297, 4, 5,
                   6, 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InstalledPrinter, ACustomViewPaperKeepsTheSizeWithA4MarginsOfThatOrientation) {
    TfrxPrinters list(ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser")));
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetViewPaper(256, poLandscape, 300, 200);
    EXPECT_EQ(printer->Paper(), 256);
    EXPECT_EQ(printer->Orientation(), poLandscape);
    EXPECT_EQ(printer->PaperWidth(), 300);
    EXPECT_EQ(printer->PaperHeight(), 200);
    EXPECT_EQ(printer->LeftMargin(), 5); // A4 landscape of margins 4, 5, 6, 7
    EXPECT_EQ(printer->TopMargin(), 6);
    EXPECT_EQ(printer->RightMargin(), 7);
    EXPECT_EQ(printer->BottomMargin(), 4);
}

TEST(InstalledPrinter, SetViewPaperSetsOnlyPaperAndOrientationInTheRecord) {
    TfrxPrinters list(ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser")));
    TfrxPrinter* printer = Current(list);
    printer->SetPrintPaper(9, poPortrait, 0, 0, 4, 3, 2); // leaves copies, source and duplex
    printer->SetViewPaper(8, poLandscape, 0, 0);
    const DeviceMode& dm = *printer->DevMode();
    EXPECT_EQ(dm.Fields, DeviceMode::FieldOrientation | DeviceMode::FieldPaperSize);
    EXPECT_EQ(dm.PaperSize, 8);
    EXPECT_EQ(dm.Orientation, DeviceMode::Landscape);
    EXPECT_EQ(dm.Copies, 2);
    EXPECT_EQ(dm.DefaultSource, 4);
}

struct PrintPaperRow {
    const char* name;
    int paper;
    TPrinterOrientation orientation;
    long double width, height;
    int bin, duplex, copies;
    int binOverride;
    // the record afterwards
    unsigned fields;
    int paperSize, orientationCode, paperWidth, paperLength, source, duplexCode, copiesCode;
};

constexpr unsigned kAlways = DeviceMode::FieldOrientation | DeviceMode::FieldPaperSize |
                             DeviceMode::FieldCopies | DeviceMode::FieldDefaultSource;

class SetPrintPaper : public ::testing::TestWithParam<PrintPaperRow> {};

TEST_P(SetPrintPaper, FillsTheSettingsRecord) {
    const PrintPaperRow& row = GetParam();
    auto service = std::make_shared<RecordingPrintService>();
    auto p = RecordingPrintService::MakePrinter(QStringLiteral("Laser"));
    p.Default.DefaultSource = 2; // the driver's own choice of source
    p.Default.Duplex = DeviceMode::DuplexVertical;
    p.Default.Fields = 0;
    service->AddPrinter(p);
    TfrxPrinters list(service);
    TfrxPrinter* printer = Current(list);
    printer->SetBinOverride(row.binOverride);
    printer->SetPrintPaper(row.paper, row.orientation, row.width, row.height, row.bin, row.duplex,
                           row.copies);
    const DeviceMode& dm = *printer->DevMode();
    EXPECT_EQ(dm.Fields, row.fields);
    EXPECT_EQ(dm.PaperSize, row.paperSize);
    EXPECT_EQ(dm.Orientation, row.orientationCode);
    EXPECT_EQ(dm.PaperWidth, row.paperWidth);
    EXPECT_EQ(dm.PaperLength, row.paperLength);
    EXPECT_EQ(dm.DefaultSource, row.source);
    EXPECT_EQ(dm.Duplex, row.duplexCode);
    EXPECT_EQ(dm.Copies, row.copiesCode);
    EXPECT_EQ(printer->Paper(), row.paper);
    EXPECT_EQ(printer->Orientation(), row.orientation);
    // The following sheets take the record, and the metrics are read from it.
    ASSERT_FALSE(service->Events().isEmpty());
    EXPECT_EQ(service->Events().last().What, Kind::Measure);
    EXPECT_EQ(service->Events()[service->Events().size() - 2].What, Kind::ResetDevice);
    EXPECT_EQ(service->Events().last().Mode, dm);
}

constexpr int P = DeviceMode::Portrait, L = DeviceMode::Landscape;
INSTANTIATE_TEST_SUITE_P(
    Records, SetPrintPaper,
    ::testing::Values(
        PrintPaperRow{"AutomaticBinLeavesTheDriversSource", 9, poPortrait, 210, 297, 7, 1, 1, -1,
                      kAlways, 9, P, 0, 0, 2, 2, 1},
        PrintPaperRow{"ABinIsStored", 9, poLandscape, 297, 210, 4, 1, 3, -1, kAlways, 9, L, 0, 0, 4,
                      2, 3},
        PrintPaperRow{"TheOverrideWinsOverTheBin", 9, poPortrait, 0, 0, 4, 1, 1, 1, kAlways, 9, P,
                      0, 0, 1, 2, 1},
        PrintPaperRow{"TheOverrideWinsOverAutomatic", 9, poPortrait, 0, 0, 7, 1, 1, 4, kAlways, 9,
                      P, 0, 0, 4, 2, 1},
        PrintPaperRow{"DuplexFourIsSimplex", 8, poPortrait, 0, 0, 7, 4, 1, -1,
                      kAlways | DeviceMode::FieldDuplex, 8, P, 0, 0, 2, 1, 1},
        PrintPaperRow{"DuplexThreeIsStoredAsIs", 8, poPortrait, 0, 0, 7, 3, 1, -1,
                      kAlways | DeviceMode::FieldDuplex, 8, P, 0, 0, 2, 3, 1},
        PrintPaperRow{"CustomSizeInTenthsRounded", 256, poPortrait, 100.04L, 150.06L, 7, 1, 1, -1,
                      kAlways | DeviceMode::FieldPaperLength | DeviceMode::FieldPaperWidth, 256, P,
                      1000, 1501, 2, 2, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InstalledPrinter, ACustomSheetIsMeasuredAtItsOwnSize) {
    TfrxPrinters list(ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser")));
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetPrintPaper(256, poPortrait, 100, 150, 7, 1, 1);
    EXPECT_EQ(printer->Paper(), 256);
    EXPECT_EQ(printer->PaperWidth(), 100);
    EXPECT_EQ(printer->PaperHeight(), 150);
}

TEST(InstalledPrinter, ADocumentRecordsItsSheetsAndEndsTheBinOverride) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxPrinter* printer = Current(list);
    printer->SetTitle(QStringLiteral("Worksheet"));
    printer->SetBinOverride(4);

    printer->SetPrintPaper(9, poPortrait, 0, 0, 7, 1, 1);
    printer->BeginDocument();
    EXPECT_TRUE(printer->Printing());
    for (int i = 0; i < 2; ++i) {
        if (i == 1)
            printer->SetPrintPaper(9, poLandscape, 0, 0, 7, 1, 1);
        printer->BeginPrinterPage();
        platform::Canvas* canvas = printer->Canvas()->Surface();
        ASSERT_NE(canvas, nullptr);
        canvas->Rectangle({0, 0, 600, 600});
        printer->EndPrinterPage();
        EXPECT_EQ(printer->Canvas()->Surface(), nullptr);
    }
    printer->EndDocument();
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(printer->BinOverride(), -1);

    ASSERT_EQ(service->Documents().size(), 1);
    const auto& doc = service->Documents().first();
    EXPECT_EQ(doc.Title, QStringLiteral("Worksheet"));
    EXPECT_EQ(doc.OutputFile, QString());
    EXPECT_TRUE(doc.Ended);
    EXPECT_FALSE(doc.Aborted);
    EXPECT_EQ(doc.Sheets, 2);
    ASSERT_EQ(service->Sheets().size(), 2);
    EXPECT_EQ(service->Sheets()[0].Mode.Orientation, DeviceMode::Portrait);
    EXPECT_EQ(service->Sheets()[0].Mode.DefaultSource, 4);
    EXPECT_EQ(service->Sheets()[1].Mode.Orientation, DeviceMode::Landscape);
    EXPECT_EQ(service->Sheets()[0].Picture.boundingRect(), QRect(0, 0, 600, 600));
}

TEST(InstalledPrinter, AbortDocumentEndsTheDocumentUnsent) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetFileName(QStringLiteral("/tmp/out.prn"));
    printer->SetBinOverride(1);
    printer->BeginDocument();
    printer->BeginPrinterPage();
    printer->AbortDocument();
    EXPECT_FALSE(printer->Printing());
    EXPECT_EQ(printer->BinOverride(), -1);
    ASSERT_EQ(service->Documents().size(), 1);
    EXPECT_EQ(service->Documents().first().OutputFile, QStringLiteral("/tmp/out.prn"));
    EXPECT_TRUE(service->Documents().first().Aborted);
    EXPECT_FALSE(service->Documents().first().Ended);
    EXPECT_TRUE(service->Sheets().isEmpty());
}

TEST(InstalledPrinter, RawDataGoesOutAsWritten) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetTitle(QStringLiteral("Raw"));
    printer->BeginRawDocument();
    printer->WriteRawData(QByteArray("\x1b" "E", 2));
    printer->WriteRawData(QByteArray("text\f"));
    printer->EndRawDocument();
    ASSERT_EQ(service->Documents().size(), 1);
    const auto& doc = service->Documents().first();
    EXPECT_TRUE(doc.Raw);
    EXPECT_TRUE(doc.Ended);
    EXPECT_EQ(doc.Title, QStringLiteral("Raw"));
    EXPECT_EQ(doc.RawData, QByteArray("\x1b" "Etext\f"));
}

TEST(PrinterCanvas, PointSizesBecomePrinterDots) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxCustomPrinter* printer = list.CurrentPrinter();
    printer->SetPrintPaper(9, poPortrait, 0, 0, 7, 1, 1);
    printer->BeginDocument();
    printer->BeginPrinterPage();
    // The recording service draws its sheets through a painter canvas.
    auto* canvas = dynamic_cast<platform::PainterCanvas*>(printer->Canvas()->Surface());
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->DpiY(), 600);
    QPainter* painter = canvas->Painter();
    EXPECT_EQ(printer->Canvas()->Dpi(), QPoint(600, 600));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(72); // one inch
    painter->setFont(font);
    EXPECT_EQ(painter->device()->logicalDpiY(), 600);
    // At 600 dpi a 72-point font is 600 dots from ascent to descent, give or take the face.
    const int height = painter->fontMetrics().ascent() + painter->fontMetrics().descent();
    EXPECT_NEAR(height, 600 * 1.15, 60);
    printer->EndPrinterPage();
    printer->EndDocument();
}

// Runs `act` on the properties dialog as soon as it is shown.
void OnPropertiesDialog(std::function<void(QDialog*)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<QDialog*>(w);
                dlg && dlg->objectName() == QStringLiteral("PrinterPropertiesForm") &&
                dlg->isVisible()) {
                act(dlg);
                return;
            }
        ADD_FAILURE() << "no properties dialog";
    });
}

TEST(PrinterProperties, OkSetsTheBinOverrideFromTheChosenSource) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxPrinter* printer = Current(list);
    QStringList sources;
    OnPropertiesDialog([&](QDialog* dlg) {
        auto* source = dlg->findChild<QComboBox*>(QStringLiteral("SourceCB"));
        ASSERT_NE(source, nullptr);
        for (int i = 0; i < source->count(); ++i)
            sources << source->itemText(i);
        source->setCurrentIndex(source->findData(4));
        dlg->findChild<QRadioButton*>(QStringLiteral("LandscapeRB"))->setChecked(true);
        dlg->accept();
    });
    EXPECT_TRUE(printer->ShowPrinterProperties());
    EXPECT_EQ(sources, (QStringList{QStringLiteral("Default"), QStringLiteral("Upper"),
                                    QStringLiteral("Manual")}));
    EXPECT_EQ(printer->BinOverride(), 4);
    EXPECT_EQ(printer->DevMode()->Orientation, DeviceMode::Landscape);

    // The chosen source lasts for the next document, whatever bin the pages ask for.
    printer->SetPrintPaper(9, poPortrait, 0, 0, 1, 1, 1);
    EXPECT_EQ(printer->DevMode()->DefaultSource, 4);
    // The orientation chosen in the dialog stays until a set-up overwrites it.
    EXPECT_EQ(printer->DevMode()->Orientation, DeviceMode::Portrait);
}

TEST(PrinterProperties, CancelChangesNothing) {
    auto service = ServiceWith({QStringLiteral("Laser")}, QStringLiteral("Laser"));
    TfrxPrinters list(service);
    TfrxPrinter* printer = Current(list);
    const DeviceMode before = *printer->DevMode();
    OnPropertiesDialog([](QDialog* dlg) {
        dlg->findChild<QComboBox*>(QStringLiteral("SourceCB"))->setCurrentIndex(2);
        dlg->reject();
    });
    EXPECT_FALSE(printer->ShowPrinterProperties());
    EXPECT_EQ(printer->BinOverride(), -1);
    EXPECT_EQ(*printer->DevMode(), before);
}

TEST(ProcessWideList, IsMadeOnFirstUseOverTheChosenService) {
    platform::RegistryScope services;
    auto service = ServiceWith({QStringLiteral("Laser"), QStringLiteral("Inkjet")},
                               QStringLiteral("Inkjet"));
    platform::Registry::Install<platform::PrintService>(service);
    TfrxPrinters* list = frxPrinters();
    EXPECT_EQ(list, PrinterList());
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->CurrentPrinter()->Name(), QStringLiteral("Inkjet"));
    platform::Registry::Install<platform::PrintService>(std::make_shared<RecordingPrintService>());
    EXPECT_EQ(frxPrinters()->Printers(), QStringList{QStringLiteral("Virtual")});
}

} // namespace

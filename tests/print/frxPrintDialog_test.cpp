// The print dialog: its controls, what it reads from the print options and writes back on OK,
// the printer it makes current, the sheet list, printing to a file.

#include "TestSupport.h"

#include "PrintTestSupport.h"
#include "platform/Error.h"
#include "print/frxPrintDialog.h"
#include "print/frxPrintDialog_p.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace frxClass;
using platform::RecordingPrintService;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

QStringList Items(const QComboBox* cb) {
    QStringList items;
    for (int i = 0; i < cb->count(); ++i)
        items << cb->itemText(i);
    return items;
}

// Everything the dialog may write, to see that nothing was written.
QStringList Snapshot(const TfrxPrintOptions& o) {
    return {QString::number(o.Copies()),    QString::number(o.Collate()), o.PageNumbers(),
            o.Printer(),                     QString::number(o.PrintMode()),
            QString::number(o.PrintOnSheet()), QString::number(o.PrintPages()),
            QString::number(o.Reverse()),    QString::number(o.ShowDialog())};
}

class PrintDialog : public ::testing::Test {
protected:
    platform::RegistryScope services; // the print service the test chose goes with it

    void SetUp() override {
        auto office = RecordingPrintService::MakePrinter(S("Office"), S("ipp://office/queue"));
        auto small = RecordingPrintService::MakePrinter(S("Small"), S("usb://small"));
        small.Papers = {{S("Letter"), 1}, {S("A4"), 9}, {S("A5"), 11}};
        service = UseRecordingPrinters({office, small}, S("Office"));
    }

    // A dialog as the print job shows it.
    std::unique_ptr<TfrxPrintDialog> Dialog(int currentPreviewPage = 0) {
        auto d = std::make_unique<TfrxPrintDialog>();
        d->DialogReport = &report;
        d->CurrentPreviewPage = currentPreviewPage;
        d->FormShow();
        return d;
    }
    void ChoosePrinter(TfrxPrintDialog& d, const char* name) {
        d.PrintersCB->setCurrentIndex(d.PrintersCB->findText(S(name)));
        d.PrintersCBClick();
    }
    QString Current() const { return frxPrinters()->CurrentPrinter()->Name(); }
    TfrxPrintOptions& options() { return *report.PrintOptions(); }

    std::shared_ptr<RecordingPrintService> service;
    TfrxReport report;
};

TEST_F(PrintDialog, ShowsEveryControlWithItsCaption) {
    auto d = Dialog();
    EXPECT_EQ(d->size(), QSize(557, 334));
    EXPECT_EQ(d->windowTitle(), S("Print"));
    ExpectCaptions(*d, {
        {"PrinterL", "Printer"},        {"NameL", "Name:"},
        {"PropButton", "Properties..."}, {"WhereL", "Where:"},
        {"FileCB", "Print to file"},    {"PagesL", "Pages"},
        {"AllRB", "All"},               {"CurPageRB", "Current page"},
        {"PageNumbersRB", "Pages:"},    {"CopiesGB", "Copies"},
        {"CopiesL", "Number of copies"}, {"CollateCB", "Collate"},
        {"OtherL", "Other"},            {"PrintL", "Print"},
        {"OrderL", "Order"},            {"DuplexL", "Duplex"},
        {"PrintModeGB", "Print mode"},  {"PagSizeL", "Print on sheet"},
        {"OkB", "OK"},                  {"CancelB", "Cancel"},
        {"DescrL", "Enter page numbers and/or page ranges, separated by commas. For example, "
                   "1,3,5-12"},
    });
    EXPECT_EQ(Items(d->PrintersCB), (QStringList{S("Office"), S("Small")}));
    EXPECT_EQ(d->PrintersCB->currentText(), S("Office"));
    EXPECT_EQ(d->WhereL1->text(), S("ipp://office/queue"));
    EXPECT_EQ(Items(d->PrintPagesCB), (QStringList{S("All pages"), S("Odd pages"), S("Even pages")}));
    EXPECT_EQ(Items(d->OrderCB), (QStringList{S("Direct (1-9)"), S("Reverse (9-1)")}));
    EXPECT_EQ(Items(d->DuplexCB),
              (QStringList{S("Default"), S("Vertical"), S("Horizontal"), S("Simplex")}));
    EXPECT_EQ(Items(d->PrintModeCB), (QStringList{S("Default"), S("Split big pages"),
                                                  S("Join small pages"), S("Scale")}));
    EXPECT_EQ(Items(d->PagPageSizeCB),
              (QStringList{S("Default"), S("Letter"), S("A3"), S("A4"), S("A5")}));
    EXPECT_EQ(d->PrintersCB->view()->sizeHintForRow(0), 16);
    EXPECT_EQ(d->PrintModeCB->view()->sizeHintForRow(0), 34);

    // What a user sees for default options.
    EXPECT_TRUE(d->AllRB->isChecked());
    EXPECT_EQ(d->CopiesE->text(), S("1"));
    EXPECT_TRUE(d->CollateCB->isChecked());
    EXPECT_EQ(d->PrintPagesCB->currentIndex(), 0);
    EXPECT_EQ(d->OrderCB->currentIndex(), 0);
    EXPECT_EQ(d->DuplexCB->currentIndex(), 0);
    EXPECT_EQ(d->PrintModeCB->currentIndex(), 0);
    EXPECT_EQ(d->PagPageSizeCB->currentIndex(), 0);
    EXPECT_FALSE(d->PagPageSizeCB->isEnabled());
    EXPECT_FALSE(d->FileCB->isChecked());
    // No preview page: "Current page" cannot be chosen, and says why.
    EXPECT_FALSE(d->CurPageRB->isEnabled());
    EXPECT_FALSE(d->CurPageRB->toolTip().isEmpty());
}

TEST_F(PrintDialog, OpensWithTheOptionsOfTheReport) {
    options().SetCopies(3);
    options().SetCollate(false);
    options().SetPageNumbers(S("2-4"));
    options().SetPrintPages(ppEven);
    options().SetReverse(true);
    options().SetPrintMode(pmScale);
    options().SetPrintOnSheet(11);
    auto d = Dialog();
    EXPECT_EQ(d->CopiesE->text(), S("3"));
    EXPECT_EQ(d->UpDown1->Position(), 3);
    EXPECT_FALSE(d->CollateCB->isChecked());
    EXPECT_TRUE(d->PageNumbersRB->isChecked());
    EXPECT_EQ(d->PageNumbersE->text(), S("2-4"));
    EXPECT_EQ(d->PrintPagesCB->currentIndex(), 2);
    EXPECT_EQ(d->OrderCB->currentIndex(), 1);
    EXPECT_EQ(d->PrintModeCB->currentIndex(), 3);
    EXPECT_TRUE(d->PagPageSizeCB->isEnabled());
    EXPECT_EQ(d->PagPageSizeCB->currentText(), S("A5"));
    EXPECT_EQ(d->DuplexCB->currentIndex(), 0);
}

TEST_F(PrintDialog, OkWritesEveryChoiceBack) {
    auto d = Dialog(5);
    d->UpDown1->SetPosition(4);
    d->CollateCB->setChecked(false);
    d->PageNumbersRB->setChecked(true);
    d->PageNumbersE->setText(S(" 1, 3 "));
    d->PrintPagesCB->setCurrentIndex(1);
    d->OrderCB->setCurrentIndex(1);
    d->DuplexCB->setCurrentIndex(2);
    d->PrintModeCB->setCurrentIndex(1);
    d->PrintModeCBClick();
    d->PagPageSizeCB->setCurrentIndex(d->PagPageSizeCB->findText(S("A3")));
    EXPECT_EQ(d->FormHide(QDialog::Accepted), QDialog::Accepted);
    EXPECT_EQ(options().Copies(), 4);
    EXPECT_FALSE(options().Collate());
    EXPECT_EQ(options().PageNumbers(), S(" 1, 3 "));
    EXPECT_EQ(options().PrintPages(), ppOdd);
    EXPECT_TRUE(options().Reverse());
    EXPECT_EQ(options().PrintMode(), pmSplit);
    EXPECT_EQ(options().PrintOnSheet(), 8);
    EXPECT_EQ(d->DuplexChoice, 2);
    EXPECT_TRUE(frxPrinters()->CurrentPrinter()->FileName().isEmpty());

    // "All" clears the page numbers; the sheet list's "Default" is the custom code.
    auto again = Dialog();
    again->AllRB->setChecked(true);
    again->PrintModeCB->setCurrentIndex(0);
    again->PrintModeCBClick();
    again->FormHide(QDialog::Accepted);
    EXPECT_TRUE(options().PageNumbers().isEmpty());
    EXPECT_EQ(options().PrintOnSheet(), 256);
}

TEST_F(PrintDialog, CurrentPageStoresThePageThePreviewShows) {
    auto d = Dialog(3);
    EXPECT_TRUE(d->CurPageRB->isEnabled());
    d->CurPageRB->setChecked(true);
    d->FormHide(QDialog::Accepted);
    EXPECT_EQ(options().PageNumbers(), S("3"));
}

TEST_F(PrintDialog, ChoosingAPrinterTakesEffectAtOnceAndCancelUndoesIt) {
    options().SetCopies(2);
    const QStringList before = Snapshot(options());
    auto d = Dialog();
    ChoosePrinter(*d, "Small");
    EXPECT_EQ(Current(), S("Small"));
    EXPECT_EQ(d->WhereL1->text(), S("usb://small"));
    d->UpDown1->SetPosition(7);
    EXPECT_EQ(d->FormHide(QDialog::Rejected), QDialog::Rejected);
    EXPECT_EQ(Current(), S("Office"));
    EXPECT_EQ(Snapshot(options()), before);
}

TEST_F(PrintDialog, APrinterWithoutTheChosenSheetResetsTheSheetListAndTheMode) {
    auto d = Dialog();
    d->PrintModeCB->setCurrentIndex(pmJoin);
    d->PrintModeCBClick();
    d->PagPageSizeCB->setCurrentIndex(d->PagPageSizeCB->findText(S("A3")));
    ChoosePrinter(*d, "Small");
    EXPECT_EQ(d->PagPageSizeCB->currentIndex(), 0);
    EXPECT_EQ(Items(d->PagPageSizeCB), (QStringList{S("Default"), S("Letter"), S("A4"), S("A5")}));
    // Join on the Default sheet is no choice the job can carry out: the mode goes back too,
    // and OK hands the job a consistent pair.
    EXPECT_EQ(d->PrintModeCB->currentIndex(), int(pmDefault));
    EXPECT_FALSE(d->PagPageSizeCB->isEnabled());
    EXPECT_EQ(d->FormHide(QDialog::Accepted), QDialog::Accepted);
    EXPECT_EQ(options().PrintMode(), pmDefault);

    // A sheet both printers have stays chosen.
    d->PrintModeCB->setCurrentIndex(pmJoin);
    d->PrintModeCBClick();
    d->PagPageSizeCB->setCurrentIndex(d->PagPageSizeCB->findText(S("A5")));
    ChoosePrinter(*d, "Office");
    EXPECT_EQ(d->PagPageSizeCB->currentText(), S("A5"));
    EXPECT_EQ(d->PrintModeCB->currentIndex(), int(pmJoin));
}

TEST_F(PrintDialog, APrinterWithoutA4OffersItsFirstPaperForTheModes) {
    auto noA4 = RecordingPrintService::MakePrinter(S("Letters"));
    noA4.Papers = {{S("Letter"), 1}, {S("Legal"), 5}};
    service->AddPrinter(noA4);
    frxPrinters()->FillPrinterList();
    auto d = Dialog();
    ChoosePrinter(*d, "Letters");
    d->PrintModeCB->setCurrentIndex(pmScale);
    d->PrintModeCBClick();
    EXPECT_EQ(d->PagPageSizeCB->currentText(), S("Letter"));
    EXPECT_EQ(d->PrintModeCB->currentIndex(), int(pmScale));
}

TEST_F(PrintDialog, ModesOtherThanDefaultOfferTheSheetsStartingWithA4) {
    auto d = Dialog();
    d->PrintModeCB->setCurrentIndex(pmScale);
    d->PrintModeCBClick();
    EXPECT_TRUE(d->PagPageSizeCB->isEnabled());
    EXPECT_EQ(d->PagPageSizeCB->currentText(), S("A4"));
    d->PagPageSizeCB->setCurrentIndex(d->PagPageSizeCB->findText(S("A5")));
    d->PrintModeCB->setCurrentIndex(pmSplit);
    d->PrintModeCBClick();
    EXPECT_EQ(d->PagPageSizeCB->currentText(), S("A5"));
    d->PrintModeCB->setCurrentIndex(pmDefault);
    d->PrintModeCBClick();
    EXPECT_EQ(d->PagPageSizeCB->currentIndex(), 0);
    EXPECT_FALSE(d->PagPageSizeCB->isEnabled());
}

TEST_F(PrintDialog, PrintingToAFileAsksForItsName) {
    QTemporaryDir dir;
    auto d = Dialog();
    ChoosePrinter(*d, "Small");
    d->FileCB->setChecked(true);
    d->UpDown1->SetPosition(2);
    OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), S("Print To File"));
        EXPECT_EQ(dlg->nameFilters(), QStringList{S("Printer files (*.prn)")});
        // Typed into the name field, as a user does.
        auto* name = dlg->findChild<QLineEdit*>(S("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(dir.filePath(S("worksheet.pdf")));
        static_cast<QDialog*>(dlg)->done(QDialog::Accepted);
    });
    EXPECT_EQ(d->FormHide(QDialog::Accepted), QDialog::Accepted);
    EXPECT_EQ(frxPrinters()->CurrentPrinter()->FileName(), dir.filePath(S("worksheet.prn")));
    EXPECT_EQ(options().Copies(), 2);
}

TEST_F(PrintDialog, ACancelledFileDialogCountsAsCancelAndKeepsThePrinterChosen) {
    const QStringList before = Snapshot(options());
    auto d = Dialog();
    ChoosePrinter(*d, "Small");
    d->FileCB->setChecked(true);
    d->UpDown1->SetPosition(5);
    OnNextModal([](QWidget* w) {
        ASSERT_NE(qobject_cast<QFileDialog*>(w), nullptr);
        qobject_cast<QDialog*>(w)->reject();
    });
    EXPECT_EQ(d->FormHide(QDialog::Accepted), QDialog::Rejected);
    EXPECT_EQ(Current(), S("Small"));
    EXPECT_TRUE(frxPrinters()->CurrentPrinter()->FileName().isEmpty());
    EXPECT_EQ(Snapshot(options()), before);
}

TEST_F(PrintDialog, AnEmptiedCopiesFieldIsAConversionError) {
    const QStringList before = Snapshot(options());
    auto d = Dialog();
    d->CopiesE->clear();
    try {
        d->FormHide(QDialog::Accepted);
        FAIL() << "no error";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), S("'' is not a valid integer value"));
    }
    EXPECT_EQ(Snapshot(options()), before);
}

TEST_F(PrintDialog, CopiesTakeDigitsOnlyAndNeverGoBelowOne) {
    auto d = Dialog();
    QString text = S("2a");
    int pos = 0;
    EXPECT_EQ(d->CopiesE->validator()->validate(text, pos), QValidator::Invalid);
    d->UpDown1->Step(-1);
    EXPECT_EQ(d->CopiesE->text(), S("1"));
    d->UpDown1->UpButton()->click();
    d->UpDown1->UpButton()->click();
    EXPECT_EQ(d->CopiesE->text(), S("3"));
    d->CopiesE->setText(S("9"));
    d->UpDown1->DownButton()->click();
    EXPECT_EQ(d->CopiesE->text(), S("8"));
}

TEST_F(PrintDialog, EnteringThePageNumbersChoosesPages) {
    auto d = Dialog();
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(d->PageNumbersE, &in);
    EXPECT_TRUE(d->PageNumbersRB->isChecked());
}

TEST_F(PrintDialog, TheCollatePictureFollowsTheCheckBox) {
    auto d = Dialog();
    const QImage collated = d->CopiesPB->grab().toImage();
    d->CollateCB->setChecked(false);
    const QImage uncollated = d->CopiesPB->grab().toImage();
    EXPECT_NE(collated, uncollated);
    d->CollateCB->setChecked(true);
    EXPECT_EQ(d->CopiesPB->grab().toImage(), collated);
}

TEST_F(PrintDialog, OkAndCancelEndTheModalLoop) {
    auto d = Dialog();
    OnNextModal([](QWidget* w) { w->findChild<QPushButton*>(S("OkB"))->click(); });
    EXPECT_TRUE(d->Execute());
    auto c = Dialog();
    OnNextModal([](QWidget* w) { w->findChild<QPushButton*>(S("CancelB"))->click(); });
    EXPECT_FALSE(c->Execute());
}

} // namespace

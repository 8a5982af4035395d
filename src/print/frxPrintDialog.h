#pragma once
// The print dialog: printer, pages, copies and collation, odd/even pages, order, duplex and the
// print mode with its sheet paper. It reads the report's PrintOptions when shown and writes the
// user's choices back only on OK; choosing a printer makes it current at once, and Cancel
// undoes that.

#include <QDialog>
#include <QPixmap>

#include <array>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrxReport;

namespace frxPrintDialogDetail {
class OwnerDrawCombo;
class UpDown;
class PaintBox;
} // namespace frxPrintDialogDetail

class TfrxPrintDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the window and its lists (FormCreate); the current printer is selected in the list.
    explicit TfrxPrintDialog(QWidget* parent = nullptr);
    ~TfrxPrintDialog() override;

    // Set by the caller before showing.
    TfrxReport* DialogReport = nullptr;
    // 0..3 (default, vertical, horizontal, simplex); read back after OK.
    int DuplexChoice = 0;
    // 1-based page the preview shows, for "Current page"; 0 when no preview shows one.
    int CurrentPreviewPage = 0;
    // The printer list's index when the dialog was created.
    int InitialPrinterIndex = -1;

    // Shows the dialog modally with the report's options and applies the result (FormShow,
    // the modal loop, FormHide). True when the user confirmed; on OK the options hold the
    // choices. An emptied copies field raises the conversion error.
    bool Execute();

    // The handlers, also run by the tests.
    void FormShow();
    // Runs as the modal loop ends with `result`; returns the result that stands (a cancelled
    // file dialog turns OK into Cancel).
    int FormHide(int result);
    void PrintersCBClick();
    void PropButtonClick();
    void PageNumbersEEnter();
    void PageNumbersRBClick();
    void CollateCBClick();
    void PrintModeCBClick();

    // Selects paper `code` of the current printer in the sheet list ("Default" when absent).
    void SelectSheetCode(int code);

    // The pictures the lists and the paint box show.
    static QPixmap PrinterImage();
    static QPixmap PrintModeImage(int mode);
    static QPixmap CollateImage(bool collate);

    // Controls, named as in the window design.
    QGroupBox* PrinterL = nullptr;
    QLabel* NameL = nullptr;
    frxPrintDialogDetail::OwnerDrawCombo* PrintersCB = nullptr;
    QPushButton* PropButton = nullptr;
    QLabel* WhereL = nullptr;
    QLabel* WhereL1 = nullptr;
    QCheckBox* FileCB = nullptr;
    QGroupBox* PagesL = nullptr;
    QRadioButton* AllRB = nullptr;
    QRadioButton* CurPageRB = nullptr;
    QRadioButton* PageNumbersRB = nullptr;
    QLineEdit* PageNumbersE = nullptr;
    QLabel* DescrL = nullptr;
    QGroupBox* CopiesGB = nullptr;
    QLabel* CopiesL = nullptr;
    QLineEdit* CopiesE = nullptr;
    frxPrintDialogDetail::UpDown* UpDown1 = nullptr;
    QCheckBox* CollateCB = nullptr;
    frxPrintDialogDetail::PaintBox* CopiesPB = nullptr;
    QGroupBox* OtherL = nullptr;
    QLabel* PrintL = nullptr;
    QComboBox* PrintPagesCB = nullptr;
    QLabel* OrderL = nullptr;
    QComboBox* OrderCB = nullptr;
    QLabel* DuplexL = nullptr;
    QComboBox* DuplexCB = nullptr;
    QGroupBox* PrintModeGB = nullptr;
    frxPrintDialogDetail::OwnerDrawCombo* PrintModeCB = nullptr;
    QLabel* PagSizeL = nullptr;
    QComboBox* PagPageSizeCB = nullptr;
    QPushButton* OkB = nullptr;
    QPushButton* CancelB = nullptr;
    QFileDialog* FileDlg = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CopiesPBPaint(QPainter& painter);
    void MirrorControls(QWidget* parent);
};

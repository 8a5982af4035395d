#pragma once
// The page settings dialog: paper size, orientation and margins of one live report page, in
// the display units the report's settings name, and whether the change is meant for all pages.
// Picking a paper measures it on the current printer, which changes that printer's paper.

#include "printers/frxPrinter.h"

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TfrxCustomPreviewPages;
class TfrxReport;
class TfrxReportPage;

// Numbers in the dialog: two decimals when the value has a fractional part, none otherwise,
// with the locale's decimal separator.
QString FormatNumber(long double value);
// "." and "," both count as the decimal separator and blanks are dropped; anything else that
// is not a number raises "'<text>' is not a valid floating point value".
long double ParseNumber(const QString& text);

// The file the report's IniFile setting names: for a "\Software\..." key a settings file of
// ours under the user's configuration folder, otherwise the INI file itself.
QString frxUnitsSettingsFile(const QString& iniFile);
// "Units" of section "Form.TfrxDesignerForm" in that file; 0 when absent or not a number.
int frxReadDisplayUnits(const QString& iniFile);

class TfrxPageSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxPageSettingsForm(QWidget* parent = nullptr);
    ~TfrxPageSettingsForm() override;

    // Set by the caller before showing.
    TfrxReportPage* EditedPage = nullptr;
    TfrxReport* Report = nullptr;
    int DisplayUnits = 0;
    bool Updating = false;

    // Shows the dialog modally; true after OK, when EditedPage holds the new values.
    bool Execute();
    // Whether "Apply to all pages" was chosen.
    bool AppliesToAllPages() const;

    long double ToDisplayUnits(long double mm) const;
    long double FromDisplayUnits(long double value) const;

    // The handlers, also run by the tests.
    void FormShow();
    // Writes the edits into EditedPage (OK). Every field is read before the page changes, so
    // a field that is not a number raises the conversion error and leaves the page as it was.
    void FormHide();
    void SizeCBClick();
    void PortraitRBClick();
    void WidthEChange();

    // The pictures beside the orientation buttons.
    static QPixmap OrientationImage(TPrinterOrientation orientation);

    QGroupBox* SizeL = nullptr;
    QComboBox* SizeCB = nullptr;
    QLabel* WidthL = nullptr;
    QLineEdit* WidthE = nullptr;
    QLabel* UnitL1 = nullptr;
    QLabel* HeightL = nullptr;
    QLineEdit* HeightE = nullptr;
    QLabel* UnitL2 = nullptr;
    QGroupBox* OrientationL = nullptr;
    QRadioButton* PortraitRB = nullptr;
    QRadioButton* LandscapeRB = nullptr;
    QLabel* PortraitImg = nullptr;
    QLabel* LandscapeImg = nullptr;
    QGroupBox* MarginsL = nullptr;
    QLabel* LeftL = nullptr;
    QLineEdit* MarginLeftE = nullptr;
    QLabel* UnitL3 = nullptr;
    QLabel* TopL = nullptr;
    QLineEdit* MarginTopE = nullptr;
    QLabel* UnitL4 = nullptr;
    QLabel* RightL = nullptr;
    QLineEdit* MarginRightE = nullptr;
    QLabel* UnitL5 = nullptr;
    QLabel* BottomL = nullptr;
    QLineEdit* MarginBottomE = nullptr;
    QLabel* UnitL6 = nullptr;
    QGroupBox* OtherL = nullptr;
    QRadioButton* ApplyToCurRB = nullptr;
    QRadioButton* ApplyToAllRB = nullptr;
    QPushButton* OKB = nullptr;
    QPushButton* CancelB = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TPrinterOrientation CheckedOrientation() const;
    int SelectedPaperCode() const;
    void ShowSize(long double widthMM, long double heightMM);

    // The orientation the width and height fields are given in.
    TPrinterOrientation m_shownOrientation = poPortrait;
};

// What the preview does with the dialog's result.
struct TfrxPageSettingsHandOver {
    std::function<void()> Freeze;
    std::function<void()> Thaw;
    // Prepares the report again and shows the new pages.
    std::function<void()> Reprepare;
};

// The preview's Page Settings: shows the dialog for prepared page `pageIndex` of `pages`, the
// report's store; after OK either that prepared page is replaced by the edited page (while the preview
// is frozen), or the paper and margins go to every page of the template and the report is
// prepared again. True after OK.
bool frxPreviewPageSettings(TfrxReport& report, TfrxCustomPreviewPages& pages, int pageIndex,
                            const TfrxPageSettingsHandOver& preview, QWidget* parent = nullptr);

#pragma once
// The worksheet window: the generated sheet in a five-column grid, answers on and off, a fresh
// sheet with the same settings, and the print preview.

#include "grid/AdvGrid.h"
#include "report/frxVariant.h"
#include "worksheet/Worksheet.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QPushButton;
class TfrxReport;

// Where a window designed at `design` (outer rectangle, frame included) goes on a screen whose
// available area is `available`: where designed when it fits; otherwise moved just enough to lie
// within the area (its top-left corner kept inside when the window is larger than the area).
QPoint FitWindowToScreen(const QRect& design, const QRect& available);

class Tfrm_Shengcheng : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_Shengcheng(QWidget* parent = nullptr);
    ~Tfrm_Shengcheng() override;

    // Shows the window modally and returns when it is closed.
    void ShowModal();

    void FormCreate();
    void FormShow();
    void btn_resetClick();
    void chk_showallClick();
    void btn_printClick();
    void btn_Frm2exitClick();
    // The report's value callback: the worksheet's answer for the bracketed names "var1".."var7".
    void frxReport1GetValue(const QString& VarName, Variant& Value);
    void asgGetAlignment(QObject* Sender, int ARow, int ACol, grid::TAlignment& HAlign,
                         grid::TVAlignment& VAlign);

    // Merges every run of two or more equal adjacent cells in the rows first..last.
    void MergeEqualCells(int firstRow, int lastRow);

    const worksheet::Worksheet& Sheet() const { return m_sheet; }
    // The worksheet's print template, built once with the window.
    TfrxReport* frxReport1() const { return m_report.get(); }

    grid::TAdvStringGrid* asg;
    QPushButton* btn_print;
    QPushButton* btn_reset;
    QPushButton* btn_Frm2exit;
    QCheckBox* chk_showall;

protected:
    void showEvent(QShowEvent* event) override;

    // Outer rectangle of the design, frame included (px at 96 dpi).
    static constexpr int DesignLeft = 664;
    static constexpr int DesignTop = 131;
    static constexpr int DesignWidth = 771;
    static constexpr int DesignHeight = 675;
    // Puts the window at its design position, or as near as the screen allows.
    void PlaceOnScreen();

private:
    void Regenerate();
    void ShowSheetInGrid();

    worksheet::Worksheet m_sheet;
    std::unique_ptr<TfrxReport> m_report;
};

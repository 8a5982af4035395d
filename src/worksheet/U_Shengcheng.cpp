#include "worksheet/U_Shengcheng.h"

#include "common/U_Common.h"
#include "platform/Error.h"
#include "report/frxClass.h"
#include "worksheet/WorksheetReport.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

using namespace grid;
using worksheet::Worksheet;

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
} // namespace

QPoint FitWindowToScreen(const QRect& design, const QRect& available) {
    int x = design.left();
    int y = design.top();
    if (x + design.width() > available.left() + available.width())
        x = available.left() + available.width() - design.width();
    if (y + design.height() > available.top() + available.height())
        y = available.top() + available.height() - design.height();
    return QPoint(std::max(x, available.left()), std::max(y, available.top()));
}

Tfrm_Shengcheng::Tfrm_Shengcheng(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frm_Shengcheng"));
    setWindowTitle(U("按需生成的题"));
    // Outer size 771 x 675 at (664, 131); the client area is that less the frame and caption.
    setFixedSize(755, 636);
    PlaceOnScreen();
    setWindowModality(Qt::ApplicationModal);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    asg = new TAdvStringGrid(this);
    asg->setObjectName(QStringLiteral("asg"));
    asg->setGeometry(0, 0, 755, 577);
    asg->SetFixedCols(0);
    asg->SetFixedRows(0);
    asg->SetColCount(Worksheet::Columns);
    asg->SetRowCount(Worksheet::TableRows);
    asg->SetDefaultColWidth(150);
    asg->SetDefaultRowHeight(26);
    asg->SetScrollBars(ssNone);
    TFont cellFont;
    cellFont.Name = U("宋体");
    cellFont.Height = -14;
    cellFont.Color = clBlack;
    cellFont.Charset = GB2312_CHARSET;
    asg->SetFont(cellFont);
    asg->SetGridLineWidth(1);
    asg->SetGridLineColor(clSilver);
    asg->SetOptions(TGridOptions(TGridOption::goVertLine) | TGridOption::goHorzLine |
                    TGridOption::goRangeSelect);
    asg->SetShowSelection(false);
    asg->SetVAlignment(vtaCenter);
    asg->SetWordWrap(false);
    asg->OnGetAlignment = [this](QObject* sender, int row, int col, TAlignment& h,
                                 TVAlignment& v) { asgGetAlignment(sender, row, col, h, v); };

    btn_print = new QPushButton(U("打印预览"), this);
    btn_print->setObjectName(QStringLiteral("btn_print"));
    btn_print->setGeometry(112, 592, 75, 25);
    connect(btn_print, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { btn_printClick(); }); });

    btn_reset = new QPushButton(U("重新生成"), this);
    btn_reset->setObjectName(QStringLiteral("btn_reset"));
    btn_reset->setGeometry(288, 592, 75, 25);
    connect(btn_reset, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { btn_resetClick(); }); });

    btn_Frm2exit = new QPushButton(U("退出"), this);
    btn_Frm2exit->setObjectName(QStringLiteral("btn_Frm2exit"));
    btn_Frm2exit->setGeometry(464, 592, 75, 25);
    connect(btn_Frm2exit, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { btn_Frm2exitClick(); }); });

    chk_showall = new QCheckBox(U("显示结果"), this);
    chk_showall->setObjectName(QStringLiteral("chk_showall"));
    chk_showall->setGeometry(616, 592, 97, 17);
    connect(chk_showall, &QCheckBox::toggled, this,
            [this] { platform::Guarded([this] { chk_showallClick(); }); });

    setTabOrder(btn_print, btn_reset);
    setTabOrder(btn_reset, btn_Frm2exit);
    setTabOrder(btn_Frm2exit, chk_showall);
    setTabOrder(chk_showall, asg);

    m_report = worksheet::CreateWorksheetReport();
    m_report->OnGetValue = [this](const QString& name, Variant& value) {
        frxReport1GetValue(name, value);
    };

    FormCreate();
}

Tfrm_Shengcheng::~Tfrm_Shengcheng() = default;

void Tfrm_Shengcheng::PlaceOnScreen() {
    // On a screen too small for the design (1366 x 768 is common in schools) the window would
    // run past the right and bottom edges, taking "显示结果" and the buttons with it.
    const QPoint designPos(DesignLeft, DesignTop);
    QScreen* screen = QGuiApplication::screenAt(designPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // The real frame once the window has one; the design's until then.
    QSize outer(DesignWidth, DesignHeight);
    if (frameGeometry().size() != size())
        outer = outer.expandedTo(frameGeometry().size());
    move(screen ? FitWindowToScreen(QRect(designPos, outer), screen->availableGeometry())
                : designPos);
}

void Tfrm_Shengcheng::ShowModal() {
    PlaceOnScreen();
    exec();
}

void Tfrm_Shengcheng::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void Tfrm_Shengcheng::FormCreate() { MergeEqualCells(0, 0); }

void Tfrm_Shengcheng::FormShow() { Regenerate(); }

void Tfrm_Shengcheng::btn_resetClick() { Regenerate(); }

void Tfrm_Shengcheng::Regenerate() {
    MergeEqualCells(0, 0);
    const WorksheetSettings& settings = U_Common::Settings();
    // Runs chk_showallClick when the state changes; the generation below overwrites its refill.
    chk_showall->setChecked(settings.ShowAnswers);
    m_sheet.GenerateWorksheet(settings);
    ShowSheetInGrid();
}

void Tfrm_Shengcheng::chk_showallClick() {
    m_sheet.RefillWorksheet(chk_showall->isChecked());
    ShowSheetInGrid();
}

void Tfrm_Shengcheng::btn_printClick() {
    // Every press prepares afresh from the sheet as it is shown now.
    m_report->ShowReport(true);
}

void Tfrm_Shengcheng::frxReport1GetValue(const QString& VarName, Variant& Value) {
    worksheet::WorksheetValue(m_sheet, U_Common::Settings().ProblemCount, VarName, Value);
}

void Tfrm_Shengcheng::btn_Frm2exitClick() { close(); }

void Tfrm_Shengcheng::asgGetAlignment(QObject*, int ARow, int, TAlignment& HAlign,
                                      TVAlignment& VAlign) {
    HAlign = ARow == 0 ? taCenter : taRightJustify;
    VAlign = vtaCenter;
}

void Tfrm_Shengcheng::MergeEqualCells(int firstRow, int lastRow) {
    const int rows = asg->RowCount();
    if (firstRow > rows || lastRow > rows || lastRow < firstRow)
        return;
    for (int row = std::max(firstRow, 0); row <= lastRow && row < rows; ++row) {
        const int cols = asg->ColCount();
        std::vector<QByteArray> texts;
        texts.reserve(static_cast<std::size_t>(cols));
        for (int col = 0; col < cols; ++col)
            texts.push_back(asg->GetCellText(col, row));
        // Find every maximal run first, then merge: merging changes what the cells read.
        std::vector<std::pair<int, int>> runs; // first column, length
        for (int start = 0; start < cols;) {
            int end = start + 1;
            while (end < cols && texts[static_cast<std::size_t>(end)] ==
                                     texts[static_cast<std::size_t>(start)])
                ++end;
            if (end - start >= 2)
                runs.emplace_back(start, end - start);
            start = end;
        }
        for (const auto& [col, length] : runs)
            asg->MergeCellRange(col, row, length, 1);
    }
}

void Tfrm_Shengcheng::ShowSheetInGrid() {
    // The title cell first; the cells it covers are never written (they would write the title).
    asg->SetCellText(0, 0, m_sheet.SheetTable(0, 0));
    for (int row = 1; row < Worksheet::TableRows; ++row)
        for (int col = 0; col < Worksheet::Columns; ++col)
            asg->SetCellText(col, row, m_sheet.SheetTable(col, row));
    if (m_sheet.TitleBold())
        asg->SetCellFontStyle(0, 0, TFontStyles(TFontStyle::fsBold));
}

#include "print/frxPrintDialog.h"

#include "platform/Convert.h"
#include "platform/Error.h"
#include "print/frxDialogControls_p.h"
#include "print/frxPrintDialog_p.h"
#include "printers/frxPrinter.h"
#include "report/frxClass.h"
#include "report/frxRuntime.h"
#include "resources/frxRes.h"
#include "resources/frxResImages.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QToolButton>

using namespace frxClass;
using namespace frxPrintDialogDetail;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

// The name with its extension replaced by ".prn" (added when it has none).
QString WithPrnExtension(const QString& fileName) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? fileName.left(dot) : fileName;
    return stem + S(".prn");
}

// Item height of the printer list: 16, or 19 on a screen with more than 96 dots per inch.
int PrinterItemHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->logicalDotsPerInchY() > 96 ? 19 : 16;
}

using frxDialogControls::Make;
using frxDialogControls::MakeLabel;

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& keys,
                    const QRect& geometry) {
    auto* cb = Make<QComboBox>(parent, name, geometry);
    for (const QString& key : keys)
        cb->addItem(frxGet(key));
    return cb;
}

// Sheets of paper drawn in the pictures: white with a dark edge.
void Sheet(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

// Text lines on a sheet.
void Lines(QPainter& p, const QRectF& r, int count) {
    p.setPen(QPen(QColor(0x30, 0x60, 0xb0), 1));
    const qreal step = (r.height() - 4) / (count + 1);
    for (int i = 1; i <= count; ++i) {
        const qreal y = r.top() + 2 + i * step;
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2 - (i % 2) * 2, y));
    }
}

void PageNumber(QPainter& p, const QRectF& r, const QString& n) {
    QFont f(S("Tahoma"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignCenter, n);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Small controls

OwnerDrawCombo::OwnerDrawCombo(int itemHeight, DrawFn draw, QWidget* parent)
    : QComboBox(parent), m_itemHeight(itemHeight), m_draw(std::move(draw)) {
    setItemDelegate(new OwnerDrawDelegate(this));
}

void OwnerDrawCombo::DrawItem(QPainter& painter, const QRect& rect, int index,
                              bool selected) const {
    painter.save();
    const QPalette pal = palette();
    painter.fillRect(rect, selected ? pal.highlight() : pal.base());
    painter.setPen(selected ? pal.highlightedText().color() : pal.text().color());
    painter.setFont(font());
    if (index >= 0 && index < count() && m_draw)
        m_draw(painter, rect, index, selected);
    painter.restore();
}

QSize OwnerDrawCombo::sizeHint() const {
    QSize s = QComboBox::sizeHint();
    s.setHeight(std::max(s.height(), m_itemHeight + 6));
    return s;
}

QSize OwnerDrawCombo::minimumSizeHint() const { return sizeHint(); }

void OwnerDrawCombo::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    QRect item(field.left(), field.top() + (field.height() - m_itemHeight) / 2, field.width(),
               m_itemHeight);
    DrawItem(painter, item, currentIndex(), hasFocus());
}

OwnerDrawDelegate::OwnerDrawDelegate(OwnerDrawCombo* combo)
    : QStyledItemDelegate(combo), m_combo(combo) {}

void OwnerDrawDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    m_combo->DrawItem(*painter, option.rect, index.row(),
                      option.state.testFlag(QStyle::State_Selected));
}

QSize OwnerDrawDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), m_combo->ItemHeight());
}

UpDown::UpDown(QLineEdit* associate, QWidget* parent)
    : QWidget(parent), m_associate(associate) {
    m_up = new QToolButton(this);
    m_up->setObjectName(S("UpButton"));
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_down = new QToolButton(this);
    m_down->setObjectName(S("DownButton"));
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void UpDown::SetPosition(int position) {
    m_position = std::clamp(position, Min, Max);
    m_associate->setText(QString::number(m_position));
}

void UpDown::Step(int delta) {
    bool ok = false;
    const int n = m_associate->text().toInt(&ok);
    SetPosition((ok ? std::clamp(n, Min, Max) : m_position) + delta);
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_paint)
        m_paint(painter);
}

// ---------------------------------------------------------------------------------------------
// Pictures

QPixmap TfrxPrintDialog::PrinterImage() {
    // The printer of the shared tool bar pictures.
    const QList<QPixmap>& images = frxPreviewButtonImages();
    if (images.size() > 2 && !images[2].isNull())
        return images[2];
    // Without the strip a printer drawn here keeps the list readable.
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(0xa0, 0xa0, 0xa0));
    p.drawRect(1, 6, 13, 6);
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 4);
    return pm;
}

QPixmap TfrxPrintDialog::PrintModeImage(int mode) {
    QPixmap pm(64, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    switch (mode) {
    case pmDefault: {
        // One page on one sheet.
        const QRectF sheet(24.5, 2.5, 20, 27);
        Sheet(p, sheet);
        Lines(p, sheet.adjusted(1, 1, -1, -1), 5);
        break;
    }
    case pmSplit: {
        // A wide page cut onto two sheets.
        Sheet(p, QRectF(4.5, 2.5, 36, 26));
        Lines(p, QRectF(5.5, 3.5, 34, 24), 5);
        p.setPen(QPen(Qt::red, 1, Qt::DashLine));
        p.drawLine(QPointF(22.5, 1), QPointF(22.5, 31));
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        p.drawLine(QPointF(43, 15.5), QPointF(48, 15.5));
        Sheet(p, QRectF(49.5, 4.5, 9, 12));
        Sheet(p, QRectF(49.5, 17.5, 9, 12));
        break;
    }
    case pmJoin: {
        // Four small pages on one sheet.
        const QRectF sheet(20.5, 1.5, 22, 29);
        Sheet(p, sheet);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c) {
                const QRectF cell(22.5 + c * 10, 3.5 + r * 13.5, 8, 11.5);
                Sheet(p, cell);
                Lines(p, cell, 3);
            }
        break;
    }
    case pmScale: {
        // A small page grown to the sheet.
        const QRectF small(4.5, 12.5, 12, 16);
        Sheet(p, small);
        Lines(p, small, 3);
        p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
        p.drawLine(QPointF(19, 20), QPointF(29, 12));
        p.drawLine(QPointF(29, 12), QPointF(25, 12.5));
        p.drawLine(QPointF(29, 12), QPointF(28.5, 16));
        const QRectF big(33.5, 1.5, 22, 29);
        Sheet(p, big);
        Lines(p, big.adjusted(1, 1, -1, -1), 6);
        break;
    }
    default:
        break;
    }
    return pm;
}

QPixmap TfrxPrintDialog::CollateImage(bool collate) {
    // Two copies of three pages, fanned out so that every sheet shows its number: collated as
    // 1 2 3 / 1 2 3, otherwise 1 1 / 2 2 / 3 3.
    QPixmap pm(116, 44);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    auto fan = [&](qreal x, const QStringList& numbers) {
        for (int i = 0; i < numbers.size(); ++i) {
            const QRectF r(x + i * 11 + 0.5, 2.5 + i * 4, 20, 28);
            Sheet(p, r);
            PageNumber(p, QRectF(r.left(), r.top() + 1, 11, 12), numbers[i]);
        }
    };
    if (collate) {
        fan(2, {S("1"), S("2"), S("3")});
        fan(62, {S("1"), S("2"), S("3")});
    } else {
        fan(2, {S("1"), S("1")});
        fan(40, {S("2"), S("2")});
        fan(78, {S("3"), S("3")});
    }
    return pm;
}

// ---------------------------------------------------------------------------------------------
// The window

TfrxPrintDialog::TfrxPrintDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(S("frxPrintDialog"));
    setWindowTitle(frxGet(200));
    setFixedSize(557, 334);
    QFont font(S("Tahoma"));
    font.setPixelSize(11); // 8 pt at 96 dpi
    setFont(font);

    // Printer
    PrinterL = Make<QGroupBox>(this, "PrinterL", QRect(8, 4, 541, 74));
    PrinterL->setTitle(frxGet(201));
    NameL = MakeLabel(PrinterL, "NameL", frxGet(212), QRect(12, 22, 50, 16));
    PrintersCB = new OwnerDrawCombo(
        PrinterItemHeight(),
        [this](QPainter& p, const QRect& r, int index, bool) {
            p.drawPixmap(r.left() + 2, r.top(), PrinterImage());
            p.drawText(QRect(r.left() + 24, r.top() + 1, r.width() - 24, r.height() - 1),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       PrintersCB->itemText(index));
        },
        PrinterL);
    PrintersCB->setObjectName(S("PrintersCB"));
    PrintersCB->setGeometry(64, 17, 336, 24);
    PropButton = Make<QPushButton>(PrinterL, "PropButton", QRect(416, 17, 113, 25));
    PropButton->setText(frxGet(209));
    WhereL = MakeLabel(PrinterL, "WhereL", frxGet(208), QRect(12, 49, 50, 16));
    WhereL1 = MakeLabel(PrinterL, "WhereL1", QString(), QRect(64, 49, 336, 16));
    FileCB = Make<QCheckBox>(PrinterL, "FileCB", QRect(416, 48, 113, 18));
    FileCB->setText(frxGet(210));

    // Pages
    PagesL = Make<QGroupBox>(this, "PagesL", QRect(8, 82, 273, 128));
    PagesL->setTitle(frxGet(202));
    AllRB = Make<QRadioButton>(PagesL, "AllRB", QRect(12, 18, 150, 18));
    AllRB->setText(frxGet(3));
    AllRB->setChecked(true);
    CurPageRB = Make<QRadioButton>(PagesL, "CurPageRB", QRect(12, 38, 150, 18));
    CurPageRB->setText(frxGet(4));
    PageNumbersRB = Make<QRadioButton>(PagesL, "PageNumbersRB", QRect(12, 59, 68, 18));
    PageNumbersRB->setText(frxGet(5));
    PageNumbersE = Make<QLineEdit>(PagesL, "PageNumbersE", QRect(84, 57, 177, 21));
    PageNumbersE->installEventFilter(this);
    DescrL = MakeLabel(PagesL, "DescrL", frxGet(9), QRect(12, 81, 249, 42));
    DescrL->setWordWrap(true);
    DescrL->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Copies
    CopiesGB = Make<QGroupBox>(this, "CopiesGB", QRect(288, 82, 261, 128));
    CopiesGB->setTitle(frxGet(205));
    CopiesL = MakeLabel(CopiesGB, "CopiesL", frxGet(203), QRect(12, 23, 130, 16));
    CopiesE = Make<QLineEdit>(CopiesGB, "CopiesE", QRect(150, 20, 49, 21));
    CopiesE->setValidator(
        new QRegularExpressionValidator(QRegularExpression(S("[0-9]*")), CopiesE));
    CopiesE->setText(S("1"));
    CopiesE->installEventFilter(this);
    UpDown1 = new UpDown(CopiesE, CopiesGB);
    UpDown1->setObjectName(S("UpDown1"));
    UpDown1->setGeometry(199, 20, 15, 21);
    UpDown1->UpButton()->setGeometry(0, 0, 15, 10);
    UpDown1->DownButton()->setGeometry(0, 11, 15, 10);
    UpDown1->SetPosition(1);
    CopiesPB = new PaintBox([this](QPainter& p) { CopiesPBPaint(p); }, CopiesGB);
    CopiesPB->setObjectName(S("CopiesPB"));
    CopiesPB->setGeometry(12, 60, 116, 44);
    CollateCB = Make<QCheckBox>(CopiesGB, "CollateCB", QRect(150, 74, 100, 18));
    CollateCB->setText(frxGet(204));
    CollateCB->setChecked(true);
    connect(CollateCB, &QCheckBox::toggled, this, [this] { CollateCBClick(); });

    // Other
    OtherL = Make<QGroupBox>(this, "OtherL", QRect(8, 214, 273, 86));
    OtherL->setTitle(frxGet(207));
    PrintL = MakeLabel(OtherL, "PrintL", frxGet(206), QRect(12, 20, 80, 16));
    PrintPagesCB = MakeList(OtherL, "PrintPagesCB", {S("ppAll"), S("ppOdd"), S("ppEven")},
                            QRect(96, 17, 165, 21));
    OrderL = MakeLabel(OtherL, "OrderL", frxGet(211), QRect(12, 42, 80, 16));
    OrderCB = MakeList(OtherL, "OrderCB", {S("poDirect"), S("poReverse")}, QRect(96, 39, 165, 21));
    DuplexL = MakeLabel(OtherL, "DuplexL", frxGet(216), QRect(12, 64, 80, 16));
    DuplexCB = MakeList(OtherL, "DuplexCB",
                        {S("dupDefault"), S("dupVert"), S("dupHorz"), S("dupSimpl")},
                        QRect(96, 61, 165, 21));

    // Print mode
    PrintModeGB = Make<QGroupBox>(this, "PrintModeGB", QRect(288, 214, 261, 86));
    PrintModeGB->setTitle(frxGet(213));
    PrintModeCB = new OwnerDrawCombo(
        34,
        [this](QPainter& p, const QRect& r, int index, bool) {
            p.drawPixmap(r.left() + 2, r.top() + 1, PrintModeImage(index));
            p.drawText(QRect(r.left() + 74, r.top() + 10, r.width() - 74, r.height() - 10),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                       PrintModeCB->itemText(index));
        },
        PrintModeGB);
    PrintModeCB->setObjectName(S("PrintModeCB"));
    PrintModeCB->setGeometry(12, 16, 237, 40);
    for (const char* key : {"pmDefault", "pmSplit", "pmJoin", "pmScale"})
        PrintModeCB->addItem(frxGet(S(key)));
    PagSizeL = MakeLabel(PrintModeGB, "PagSizeL", frxGet(214), QRect(12, 63, 90, 16));
    PagPageSizeCB = Make<QComboBox>(PrintModeGB, "PagPageSizeCB", QRect(104, 60, 145, 21));

    OkB = Make<QPushButton>(this, "OkB", QRect(392, 305, 75, 25));
    OkB->setText(frxGet(1));
    OkB->setDefault(true);
    CancelB = Make<QPushButton>(this, "CancelB", QRect(474, 305, 75, 25));
    CancelB->setText(frxGet(2));
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    FileDlg = new QFileDialog(this, S("Print To File"));
    FileDlg->setObjectName(S("FileDlg"));
    FileDlg->setOption(QFileDialog::DontUseNativeDialog);
    FileDlg->setAcceptMode(QFileDialog::AcceptSave);
    FileDlg->setNameFilter(S("Printer files (*.prn)"));
    FileDlg->setDefaultSuffix(S("prn"));

    // FormCreate
    PrintPagesCB->setCurrentIndex(0);
    OrderCB->setCurrentIndex(0);
    DuplexCB->setCurrentIndex(0);
    PrintModeCB->setCurrentIndex(0);

    TfrxPrinters* printers = frxPrinters();
    PrintersCB->addItems(printers->Printers());
    PrintersCB->setCurrentIndex(printers->PrinterIndex());
    PrintersCBClick();
    InitialPrinterIndex = printers->PrinterIndex();
    PrintModeCBClick();

    if (layoutDirection() == Qt::RightToLeft)
        MirrorControls(this);

    connect(PrintersCB, &QComboBox::activated, this,
            [this] { platform::Guarded([this] { PrintersCBClick(); }); });
    connect(PropButton, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { PropButtonClick(); }); });
    connect(PageNumbersRB, &QRadioButton::clicked, this, [this] { PageNumbersRBClick(); });
    connect(PrintModeCB, &QComboBox::activated, this, [this] { PrintModeCBClick(); });
}

TfrxPrintDialog::~TfrxPrintDialog() = default;

void TfrxPrintDialog::MirrorControls(QWidget* parent) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        QRect g = w->geometry();
        g.moveLeft(parent->width() - g.right() - 1);
        w->setGeometry(g);
        if (qobject_cast<QGroupBox*>(w))
            MirrorControls(w);
    }
}

bool TfrxPrintDialog::Execute() {
    FormShow();
    const int result = FormHide(exec());
    return result == QDialog::Accepted;
}

void TfrxPrintDialog::FormShow() {
    const TfrxPrintOptions* options = DialogReport ? DialogReport->PrintOptions() : nullptr;
    if (options) {
        UpDown1->SetPosition(options->Copies());
        CollateCB->setChecked(options->Collate());
        PageNumbersE->setText(options->PageNumbers());
        if (!options->PageNumbers().isEmpty())
            PageNumbersRB->setChecked(true);
        PrintPagesCB->setCurrentIndex(options->PrintPages());
        OrderCB->setCurrentIndex(options->Reverse() ? 1 : 0);
        PrintModeCB->setCurrentIndex(options->PrintMode());
        PrintModeCBClick();
        if (options->PrintMode() != pmDefault)
            SelectSheetCode(options->PrintOnSheet());
    }
    // "Current page" needs a page the preview shows.
    const bool hasCurrent = CurrentPreviewPage >= 1;
    CurPageRB->setEnabled(hasCurrent);
    CurPageRB->setToolTip(hasCurrent ? QString() : frxGet(S("prNoCurrent")));
}

int TfrxPrintDialog::FormHide(int result) {
    TfrxPrinters* printers = frxPrinters();
    const bool okOnEntry = result == QDialog::Accepted;
    if (okOnEntry) {
        TfrxCustomPrinter* printer = printers->CurrentPrinter();
        printer->SetFileName(QString());
        if (FileCB->isChecked()) {
            if (FileDlg->exec() == QDialog::Accepted && !FileDlg->selectedFiles().isEmpty())
                printer->SetFileName(WithPrnExtension(FileDlg->selectedFiles().first()));
            else
                result = QDialog::Rejected;
        }
    } else {
        printers->SelectPrinter(InitialPrinterIndex);
    }
    if (result != QDialog::Accepted || !DialogReport)
        return result;

    TfrxPrintOptions* options = DialogReport->PrintOptions();
    options->SetCopies(platform::StrToInt(CopiesE->text()));
    options->SetCollate(CollateCB->isChecked());
    if (AllRB->isChecked()) {
        options->SetPageNumbers(QString());
    } else if (CurPageRB->isChecked()) {
        options->SetPageNumbers(QString::number(CurrentPreviewPage));
    } else {
        options->SetPageNumbers(PageNumbersE->text());
    }
    options->SetPrintPages(static_cast<TfrxPrintPages>(std::max(PrintPagesCB->currentIndex(), 0)));
    DuplexChoice = std::max(DuplexCB->currentIndex(), 0);
    options->SetReverse(OrderCB->currentIndex() == 1);
    options->SetPrintMode(static_cast<TfrxPrintMode>(std::max(PrintModeCB->currentIndex(), 0)));
    options->SetPrintOnSheet(printers->CurrentPrinter()->PaperCodeOf(PagPageSizeCB->currentText()));
    return result;
}

void TfrxPrintDialog::PrintersCBClick() {
    TfrxPrinters* printers = frxPrinters();
    int remembered = -1;
    if (PagPageSizeCB->currentIndex() > 0 && printers->CurrentPrinter())
        remembered = printers->CurrentPrinter()->PaperCodeOf(PagPageSizeCB->currentText());

    printers->SelectPrinter(PrintersCB->currentIndex());
    TfrxCustomPrinter* printer = printers->CurrentPrinter();
    WhereL1->setText(printer->Port());

    QStringList names = printer->PaperNames();
    const int custom = printer->PaperIndexOf(DMPAPER_USER);
    if (custom >= 0)
        names.removeAt(custom);
    names.prepend(frxGet(S("pgDefault")));
    PagPageSizeCB->clear();
    PagPageSizeCB->addItems(names);

    if (remembered >= 0 && printer->PaperIndexOf(remembered) >= 0) {
        SelectSheetCode(remembered);
    } else {
        // The sheet goes back to Default, and the mode with it: Split, Join and Scale on the
        // Default sheet is a choice the print job cannot carry out.
        PrintModeCB->setCurrentIndex(0);
        PrintModeCBClick();
    }
}

void TfrxPrintDialog::SelectSheetCode(int code) {
    const TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter();
    const int at = printer->PaperIndexOf(code);
    int position = at + 1;
    if (printer->PaperIndexOf(DMPAPER_USER) < at)
        --position;
    PagPageSizeCB->setCurrentIndex(position);
}

void TfrxPrintDialog::PropButtonClick() { frxPrinters()->CurrentPrinter()->ShowPrinterProperties(); }

void TfrxPrintDialog::PageNumbersEEnter() { PageNumbersRB->setChecked(true); }

void TfrxPrintDialog::PageNumbersRBClick() {
    if (isVisible())
        PageNumbersE->setFocus(Qt::OtherFocusReason);
}

void TfrxPrintDialog::CollateCBClick() { CopiesPB->update(); }

void TfrxPrintDialog::CopiesPBPaint(QPainter& painter) {
    painter.fillRect(CopiesPB->rect(), palette().window());
    painter.drawPixmap(0, 0, CollateImage(CollateCB->isChecked()));
}

void TfrxPrintDialog::PrintModeCBClick() {
    if (PrintModeCB->currentIndex() <= 0) {
        PagPageSizeCB->setCurrentIndex(0);
        PagPageSizeCB->setEnabled(false);
        return;
    }
    PagPageSizeCB->setEnabled(true);
    if (PagPageSizeCB->currentIndex() > 0)
        return;
    // Split, Join and Scale print on a sheet of their own: A4 when the printer has it, else
    // its first paper; a printer without papers leaves only the Default mode.
    const TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter();
    if (printer->PaperIndexOf(DMPAPER_A4) >= 0)
        SelectSheetCode(DMPAPER_A4);
    else if (PagPageSizeCB->count() > 1)
        PagPageSizeCB->setCurrentIndex(1);
    else {
        PrintModeCB->setCurrentIndex(0);
        PagPageSizeCB->setCurrentIndex(0);
        PagPageSizeCB->setEnabled(false);
    }
}

void TfrxPrintDialog::keyPressEvent(QKeyEvent* event) {
    // F1 would open this window's help topic; the program has no help file.
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrxPrintDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PageNumbersE && event->type() == QEvent::FocusIn)
        PageNumbersEEnter();
    if (watched == CopiesE && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            UpDown1->Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

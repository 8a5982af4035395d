#include "print/frxPreviewPageSettings.h"

#include "platform/Error.h"
#include "print/frxDialogControls_p.h"
#include "platform/LocaleInfo.h"
#include "platform/Profile.h"
#include "report/frxClass.h"
#include "report/frxRuntime.h"
#include "resources/frxRes.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

#include <cmath>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

using frxDialogControls::Make;
using frxDialogControls::MakeLabel;

// The settings the window edits, all converted before any is stored.
struct PageValues {
    TPrinterOrientation Orientation;
    long double Width, Height;
    int PaperSize;
    long double Left, Right, Top, Bottom;

    static PageValues Of(const TfrxReportPage& p) {
        return {p.Orientation(), p.PaperWidth(),  p.PaperHeight(), p.PaperSize(),
                p.LeftMargin(),  p.RightMargin(), p.TopMargin(),   p.BottomMargin()};
    }
    // In this order: a paper code after the sizes measures the paper; margins last.
    void ApplyTo(TfrxReportPage& page) const {
        page.SetOrientation(Orientation);
        page.SetPaperWidth(Width);
        page.SetPaperHeight(Height);
        page.SetPaperSize(PaperSize);
        page.SetLeftMargin(Left);
        page.SetRightMargin(Right);
        page.SetTopMargin(Top);
        page.SetBottomMargin(Bottom);
    }
};

// The text the size list shows for a paper. Papers of the built-in table have no names (the
// printer that stands in when none is installed lists them so); a list of blank lines would
// leave the user guessing, so a nameless paper is shown by its size, with its common name
// where the code has one.
QString PaperLabel(const TfrxNamedCode& paper) {
    if (!paper.Name.isEmpty())
        return paper.Name;
    long double w = 0, h = 0;
    if (!GetPaperDimensions(paper.Code, w, h))
        return S("Paper %1").arg(paper.Code);
    static const std::pair<int, const char*> common[] = {
        {1, "Letter"}, {5, "Legal"}, {8, "A3"}, {9, "A4"}, {11, "A5"}};
    QString label = S("%1 × %2 mm")
                        .arg(QString::number(static_cast<double>(w), 'g', 6),
                             QString::number(static_cast<double>(h), 'g', 6));
    for (const auto& [code, name] : common)
        if (code == paper.Code)
            return S(name) + S(" (") + label + S(")");
    return label;
}

} // namespace

QString FormatNumber(long double value) {
    QString text;
    if (value != std::trunc(value))
        text = QString::number(static_cast<double>(value), 'f', 2);
    else
        text = QString::number(static_cast<double>(value), 'f', 0);
    const QChar sep = platform::DecimalSeparator();
    if (sep != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), sep);
    return text;
}

long double ParseNumber(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    s.remove(QLatin1Char(' '));
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw platform::Error(S("'%1' is not a valid floating point value").arg(text.left(100)));
    return v;
}

QString frxUnitsSettingsFile(const QString& iniFile) {
    static const QString registryRoot = S("\\Software\\");
    if (iniFile.startsWith(registryRoot, Qt::CaseInsensitive)) {
        QString key = iniFile.mid(1);
        key.replace(QLatin1Char('\\'), QLatin1Char('/'));
        while (key.endsWith(QLatin1Char('/')))
            key.chop(1);
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                   .filePath(S("sumdrill/") + key + S(".ini"));
    }
    return iniFile;
}

int frxReadDisplayUnits(const QString& iniFile) {
    const QString path = frxUnitsSettingsFile(iniFile);
    if (path.isEmpty())
        return 0;
    const QByteArray value =
        platform::Profile::ReadString(path, "Form.TfrxDesignerForm", "Units", "0");
    bool ok = false;
    const int units = value.trimmed().toInt(&ok);
    return ok ? units : 0;
}

// ---------------------------------------------------------------------------------------------

TfrxPageSettingsForm::TfrxPageSettingsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(S("frxPageSettingsForm"));
    setWindowTitle(frxGet(400));
    setFixedSize(286, 359);
    QFont font(S("Tahoma"));
    font.setPixelSize(11); // 8 pt at 96 dpi
    setFont(font);

    SizeL = Make<QGroupBox>(this, "SizeL", QRect(8, 4, 270, 104));
    SizeL->setTitle(frxGet(403));
    SizeCB = Make<QComboBox>(SizeL, "SizeCB", QRect(12, 20, 246, 21));
    WidthL = MakeLabel(SizeL, "WidthL", frxGet(401), QRect(12, 51, 60, 16));
    WidthE = Make<QLineEdit>(SizeL, "WidthE", QRect(76, 48, 72, 21));
    UnitL1 = MakeLabel(SizeL, "UnitL1", QString(), QRect(154, 51, 40, 16));
    HeightL = MakeLabel(SizeL, "HeightL", frxGet(402), QRect(12, 77, 60, 16));
    HeightE = Make<QLineEdit>(SizeL, "HeightE", QRect(76, 74, 72, 21));
    UnitL2 = MakeLabel(SizeL, "UnitL2", QString(), QRect(154, 77, 40, 16));

    OrientationL = Make<QGroupBox>(this, "OrientationL", QRect(8, 112, 270, 72));
    OrientationL->setTitle(frxGet(404));
    PortraitRB = Make<QRadioButton>(OrientationL, "PortraitRB", QRect(12, 20, 150, 18));
    PortraitRB->setText(frxGet(410));
    LandscapeRB = Make<QRadioButton>(OrientationL, "LandscapeRB", QRect(12, 44, 150, 18));
    LandscapeRB->setText(frxGet(411));
    PortraitImg = Make<QLabel>(OrientationL, "PortraitImg", QRect(206, 18, 48, 48));
    PortraitImg->setPixmap(OrientationImage(poPortrait));
    LandscapeImg = Make<QLabel>(OrientationL, "LandscapeImg", QRect(206, 18, 48, 48));
    LandscapeImg->setPixmap(OrientationImage(poLandscape));
    LandscapeImg->hide();

    MarginsL = Make<QGroupBox>(this, "MarginsL", QRect(8, 188, 270, 78));
    MarginsL->setTitle(frxGet(409));
    LeftL = MakeLabel(MarginsL, "LeftL", frxGet(405), QRect(12, 23, 44, 16));
    MarginLeftE = Make<QLineEdit>(MarginsL, "MarginLeftE", QRect(58, 20, 48, 21));
    UnitL3 = MakeLabel(MarginsL, "UnitL3", QString(), QRect(110, 23, 24, 16));
    TopL = MakeLabel(MarginsL, "TopL", frxGet(406), QRect(12, 49, 44, 16));
    MarginTopE = Make<QLineEdit>(MarginsL, "MarginTopE", QRect(58, 46, 48, 21));
    UnitL4 = MakeLabel(MarginsL, "UnitL4", QString(), QRect(110, 49, 24, 16));
    RightL = MakeLabel(MarginsL, "RightL", frxGet(407), QRect(140, 23, 44, 16));
    MarginRightE = Make<QLineEdit>(MarginsL, "MarginRightE", QRect(186, 20, 48, 21));
    UnitL5 = MakeLabel(MarginsL, "UnitL5", QString(), QRect(238, 23, 24, 16));
    BottomL = MakeLabel(MarginsL, "BottomL", frxGet(408), QRect(140, 49, 44, 16));
    MarginBottomE = Make<QLineEdit>(MarginsL, "MarginBottomE", QRect(186, 46, 48, 21));
    UnitL6 = MakeLabel(MarginsL, "UnitL6", QString(), QRect(238, 49, 24, 16));

    OtherL = Make<QGroupBox>(this, "OtherL", QRect(8, 270, 270, 56));
    OtherL->setTitle(frxGet(412));
    ApplyToCurRB = Make<QRadioButton>(OtherL, "ApplyToCurRB", QRect(12, 16, 250, 18));
    ApplyToCurRB->setText(frxGet(413));
    ApplyToCurRB->setChecked(true);
    ApplyToAllRB = Make<QRadioButton>(OtherL, "ApplyToAllRB", QRect(12, 34, 250, 18));
    ApplyToAllRB->setText(frxGet(414));

    OKB = Make<QPushButton>(this, "OKB", QRect(122, 330, 75, 25));
    OKB->setText(frxGet(1));
    OKB->setDefault(true);
    CancelB = Make<QPushButton>(this, "CancelB", QRect(203, 330, 75, 25));
    CancelB->setText(frxGet(2));

    connect(OKB, &QPushButton::clicked, this, [this] {
        if (platform::Guarded([this] { FormHide(); }))
            accept();
    });
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);
    connect(SizeCB, &QComboBox::activated, this,
            [this] { platform::Guarded([this] { SizeCBClick(); }); });
    connect(PortraitRB, &QRadioButton::clicked, this,
            [this] { platform::Guarded([this] { PortraitRBClick(); }); });
    connect(LandscapeRB, &QRadioButton::clicked, this,
            [this] { platform::Guarded([this] { PortraitRBClick(); }); });
    connect(WidthE, &QLineEdit::textChanged, this, [this] { WidthEChange(); });
    connect(HeightE, &QLineEdit::textChanged, this, [this] { WidthEChange(); });
}

TfrxPageSettingsForm::~TfrxPageSettingsForm() = default;

QPixmap TfrxPageSettingsForm::OrientationImage(TPrinterOrientation orientation) {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet = orientation == poPortrait ? QRectF(10.5, 2.5, 28, 40)
                                                   : QRectF(2.5, 10.5, 42, 28);
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    QFont f(S("Liberation Serif"));
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x30, 0x60, 0xb0));
    p.drawText(sheet, Qt::AlignCenter, S("A"));
    return pm;
}

bool TfrxPageSettingsForm::Execute() {
    FormShow();
    return exec() == QDialog::Accepted;
}

bool TfrxPageSettingsForm::AppliesToAllPages() const { return ApplyToAllRB->isChecked(); }

long double TfrxPageSettingsForm::ToDisplayUnits(long double mm) const {
    switch (DisplayUnits) {
    case 0:
    case 2:
    case 3:
        return mm / 10;
    case 1:
        return mm / 25.4L;
    default:
        return 0;
    }
}

long double TfrxPageSettingsForm::FromDisplayUnits(long double value) const {
    switch (DisplayUnits) {
    case 0:
    case 2:
    case 3:
        return value * 10;
    case 1:
        return value * 25.4L;
    default:
        return 0;
    }
}

TPrinterOrientation TfrxPageSettingsForm::CheckedOrientation() const {
    return LandscapeRB->isChecked() ? poLandscape : poPortrait;
}

void TfrxPageSettingsForm::ShowSize(long double widthMM, long double heightMM) {
    WidthE->setText(FormatNumber(ToDisplayUnits(widthMM)));
    HeightE->setText(FormatNumber(ToDisplayUnits(heightMM)));
}

void TfrxPageSettingsForm::FormShow() {
    Updating = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Updating};

    DisplayUnits = frxReadDisplayUnits(Report ? Report->IniFile() : QString());
    QString unit;
    switch (DisplayUnits) {
    case 0:
    case 2:
    case 3:
        unit = frxGet(S("uCm"));
        break;
    case 1:
        unit = frxGet(S("uInch"));
        break;
    default:
        break;
    }
    for (QLabel* l : {UnitL1, UnitL2, UnitL3, UnitL4, UnitL5, UnitL6})
        l->setText(unit);

    const TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter();
    SizeCB->clear();
    for (const TfrxNamedCode& paper : printer->Papers())
        SizeCB->addItem(PaperLabel(paper), paper.Code);
    if (!EditedPage)
        return;
    int at = printer->PaperIndexOf(EditedPage->PaperSize());
    if (at < 0)
        at = printer->PaperIndexOf(DMPAPER_USER);
    SizeCB->setCurrentIndex(at);

    ShowSize(EditedPage->PaperWidth(), EditedPage->PaperHeight());
    m_shownOrientation = EditedPage->Orientation();
    (m_shownOrientation == poLandscape ? LandscapeRB : PortraitRB)->setChecked(true);
    MarginLeftE->setText(FormatNumber(ToDisplayUnits(EditedPage->LeftMargin())));
    MarginRightE->setText(FormatNumber(ToDisplayUnits(EditedPage->RightMargin())));
    MarginTopE->setText(FormatNumber(ToDisplayUnits(EditedPage->TopMargin())));
    MarginBottomE->setText(FormatNumber(ToDisplayUnits(EditedPage->BottomMargin())));
    PortraitRBClick();
}

void TfrxPageSettingsForm::PortraitRBClick() {
    PortraitImg->setVisible(PortraitRB->isChecked());
    LandscapeImg->setVisible(LandscapeRB->isChecked());
    SizeCBClick();
}

void TfrxPageSettingsForm::SizeCBClick() {
    if (Updating)
        return;
    Updating = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{Updating};

    TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter();
    const int code = SelectedPaperCode();
    const long double w = FromDisplayUnits(ParseNumber(WidthE->text()));
    const long double h = FromDisplayUnits(ParseNumber(HeightE->text()));
    const TPrinterOrientation orientation = CheckedOrientation();
    if (code == DMPAPER_USER) {
        // A custom size turns with the sheet: the width shown becomes the height. Picking
        // "Custom" without turning keeps the size as shown.
        if (orientation != m_shownOrientation)
            printer->SetViewPaper(DMPAPER_USER, orientation, h, w);
        else
            printer->SetViewPaper(DMPAPER_USER, orientation, w, h);
    } else {
        printer->SetViewPaper(code, orientation, w, h);
    }
    m_shownOrientation = orientation;
    ShowSize(printer->PaperWidth(), printer->PaperHeight());
}

// The code of the paper picked in the size list. Taken from the entry itself, not looked up by
// its text: the papers of the built-in table all have the same (empty) name, and a lookup by
// name would turn every one of them, A4 included, into the first (Letter).
int TfrxPageSettingsForm::SelectedPaperCode() const {
    const QVariant code = SizeCB->currentData();
    if (code.isValid())
        return code.toInt();
    return frxPrinters()->CurrentPrinter()->PaperCodeOf(SizeCB->currentText());
}

void TfrxPageSettingsForm::WidthEChange() {
    if (!Updating)
        SizeCB->setCurrentIndex(0);
}

void TfrxPageSettingsForm::FormHide() {
    if (!EditedPage)
        return;
    PageValues v;
    v.Orientation = CheckedOrientation();
    v.Width = FromDisplayUnits(ParseNumber(WidthE->text()));
    v.Height = FromDisplayUnits(ParseNumber(HeightE->text()));
    v.PaperSize = SelectedPaperCode();
    v.Left = FromDisplayUnits(ParseNumber(MarginLeftE->text()));
    v.Right = FromDisplayUnits(ParseNumber(MarginRightE->text()));
    v.Top = FromDisplayUnits(ParseNumber(MarginTopE->text()));
    v.Bottom = FromDisplayUnits(ParseNumber(MarginBottomE->text()));

    v.ApplyTo(*EditedPage);
    EditedPage->LayOutChildren();
}

void TfrxPageSettingsForm::keyPressEvent(QKeyEvent* event) {
    // F1 would open this window's help topic; the program has no help file.
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------

bool frxPreviewPageSettings(TfrxReport& report, TfrxCustomPreviewPages& pages, int pageIndex,
                            const TfrxPageSettingsHandOver& preview, QWidget* parent) {
    // The page built here lives in the store's page cache, which a repaint of the preview
    // behind the window may empty: the window edits a copy of its settings, and the page is
    // taken from the store again once the window is closed.
    TfrxReportPage edited(nullptr);
    {
        const TfrxReportPage* page = pages.BuildPage(pageIndex);
        if (!page)
            return false;
        PageValues::Of(*page).ApplyTo(edited);
    }

    TfrxPageSettingsForm form(parent);
    form.EditedPage = &edited;
    form.Report = &report;
    if (!form.Execute())
        return false;
    const PageValues chosen = PageValues::Of(edited);

    if (form.AppliesToAllPages()) {
        for (int i = 0; i < report.PagesCount(); ++i)
            if (auto* t = qobject_cast<TfrxReportPage*>(report.Pages(i)))
                chosen.ApplyTo(*t);
        if (preview.Reprepare)
            preview.Reprepare();
    } else {
        if (preview.Freeze)
            preview.Freeze();
        struct Thaw {
            const std::function<void()>& thaw;
            ~Thaw() {
                if (thaw)
                    thaw();
            }
        } thaw{preview.Thaw};
        TfrxReportPage* page = pages.BuildPage(pageIndex);
        if (!page)
            return false;
        chosen.ApplyTo(*page);
        page->LayOutChildren();
        pages.ReplacePage(pageIndex, page);
    }
    return true;
}

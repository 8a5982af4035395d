#include "preview/frxPreviewForm.h"

#include "platform/Convert.h"
#include "platform/Error.h"
#include "export/frxExportPDF.h"
#include "report/frxClass.h"
#include "store/frxPreviewPages.h"
#include "resources/frxRes.h"
#include "resources/frxResImages.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <memory>

using namespace frxClass;

namespace {

// Why a button that can do nothing in this program is disabled, after its hint.
QString NotYet(const QString& hint, const char* why) {
    return hint + QStringLiteral(" \u2014 ") + QString::fromUtf8(why);
}

// A message with "%d" placeholders filled in order.
QString FormatNumbers(QString text, std::initializer_list<int> numbers) {
    qsizetype from = 0;
    for (int n : numbers) {
        const qsizetype at = text.indexOf(QLatin1String("%d"), from);
        if (at < 0)
            break;
        const QString digits = QString::number(n);
        text.replace(at, 2, digits);
        from = at + digits.size();
    }
    return text;
}

} // namespace

TfrxPreviewForm::TfrxPreviewForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frxPreviewForm"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    setFont(font);
    FormCreate();
}

TfrxPreviewForm::~TfrxPreviewForm() {
    // The control goes with the window; it must not call back into a half-destroyed window.
    m_preview->SetWindow(nullptr);
    // Nor may the zoom box, which commits its text when it loses the focus while the tool bar
    // is being destroyed.
    ZoomCB->disconnect(this);
    ZoomCB->lineEdit()->disconnect(this);
}

QAction* TfrxPreviewForm::AddButton(int image, int captionId, int hintId,
                                    void (TfrxPreviewForm::*handler)(), const char* name,
                                    bool check) {
    auto* a = new QAction(frxPreviewButtonIcon(image), frxGet(captionId), this);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(frxGet(hintId));
    a->setCheckable(check);
    a->setData(image);
    ToolBar->addAction(a);
    if (handler)
        connect(a, &QAction::triggered, this,
                [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); });
    return a;
}

void TfrxPreviewForm::FormCreate() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(frxImageSize, frxImageSize));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    layout->addWidget(ToolBar);

    PrintB = AddButton(2, 101, 102, &TfrxPreviewForm::PrintBClick, "PrintB");
    OpenB = AddButton(0, 103, 104, &TfrxPreviewForm::OpenBClick, "OpenB");
    SaveB = AddButton(1, 105, 106, &TfrxPreviewForm::SaveBClick, "SaveB");
    ExportB = AddButton(3, 107, 108, nullptr, "ExportB");
    // The export filters: PDF is the one this program has.
    ExportB->setMenu(new QMenu(this));
    if (auto* button = qobject_cast<QToolButton*>(ToolBar->widgetForAction(ExportB)))
        button->setPopupMode(QToolButton::InstantPopup);
    QAction* pdfItem = ExportB->menu()->addAction(TfrxPDFExport().Description());
    connect(pdfItem, &QAction::triggered, this,
            [this] { platform::Guarded([this] { ExportPdf(); }); });
    PdfB = AddButton(24, 151, 151, &TfrxPreviewForm::PdfBClick, "PdfB");
    EmailB = AddButton(23, 152, 152, &TfrxPreviewForm::EmailBClick, "EmailB");
    FindB = AddButton(4, 109, 110, &TfrxPreviewForm::FindBClick, "FindB");
    Sep1 = ToolBar->addSeparator();
    ZoomPlusB = AddButton(15, 124, 125, &TfrxPreviewForm::ZoomPlusBClick, "ZoomPlusB");

    ZoomCB = new QComboBox(ToolBar);
    ZoomCB->setObjectName(QStringLiteral("ZoomCB"));
    ZoomCB->setEditable(true);
    ZoomCB->setInsertPolicy(QComboBox::NoInsert);
    ZoomCB->setToolTip(frxGet(119));
    for (const char* z : {"25%", "50%", "75%", "100%", "150%", "200%"})
        ZoomCB->addItem(QString::fromLatin1(z));
    ZoomCB->addItem(frxGet(QStringLiteral("zmPageWidth")));
    ZoomCB->addItem(frxGet(QStringLiteral("zmWholePage")));
    ZoomCB->view()->setMinimumWidth(100);
    // Wide enough for "100%" at the window's font (49 px at 96 dpi in the design).
    ZoomCB->setFixedWidth(std::max(49, ZoomCB->fontMetrics().horizontalAdvance(QStringLiteral("1000%")) + 30));
    connect(ZoomCB, &QComboBox::activated, this,
            [this] { platform::Guarded([this] { ZoomCBClick(); }); });
    connect(ZoomCB->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { platform::Guarded([this] { ZoomCBClick(); }); });
    Sep3 = ToolBar->addWidget(ZoomCB);

    ZoomMinusB = AddButton(16, 126, 127, &TfrxPreviewForm::ZoomMinusBClick, "ZoomMinusB");
    FullScreenBtn = AddButton(22, 150, 150, &TfrxPreviewForm::FullScreenBtnClick, "FullScreenBtn");
    FullScreenBtn->setText(frxGet(150));
    Sep2 = ToolBar->addSeparator();
    OutlineB = AddButton(12, 128, 129, &TfrxPreviewForm::OutlineBClick, "OutlineB", true);
    ThumbB = AddButton(5, 130, 131, &TfrxPreviewForm::ThumbBClick, "ThumbB", true);
    PageSettingsB = AddButton(7, 120, 121, &TfrxPreviewForm::PageSettingsBClick, "PageSettingsB");
    DesignerB = AddButton(21, 132, 133, &TfrxPreviewForm::DesignerBClick, "DesignerB");
    Sep5 = ToolBar->addSeparator();
    FirstB = AddButton(8, 134, 135, &TfrxPreviewForm::FirstBClick, "FirstB");
    PriorB = AddButton(9, 136, 137, &TfrxPreviewForm::PriorBClick, "PriorB");

    PageE = new QLineEdit(ToolBar);
    PageE->setObjectName(QStringLiteral("PageE"));
    PageE->setToolTip(frxGet(142));
    PageE->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), PageE));
    PageE->setFixedWidth(std::max(37, PageE->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 10));
    PageE->setAlignment(Qt::AlignCenter);
    connect(PageE, &QLineEdit::returnPressed, this,
            [this] { platform::Guarded([this] { PageEClick(); }); });
    Sep4 = ToolBar->addWidget(PageE);

    NextB = AddButton(10, 138, 139, &TfrxPreviewForm::NextBClick, "NextB");
    LastB = AddButton(11, 140, 141, &TfrxPreviewForm::LastBClick, "LastB");

    CancelB = new QToolButton(ToolBar);
    CancelB->setObjectName(QStringLiteral("CancelB"));
    CancelB->setText(frxGet(QStringLiteral("clClose")));
    CancelB->setToolButtonStyle(Qt::ToolButtonTextOnly);
    CancelB->setAutoRaise(true);
    // One size for "Close" and "Cancel": the caption flips while preparing, the tool bar
    // stays as it is.
    const QFontMetrics fm(CancelB->font());
    CancelB->setFixedSize(std::max({68, fm.horizontalAdvance(frxGet(QStringLiteral("clClose"))) + 16,
                                    fm.horizontalAdvance(frxGet(QStringLiteral("clCancel"))) + 16}),
                          23);
    connect(CancelB, &QToolButton::clicked, this,
            [this] { platform::Guarded([this] { CancelBClick(); }); });
    auto* gap = new QWidget(ToolBar);
    gap->setFixedWidth(8);
    ToolBar->addWidget(gap);
    CancelBAction = ToolBar->addWidget(CancelB);

    // Edit: this program has no page designer, so the button can do nothing.
    m_unavailable[DesignerB] =
        NotYet(frxGet(133), "this program has no page designer, so pages cannot be edited");

    HiddenMenu = new QMenu(this);
    QAction* showTemplate = HiddenMenu->addAction(QStringLiteral("Show template"));
    connect(showTemplate, &QAction::triggered, this,
            [this] { platform::Guarded([this] { Showtemplate1Click(); }); });

    m_client = new QWidget(this);
    auto* clientLayout = new QHBoxLayout(m_client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    m_preview = new TfrxPreview(m_client);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setFrameShape(QFrame::NoFrame);
    m_preview->SetWindow(this);
    clientLayout->addWidget(m_preview);
    layout->addWidget(m_client, 1);
    m_preview->OnPageChanged = [this](TfrxPreview*, int pageNo) { ShowPageStatus(pageNo); };
    m_preview->Workspace()->OnDblClick = [this] {
        if (m_fullScreen)
            ToggleFullScreen();
    };

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setFixedWidth(200);
    StatusPanel1 = new QLabel(StatusBar);
    StatusPanel1->setMinimumWidth(50);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusPanel1, 1);
    if (QScreen* s = screen(); s && s->logicalDotsPerInch() > 96)
        StatusBar->setFixedHeight(24);
    layout->addWidget(StatusBar);

    RightMenu = new QMenu(this);
    CollapseAllItem = RightMenu->addAction(frxPreviewButtonIcon(13), frxGet(601));
    ExpandAllItem = RightMenu->addAction(frxPreviewButtonIcon(14), frxGet(600));
    RightMenuSep = RightMenu->addSeparator();
    connect(CollapseAllItem, &QAction::triggered, this,
            [this] { platform::Guarded([this] { CollapseAllClick(); }); });
    connect(ExpandAllItem, &QAction::triggered, this,
            [this] { platform::Guarded([this] { ExpandAllClick(); }); });

    setWindowTitle(frxGet(100));
    resize(803, 584);
    m_preview->setFocus();
    // Esc, F11 and F1 reach the window before the focused control.
    for (QWidget* w : {static_cast<QWidget*>(m_preview), static_cast<QWidget*>(ZoomCB),
                       static_cast<QWidget*>(PageE), static_cast<QWidget*>(ZoomCB->lineEdit())})
        w->installEventFilter(this);
}

// --- options ---

void TfrxPreviewForm::InitFromOptions() {
    TfrxReport* report = Report();
    const TfrxPreviewOptions* o = report ? report->PreviewOptions() : nullptr;
    m_preview->Init();
    if (!o)
        return;
    if (o->Maximized())
        setWindowState(windowState() | Qt::WindowMaximized);
    m_preview->ApplyZoom(o->Zoom());
    m_preview->ApplyZoomMode(o->ZoomMode());

    const TfrxPreviewButtons b = o->Buttons();
    PrintB->setVisible(b & pbPrint);
    OpenB->setVisible(b & pbLoad);
    SaveB->setVisible(b & pbSave);
    ExportB->setVisible(b & pbExport);
    FindB->setVisible(b & pbFind);
    const bool zoom = b & pbZoom;
    ZoomPlusB->setVisible(zoom);
    ZoomMinusB->setVisible(zoom);
    Sep3->setVisible(zoom);
    Sep1->setVisible(zoom);
    FullScreenBtn->setVisible(zoom && !(b & pbNoFullScreen));
    OutlineB->setVisible(b & pbOutline);
    ThumbB->setVisible(b & pbOutline);
    PageSettingsB->setVisible(b & pbPageSetup);
    DesignerB->setVisible(b & pbEdit);
    Sep2->setVisible(PageSettingsB->isVisible() || DesignerB->isVisible());
    const bool nav = b & pbNavigator;
    for (QAction* a : {FirstB, PriorB, Sep4, NextB, LastB})
        a->setVisible(nav);
    Sep5->setVisible(nav);
    CancelBAction->setVisible(!(b & pbNoClose));

    // Export needs a filter: PDF when it is installed; there is no e-mail filter.
    const bool pdf = frxHasPDFExport();
    ExportB->setVisible((b & pbExport) && pdf);
    PdfB->setVisible((b & pbExportQuick) && pdf);
    EmailB->setVisible(false);

    const QString name = report->ReportOptions()->Name();
    setWindowTitle(name.isEmpty() ? frxGet(100) : name);
    ToolBar->setToolButtonStyle(o->ShowCaptions() ? Qt::ToolButtonTextBesideIcon
                                                  : Qt::ToolButtonIconOnly);
    BuildRightMenu();
    UpdatePaneButtons();
    RefreshButtonStates();
}

void TfrxPreviewForm::BuildRightMenu() {
    for (QAction* item : m_menuItems)
        RightMenu->removeAction(item);
    qDeleteAll(m_menuItems);
    m_menuItems.clear();
    int separators = 0;
    for (QAction* a : ToolBar->actions()) {
        if (!a->isVisible())
            continue;
        if (a->isSeparator()) {
            if (++separators == 2)
                break;
            RightMenu->addSeparator();
            continue;
        }
        if (a->isCheckable() || a->toolTip().isEmpty() || a->icon().isNull())
            continue;
        auto* item = new QAction(a->icon(), a->toolTip(), RightMenu);
        if (a->menu()) {
            auto* sub = new QMenu(RightMenu);
            for (QAction* s : a->menu()->actions())
                sub->addAction(s);
            item->setMenu(sub);
        }
        connect(item, &QAction::triggered, a, &QAction::trigger);
        item->setEnabled(a->isEnabled());
        RightMenu->addAction(item);
        m_menuItems.insert(a, item);
    }
}

// --- state ---

bool TfrxPreviewForm::Preparing() const { return m_preview->Busy(); }

bool TfrxPreviewForm::FirstPassRunning() const { return m_preview->FirstPassRunning(); }

void TfrxPreviewForm::SetButtonEnabled(QAction* button, bool enabled) {
    const auto why = m_unavailable.constFind(button);
    if (why != m_unavailable.constEnd()) {
        enabled = false;
        button->setToolTip(why.value());
    }
    button->setEnabled(enabled);
    if (QAction* item = m_menuItems.value(button))
        item->setEnabled(enabled);
}

void TfrxPreviewForm::RefreshButtonStates() {
    const bool ready = !Preparing() && m_preview->PageCount() > 0;
    // Operations that come with their own units are installed at start-up; a preview without
    // one (a program or test that installs only part of the engine) keeps its button disabled.
    const std::pair<QAction*, bool> buttons[] = {
        {PrintB, frxHasPrintHandler()},
        {OpenB, TfrxPreview::HasHook(TfrxPreview::Hook::Load)},
        {SaveB, TfrxPreview::HasHook(TfrxPreview::Hook::Save)},
        {ExportB, true},
        {PdfB, true},
        {EmailB, true},
        {FindB, TfrxPreview::HasHook(TfrxPreview::Hook::Find)},
        {PageSettingsB, TfrxPreview::HasHook(TfrxPreview::Hook::PageSetup)},
    };
    for (const auto& [button, installed] : buttons)
        SetButtonEnabled(button, ready && installed);
    const TfrxPreviewOptions* o = Report() ? Report()->PreviewOptions() : nullptr;
    SetButtonEnabled(DesignerB, !Preparing() && o && o->AllowEdit());
    // Drill-down groups do not exist in this program's reports.
    const bool drillDown = false;
    for (QAction* a : {CollapseAllItem, ExpandAllItem, RightMenuSep})
        a->setVisible(!Preparing() && drillDown);
}

void TfrxPreviewForm::SetPreparing(bool preparing) {
    CancelB->setText(frxGet(preparing ? QStringLiteral("clCancel") : QStringLiteral("clClose")));
}

void TfrxPreviewForm::UpdateZoomText() {
    ZoomCB->setEditText(frxPreviewZoom::Text(m_preview->Zoom()));
}

void TfrxPreviewForm::UpdatePaneButtons() {
    OutlineB->setChecked(m_preview->OutlineVisible());
    ThumbB->setChecked(m_preview->ThumbnailVisible());
}

void TfrxPreviewForm::ShowHint(const QString& text) { StatusPanel1->setText(text); }

void TfrxPreviewForm::ShowPageStatus(int pageNo) {
    const int count = m_preview->PageCount();
    if (FirstPassRunning())
        StatusPanel0->setText(frxGet(QStringLiteral("clFirstPass")) + QLatin1Char(' ') +
                              QString::number(count));
    else
        StatusPanel0->setText(FormatNumbers(frxGet(QStringLiteral("clPageOf")), {pageNo, count}));
    PageE->setText(QString::number(pageNo));
}

// --- handlers ---

void TfrxPreviewForm::PrintBClick() {
    m_preview->Print();
    setEnabled(true);
}
void TfrxPreviewForm::OpenBClick() {
    m_preview->LoadFromFile();
    const QString name = Report() ? Report()->ReportOptions()->Name() : QString();
    setWindowTitle(name.isEmpty() ? frxGet(100) : name);
}
void TfrxPreviewForm::SaveBClick() { m_preview->SaveToFile(); }
void TfrxPreviewForm::FindBClick() { m_preview->Find(); }
void TfrxPreviewForm::ZoomPlusBClick() { m_preview->ZoomIn(); }
void TfrxPreviewForm::ZoomMinusBClick() { m_preview->ZoomOut(); }

void TfrxPreviewForm::ZoomCBClick() {
    // Whatever happens, the box then shows the zoom in force.
    struct Refresh {
        TfrxPreviewForm* f;
        ~Refresh() {
            QPointer<TfrxPreviewForm> form(f);
            QTimer::singleShot(0, f, [form] {
                if (form)
                    form->UpdateZoomText();
            });
        }
    } refresh{this};
    const QString text = ZoomCB->currentText();
    const int index = ZoomCB->findText(text);
    if (index == 6) {
        m_preview->ApplyZoomMode(zmPageWidth);
    } else if (index == 7) {
        m_preview->ApplyZoomMode(zmWholePage);
    } else {
        long double zoom = 0;
        if (frxPreviewZoom::Parse(text, zoom))
            m_preview->ApplyZoom(zoom);
    }
}

void TfrxPreviewForm::FullScreenBtnClick() { ToggleFullScreen(); }
void TfrxPreviewForm::OutlineBClick() { m_preview->SetOutlineVisible(OutlineB->isChecked()); }
void TfrxPreviewForm::ThumbBClick() { m_preview->SetThumbnailVisible(ThumbB->isChecked()); }
void TfrxPreviewForm::PageSettingsBClick() { m_preview->PageSetupDlg(); }
void TfrxPreviewForm::DesignerBClick() { m_preview->Edit(); }
void TfrxPreviewForm::Showtemplate1Click() {
    // The template would go to a report designer; there is none, so nothing changes.
}
void TfrxPreviewForm::FirstBClick() { m_preview->First(); }
void TfrxPreviewForm::PriorBClick() { m_preview->Prior(); }
void TfrxPreviewForm::NextBClick() { m_preview->Next(); }
void TfrxPreviewForm::LastBClick() { m_preview->Last(); }

void TfrxPreviewForm::PageEClick() {
    m_preview->GoToPage(platform::StrToInt(PageE->text()));
    m_preview->setFocus();
}

void TfrxPreviewForm::CancelBClick() {
    if (Preparing()) {
        if (TfrxReport* r = Report())
            r->Terminated = true;
    } else {
        close();
    }
}

void TfrxPreviewForm::PdfBClick() { ExportPdf(); }
void TfrxPreviewForm::EmailBClick() {
    // No e-mail filter is part of this program; the button never shows.
}

void TfrxPreviewForm::ExportPdf() {
    if (Preparing() || m_preview->PageCount() == 0)
        return;
    TfrxPDFExport filter;
    const QString name = Report() ? Report()->ReportOptions()->Name() : QString();
    const QString suggested = QDir::home().filePath(
        (name.isEmpty() ? QStringLiteral("Report") : name) + QLatin1Char('.') + filter.DefaultExt());
    QString file = AskFileName ? AskFileName(filter.FileFilter(), suggested)
                               : QFileDialog::getSaveFileName(this, frxGet(108), suggested,
                                                              filter.FileFilter());
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QLatin1Char('.') + filter.DefaultExt();
    filter.FileName = file;
    m_preview->Export(filter);
}

void TfrxPreviewForm::CollapseAllClick() { m_preview->Reprepare(); }
void TfrxPreviewForm::ExpandAllClick() { m_preview->Reprepare(); }

void TfrxPreviewForm::ToggleFullScreen() {
    if (!m_fullScreen) {
        m_savedState = windowState();
        m_savedGeometry = geometry();
        ToolBar->hide();
        StatusBar->hide();
        m_fullScreen = true;
        setWindowState(Qt::WindowFullScreen);
        if (QScreen* s = screen())
            setGeometry(s->geometry());
    } else {
        m_fullScreen = false;
        setWindowState(m_savedState);
        setGeometry(m_savedGeometry);
        ToolBar->show();
        StatusBar->show();
    }
}

// --- events ---

void TfrxPreviewForm::closeEvent(QCloseEvent* event) {
    if (Preparing()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrxPreviewForm::reject() {
    // Esc and the window's close box: closing is refused while the report is prepared.
    if (Preparing())
        return;
    QDialog::reject();
}

void TfrxPreviewForm::done(int result) {
    if (Preparing())
        return;
    const bool wasOpen = isVisible();
    QDialog::done(result);
    TfrxReport* report = Report();
    if (wasOpen && report && report->OnClosePreview)
        platform::Guarded([report] { report->OnClosePreview(); });
}

bool TfrxPreviewForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
            platform::Guarded([this] { CancelBClick(); });
            return true;
        case Qt::Key_F11:
            platform::Guarded([this] { ToggleFullScreen(); });
            return true;
        case Qt::Key_F1:
            return true; // no help file is part of this program
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrxPreviewForm::keyPressEvent(QKeyEvent* event) {
    if (eventFilter(this, event))
        return;
    // Everything else is the preview control's (Enter never closes this window).
    if (!m_preview->HandleKey(event) && event->key() != Qt::Key_Return &&
        event->key() != Qt::Key_Enter)
        QDialog::keyPressEvent(event);
}

void TfrxPreviewForm::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches)
        platform::Guarded(
            [&] { m_preview->MouseWheel(notches, event->modifiers() & Qt::ControlModifier); });
    event->accept();
}

void TfrxPreviewForm::contextMenuEvent(QContextMenuEvent* event) {
    RightMenu->popup(event->globalPos());
}

// --- showing a report ---

void frxShowPreview(TfrxReport* report) {
    TfrxCustomPreviewPages* pages = report->Runtime().PreviewPages();
    // An application's own control: bind and initialise it, nothing else.
    if (auto* own = dynamic_cast<TfrxPreview*>(report->Runtime().Preview); own && !own->Window()) {
        own->SetReport(report);
        own->SetPreviewPages(pages);
        own->Init();
        return;
    }
    const TfrxPreviewOptions* o = report->PreviewOptions();
    auto* form = new TfrxPreviewForm(nullptr);
    QPointer<TfrxPreviewForm> guard(form);
    form->Preview()->SetReport(report);
    form->Preview()->SetPreviewPages(pages);
    report->Runtime().Preview = form->Preview();
    if (o->Maximized()) {
        // Without a window manager a maximised window keeps its size: give it the screen.
        if (QScreen* s = form->screen())
            form->setGeometry(s->availableGeometry());
    } else if (QScreen* s = form->screen()) {
        const QRect area = s->availableGeometry();
        form->move(area.center() - QPoint(form->width() / 2, form->height() / 2));
    }
    form->InitFromOptions();
    if (report->OnPreview)
        report->OnPreview();
    if (o->Modal()) {
        std::unique_ptr<TfrxPreviewForm> owned(form);
        form->exec();
    } else {
        form->FreeOnClose = true;
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->show();
    }
}

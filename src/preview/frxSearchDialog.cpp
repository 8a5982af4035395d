#include "preview/frxSearchDialog.h"

#include "platform/CanvasRecording.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewLayout.h"
#include "preview/frxSearch.h"
#include "resources/frxRes.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrxSearchDialog::TfrxSearchDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrxSearchDialog"));
    setWindowTitle(frxGet(300));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->setSpacing(6);

    TextL = new QLabel(frxGet(301), this);
    TextL->setObjectName(QStringLiteral("TextL"));
    TextE = new QLineEdit(this);
    TextE->setObjectName(QStringLiteral("TextE"));
    TextE->setFixedWidth(237);
    TextL->setBuddy(TextE);
    layout->addWidget(TextL);
    layout->addWidget(TextE);

    ReplacePanel = new QWidget(this);
    ReplacePanel->setObjectName(QStringLiteral("ReplacePanel"));
    auto* replaceLayout = new QVBoxLayout(ReplacePanel);
    replaceLayout->setContentsMargins(0, 0, 0, 0);
    ReplaceL = new QLabel(frxGet(303), ReplacePanel);
    ReplaceL->setObjectName(QStringLiteral("ReplaceL"));
    ReplaceE = new QLineEdit(ReplacePanel);
    ReplaceE->setObjectName(QStringLiteral("ReplaceE"));
    ReplaceE->setFixedWidth(237);
    replaceLayout->addWidget(ReplaceL);
    replaceLayout->addWidget(ReplaceE);
    ReplacePanel->hide(); // nothing in this program replaces text
    layout->addWidget(ReplacePanel);

    SearchL = new QGroupBox(frxGet(302), this);
    SearchL->setObjectName(QStringLiteral("SearchL"));
    auto* options = new QVBoxLayout(SearchL);
    TopCB = new QCheckBox(frxGet(304), SearchL);
    TopCB->setObjectName(QStringLiteral("TopCB"));
    CaseCB = new QCheckBox(frxGet(305), SearchL);
    CaseCB->setObjectName(QStringLiteral("CaseCB"));
    options->addWidget(TopCB);
    options->addWidget(CaseCB);
    layout->addWidget(SearchL);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OkB = new QPushButton(frxGet(1), this);
    OkB->setObjectName(QStringLiteral("OkB"));
    OkB->setDefault(true);
    CancelB = new QPushButton(frxGet(2), this);
    CancelB->setObjectName(QStringLiteral("CancelB"));
    for (QPushButton* b : {OkB, CancelB}) {
        b->setFixedWidth(75);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    // 252 px of client width, as high as the controls need; the user cannot resize it.
    setFixedWidth(252);
    setFixedHeight(sizeHint().height());
}

void TfrxSearchDialog::FormShow() {
    TextE->setText(frxSearchState().LastText);
    TextE->selectAll();
    TextE->setFocus();
    TopCB->setChecked(false);
    CaseCB->setChecked(false);
}

void TfrxSearchDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TfrxSearchDialog::accept() {
    frxSearchState().LastText = TextE->text();
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------------

namespace {

void Search(TfrxPreview* preview) {
    TfrxCustomPreviewPages* pages = preview->PreviewPages();
    TfrxPreviewWorkspace* ws = preview->Workspace();
    if (!pages)
        return;
    TfrxSearchState& state = frxSearchState();
    TfrxWorkspaceSearch& at = ws->Search;
    frxSearchPages(*pages, state, at.Page, at.Picture, at.PicturePage);
    at.Found = state.Found;
    at.HitRect = state.HitRect;
    if (state.Found) {
        // The hit on its page at the page area's zoom, in view coordinates.
        const QRect page = ws->PageRectInView(at.Page);
        const long double zoom = ws->Zoom;
        const QRect hit(page.left() + frxRoundToInt(state.HitRect.left() * zoom),
                        page.top() + frxRoundToInt(state.HitRect.top() * zoom),
                        frxRoundToInt(state.HitRect.width() * zoom),
                        frxRoundToInt(state.HitRect.height() * zoom));
        const QRect view(0, 0, ws->HorzPage(), ws->VertPage());
        const QPoint to = frxScrollToHit(hit, view);
        if (to.y() != 0)
            ws->SetVertPosition(ws->VertPosition() + to.y());
        if (to.x() != 0)
            ws->SetHorzPosition(ws->HorzPosition() + to.x());
    }
    ws->viewport()->update();
}

} // namespace

void frxFind(TfrxPreview* preview) {
    TfrxSearchDialog dialog(preview);
    if (dialog.exec() == QDialog::Accepted) {
        TfrxSearchState& state = frxSearchState();
        state.Text = dialog.TextE->text();
        state.CaseSensitive = dialog.CaseCB->isChecked();
        preview->Workspace()->Search.Page = dialog.TopCB->isChecked() ? 0 : preview->PageNo() - 1;
        state.RecordIndex = -1;
        Search(preview);
    }
    preview->FindNextAllowed = true;
}

void frxFindNext(TfrxPreview* preview) { Search(preview); }

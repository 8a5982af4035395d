#include "preview/frxPreviewFiles.h"

#include "platform/Error.h"
#include "platform/Registry.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "report/frxClass.h"
#include "resources/frxRes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString Filter() { return frxGet(QStringLiteral("clPGXfiles")) + QStringLiteral(" (*.pgx)"); }

QString AskSave(TfrxPreview* parent, const QString& filter) {
    if (const TfrxFileDialogs* dialogs = platform::Registry::Find<TfrxFileDialogs>();
        dialogs && dialogs->Save)
        return dialogs->Save(parent, filter);
    return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
}

QString AskOpen(TfrxPreview* parent, const QString& filter) {
    if (const TfrxFileDialogs* dialogs = platform::Registry::Find<TfrxFileDialogs>();
        dialogs && dialogs->Open)
        return dialogs->Open(parent, filter);
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter, nullptr,
                                        QFileDialog::ReadOnly);
}

// Shows `text` in the preview's message panel, painted before the work starts.
void ShowBusy(TfrxPreview* preview, const QString& text) {
    preview->Workspace()->viewport()->repaint();
    preview->Freeze();
    preview->ShowMessagePanel(text);
    preview->MessagePanel()->repaint();
}

// What a file just opened could not read: shown once, as the report shows its errors.
void ShowLoadErrors(const QStringList& errors) {
    if (errors.isEmpty())
        return;
    platform::ShowErrorBox(frxGet(QStringLiteral("clErrors")) + QStringLiteral("\n") +
                           errors.join(QLatin1Char('\n')));
}

} // namespace

QString frxPgxFileName(const QString& chosen) {
    const QFileInfo info(chosen);
    QString base = info.fileName();
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    const qsizetype slash = chosen.lastIndexOf(QLatin1Char('/'));
    return chosen.left(slash + 1) + base + QStringLiteral(".pgx");
}

void frxSaveToFile(TfrxPreview* preview) {
    if (preview->Busy() || !preview->PreviewPages())
        return;
    const QString chosen = AskSave(preview, Filter());
    if (chosen.isEmpty())
        return;
    frxSaveToFile(preview, frxPgxFileName(chosen));
}

void frxSaveToFile(TfrxPreview* preview, const QString& fileName) {
    TfrxCustomPreviewPages* pages = preview->PreviewPages();
    if (preview->Busy() || !pages)
        return;
    // The panel goes away before an error is shown.
    platform::Guarded([&] {
        ShowBusy(preview, frxGet(QStringLiteral("clSaving")));
        struct ThawAfter {
            TfrxPreview* p;
            ~ThawAfter() { p->Thaw(); }
        } thaw{preview};
        pages->WriteToFile(fileName);
    });
}

void frxLoadFromFile(TfrxPreview* preview) {
    if (preview->Busy() || !preview->PreviewPages())
        return;
    const QString chosen = AskOpen(preview, Filter());
    if (chosen.isEmpty())
        return;
    frxLoadFromFile(preview, chosen);
}

void frxLoadFromFile(TfrxPreview* preview, const QString& fileName) {
    TfrxCustomPreviewPages* pages = preview->PreviewPages();
    if (preview->Busy() || !pages)
        return;
    QStringList errors;
    platform::Guarded([&] {
        ShowBusy(preview, frxGet(QStringLiteral("clLoading")));
        // Whether the file opened or not, the preview shows what the store now holds.
        struct Show {
            TfrxPreview* p;
            ~Show() {
                // A hit of an earlier search belongs to pages that are gone: no highlight on
                // the new ones, and a search starts again from the first page.
                TfrxWorkspaceSearch& search = p->Workspace()->Search;
                search.Found = false;
                search.Page = 0;
                p->Workspace()->DropSearchPicture();
                p->FindNextAllowed = false;
                p->RebuildOutlineTree();
                p->Thaw();
                p->GoToPage(1);
            }
        } show{preview};
        if (auto* store = dynamic_cast<TfrxPreviewPages*>(pages)) {
            store->ReadFromFile(fileName);
            errors = store->Errors();
        } else {
            pages->ReadFromFile(fileName);
        }
    });
    // The caption follows the report just opened.
    if (auto* form = qobject_cast<TfrxPreviewForm*>(preview->window())) {
        const TfrxReport* report = preview->Report();
        const QString name = report ? report->ReportOptions()->Name() : QString();
        form->setWindowTitle(name.isEmpty() ? frxGet(100) : name);
    }
    ShowLoadErrors(errors);
}

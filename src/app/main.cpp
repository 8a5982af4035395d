// Start-up: the application, the main window with its settings, the worksheet window created
// hidden, then the message loop until the main window closes. With arguments, the command line
// decides (worksheets written to a PDF file without a window, help).

#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/U_man.h"
#include "platform/Error.h"
#include "platform/Fonts.h"
#include "export/frxExportPDF.h"
#include "preview/frxPreviewFiles.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "preview/frxSearchDialog.h"
#include "store/frxXMLSerializer.h"
#include "print/frxPrintJob.h"
#include "print/frxProgress.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"
#include "worksheet/U_Shengcheng.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include <memory>

int main(int argc, char** argv) {
    // Writing a PDF file or the help text needs no display.
    if (commandline::NeedsNoDisplay(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sumdrill"));
    Q_INIT_RESOURCE(app);
    platform::InstallFontSubstitutions();
    frxInstallXMLSerializer(); // reports save and load their objects through it
    frxInstallEvaluator();     // expressions and scripts of report objects
    frxInstallPreviewPages();  // reports keep their prepared pages in the store
    frxInstallEngine();        // and prepare them with the engine
    frxInstallProgress();      // long report operations show the progress window
    frxInstallPrintJob();      // the prepared pages store prints through the print job
    frxInstallExportFilters(); // the preview's Export menu and the command line write PDF
    frxInstallPdfPrinting();   // printed documents are written by the same PDF writer
    frxInstallPreview();       // reports show their prepared pages in the preview window
    frxInstallSearch();        // the preview's Find and F3
    frxInstallPreviewFiles();  // the preview's Save and Open of prepared report files

    {
        QTextStream out(stdout), err(stderr);
        if (const std::optional<int> code = commandline::Run(
                QCoreApplication::arguments(), SettingsStore::DefaultPath(), out, err))
            return *code;
    }

    // The windows' icon (the command line shows none).
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/sumdrill-48.png"));
    icon.addFile(QStringLiteral(":/icons/sumdrill-256.png"));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("sumdrill"));

    auto F_man = std::make_unique<TF_man>();
    platform::Guarded([&] { F_man->FormCreate(); });
    auto frm_Shengcheng = std::make_unique<Tfrm_Shengcheng>();
    F_man->SetWorksheetWindow(frm_Shengcheng.get());

    F_man->show();
    const int code = QApplication::exec();
    frm_Shengcheng.reset();
    return code;
}

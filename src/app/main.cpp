// Start-up: the application, the main window with its settings, the worksheet window created
// hidden, then the message loop until the main window closes.

#include "app/U_man.h"
#include "platform/Error.h"
#include "platform/Fonts.h"
#include "preview/frxExportPDF.h"
#include "preview/frxPreviewForm.h"
#include "preview/frxXMLSerializer.h"
#include "report/frxExpression.h"
#include "worksheet/U_Shengcheng.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sumdrill"));
    Q_INIT_RESOURCE(app);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/sumdrill-48.png"));
    icon.addFile(QStringLiteral(":/icons/sumdrill-256.png"));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("sumdrill"));
    platform::InstallFontSubstitutions();
    frxInstallXMLSerializer(); // reports save and load their objects through it
    frxInstallEvaluator();     // expressions and scripts of report objects
    frxInstallExportFilters(); // the preview's Export menu and the command line write PDF
    frxInstallPreview();       // reports show their prepared pages in the preview window

    auto F_man = std::make_unique<TF_man>();
    platform::Guarded([&] { F_man->FormCreate(); });
    auto frm_Shengcheng = std::make_unique<Tfrm_Shengcheng>();
    F_man->SetWorksheetWindow(frm_Shengcheng.get());

    F_man->show();
    const int code = QApplication::exec();
    frm_Shengcheng.reset();
    return code;
}

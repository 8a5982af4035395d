// Start-up: the application, the main window with its settings, the worksheet window created
// hidden, then the message loop until the main window closes. With arguments, the command line
// decides (worksheets written to a PDF file without a window, help).

#include "app/CommandLine.h"
#include "app/SettingsStore.h"
#include "app/U_man.h"
#include "platform/Error.h"
#include "platform/Fonts.h"
#include "startup/Startup.h"
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
    startup::Install(); // the whole report engine, on the desktop's printers

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

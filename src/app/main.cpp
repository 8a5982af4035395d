// Start-up. The settings window is not built yet: for now the program draws one worksheet
// with the default settings and writes it to standard output.

#include "app/U_Common.h"
#include "platform/GbkCodec.h"
#include "worksheet/Worksheet.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sumdrill"));
    U_Common::AddSubToggle = 1;
    U_Common::MulDivToggle = 3;
    WorksheetSettings& settings = U_Common::Settings();
    settings.ProblemType = 4;
    worksheet::Worksheet sheet;
    sheet.GenerateWorksheet(settings);
    QTextStream out(stdout);
    for (int row = 0; row < worksheet::Worksheet::TableRows; ++row) {
        for (int col = 0; col < worksheet::Worksheet::Columns; ++col)
            out << platform::FromGbk(sheet.SheetTable(col, row)).leftJustified(16) << ' ';
        out << '\n';
    }
    out << QStringLiteral("(The settings and worksheet windows are not built yet.)\n");
    return 0;
}

#pragma once
// The command line of the sumdrill executable: worksheets for a whole class written straight to
// a PDF file, without a window (`sumdrill --pdf FILE ...`), and a saved prepared report opened
// in the preview (`sumdrill --open FILE.pgx`). Without arguments the program starts as usual.

#include "common/U_Common.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QTextStream;
namespace worksheet {
class Worksheet;
}

struct CommandLineOptions {
    enum class Action {
        Windows, // no arguments: the main window
        Help,    // print the help text
        Version, // print the program's name and version
        Pdf,     // write worksheets to PdfFile
        Open,    // show OpenFile in the preview, or write it to PdfFile when one is given
    };
    Action Act = Action::Windows;
    QString PdfFile;
    QString OpenFile;
    // Defaults from the saved settings file, then the options given.
    WorksheetSettings Settings;
    int Sheets = 1;
    // After the sheets, the same sheets again with their answers.
    bool AnswerKey = false;
};

// What parsing decided: the options, or an error of the user's (one line, exit status 2).
struct CommandLineParse {
    CommandLineOptions Options;
    QString Error;
    bool Ok() const { return Error.isEmpty(); }
};

namespace commandline {

// Exit statuses: 0 done, 1 the file could not be written, 2 bad options.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The allowed values of the settings window's lists.
const QList<int>& ProblemCounts(); // 10, 20, ..., 100
const QList<int>& Limits();        // 10, 20, ..., 100, 150, 200, 300, 500, 1000
// Problem types by number 0..7; each type's English names, then the settings window's text.
const QList<QStringList>& ProblemTypeNames();

// `arguments` as QCoreApplication::arguments() gives them (the program first). The settings
// file gives the defaults of every setting the arguments leave out; a missing file gives the
// settings window's first-start choices.
CommandLineParse Parse(const QStringList& arguments, const QString& settingsFile);

QString HelpText();

// Whether the arguments ask for something that needs no display (start-up then chooses the
// offscreen platform before the application exists).
bool NeedsNoDisplay(int argc, char** argv);

// The sheets of `options`, prepared through the worksheet's print template and written to its
// PDF file; `drawn`, when given, receives the sheets in their order. Raises platform::Error when
// preparing or writing fails.
void WriteWorksheetsPdf(const CommandLineOptions& options,
                        std::vector<worksheet::Worksheet>* drawn = nullptr);

// A saved prepared report shown in the preview window until it is closed, or written to the PDF
// file of `options` when it names one. Raises platform::Error when it cannot be read or written.
void OpenPreparedReport(const CommandLineOptions& options);

// Start-up's hook, called once the application exists: nothing for a plain start (the main
// window follows), otherwise the exit status after doing what the arguments ask. Messages go to
// `out` and `err`.
std::optional<int> Run(const QStringList& arguments, const QString& settingsFile, QTextStream& out,
                       QTextStream& err);

} // namespace commandline

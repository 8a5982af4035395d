#include "app/CommandLine.h"

#include "app/SettingsStore.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "export/frxExportPDF.h"
#include "store/frxPreviewPages.h"
#include "report/frxClass.h"
#include "worksheet/Worksheet.h"
#include "worksheet/WorksheetReport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

#include <cstring>
#include <vector>

namespace commandline {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kMaxSheets = 1000;

// The settings window's choices at first start (list indexes and check state).
constexpr int kFirstStartType = 4;

struct Opts {
    QCommandLineOption help{{U("h"), U("help")}, U("Show this help and exit.")};
    QCommandLineOption version{U("version"), U("Show the program's version and exit.")};
    QCommandLineOption pdf{U("pdf"), U("Write the worksheets to <file> as PDF, without a window."),
                           U("file")};
    QCommandLineOption problems{U("problems"),
                                U("Problems per sheet: 10, 20, ..., 100."), U("n")};
    QCommandLineOption resultLimit{
        U("result-limit"),
        U("Largest value of a problem: 10, 20, ..., 100, 150, 200, 300, 500 or 1000."), U("n")};
    QCommandLineOption operand1Limit{U("operand1-limit"),
                                     U("Largest first number, from the same list."), U("n")};
    QCommandLineOption operand2Limit{U("operand2-limit"),
                                     U("Largest second number, from the same list."), U("n")};
    QCommandLineOption type{U("type"), U("Kind of problems: 0 to 7 or a name (see below)."),
                            U("type")};
    QCommandLineOption decimals{U("decimals"), U("Decimal places kept in division values: 0 to 3."),
                                U("n")};
    QCommandLineOption answers{U("answers"), U("Show the answers on the sheets.")};
    QCommandLineOption noAnswers{U("no-answers"), U("Leave room for the answers.")};
    QCommandLineOption sheets{
        U("sheets"),
        U("Number of sheets, each with its own problems, one page each: 1 to %1.").arg(kMaxSheets),
        U("n")};
    QCommandLineOption answerKey{
        U("answer-key"),
        U("After the sheets, add the same sheets with their answers, in the same order.")};
    QCommandLineOption open{
        U("open"),
        U("Show a saved prepared report (.pgx) in the preview; with --pdf, write it to that PDF "
          "file instead, without a window."),
        U("file")};
    QCommandLineOption settings{
        U("settings"),
        U("Take the defaults from this settings file instead of the saved settings "
          "(SystemConfig.ini beside the program, or in ~/.config/sumdrill when the program's "
          "folder cannot be written)."),
        U("file")};

    void AddTo(QCommandLineParser& p) const {
        p.addOptions({help, version, pdf, open, problems, resultLimit, operand1Limit, operand2Limit, type,
                      decimals, answers, noAnswers, sheets, answerKey, settings});
    }
};

QString Join(const QList<int>& values) {
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    return parts.join(U(", "));
}

// A whole decimal number, nothing else around it.
std::optional<int> Number(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || text.trimmed() != text)
        return std::nullopt;
    return v;
}

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// The value of a list option, or the error naming the option and what it allows.
std::optional<int> FromList(const QString& option, const QString& text, const QList<int>& allowed,
                            QString& error) {
    const std::optional<int> v = Number(text);
    if (v && allowed.contains(*v))
        return v;
    error = U("--%1 must be one of %2, not %3").arg(option, Join(allowed), Quoted(text));
    return std::nullopt;
}

std::optional<int> FromRange(const QString& option, const QString& text, int low, int high,
                             QString& error) {
    const std::optional<int> v = Number(text);
    if (v && *v >= low && *v <= high)
        return v;
    error = U("--%1 must be %2 to %3, not %4").arg(option).arg(low).arg(high).arg(Quoted(text));
    return std::nullopt;
}

QString TypeNamesText() {
    QStringList names;
    for (const QStringList& n : ProblemTypeNames())
        names << n.front();
    return names.join(U(", "));
}

std::optional<int> ProblemTypeOf(const QString& text, QString& error) {
    if (const std::optional<int> v = Number(text); v && *v >= 0 && *v <= 7)
        return v;
    const QList<QStringList>& names = ProblemTypeNames();
    for (int t = 0; t < names.size(); ++t)
        for (const QString& name : names[t])
            if (name.compare(text, Qt::CaseInsensitive) == 0)
                return t;
    error = U("--type must be 0 to 7 or one of %1, not %2").arg(TypeNamesText(), Quoted(text));
    return std::nullopt;
}

// The saved settings as the settings window would show them: list indexes, -1 when the file
// holds an index outside its list.
struct Saved {
    int problemCount = 0;
    int resultLimit = 0;
    int operand1Limit = 0;
    int operand2Limit = 0;
    int problemType = kFirstStartType;
    int decimalPlaces = 0;
    bool showAnswers = false;
};

Saved ReadSaved(const QString& file) {
    Saved s;
    if (file.isEmpty() || !QFileInfo::exists(file))
        return s;
    const SettingsStore store(file);
    s.problemCount = store.ReadInteger(SettingsStore::KeyProblemCount(), 0);
    s.resultLimit = store.ReadInteger(SettingsStore::KeyResultLimit(), 0);
    s.operand1Limit = store.ReadInteger(SettingsStore::KeyOperand1Limit(), 0);
    s.operand2Limit = store.ReadInteger(SettingsStore::KeyOperand2Limit(), 0);
    s.problemType = store.ReadInteger(SettingsStore::KeyProblemType(), 0);
    s.decimalPlaces = store.ReadInteger(SettingsStore::KeyDecimalPlaces(), 0);
    s.showAnswers = store.ReadBool(SettingsStore::KeyShowAnswers());
    return s;
}

// The saved list index as a value; an index outside the list is an error that names the
// option that replaces it.
std::optional<int> SavedValue(int index, const QList<int>& list, const QString& what,
                              const QString& option, QString& error) {
    if (index >= 0 && index < list.size())
        return list[index];
    error = U("the settings file holds no valid %1 (list index %2); give --%3 (%4)")
                .arg(what)
                .arg(index)
                .arg(option, Join(list));
    return std::nullopt;
}

} // namespace

const QList<int>& ProblemCounts() {
    static const QList<int> values{10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    return values;
}

const QList<int>& Limits() {
    static const QList<int> values{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 150, 200, 300, 500, 1000};
    return values;
}

const QList<QStringList>& ProblemTypeNames() {
    static const QList<QStringList> names{
        {U("add"), U("addition"), U("加+")},
        {U("sub"), U("subtraction"), U("减-")},
        {U("mul"), U("multiplication"), U("乘x")},
        {U("div"), U("division"), U("除÷")},
        {U("add-sub"), U("加减混合+-")},
        {U("mul-div"), U("乘除混合x÷")},
        {U("add-sub-mul"), U("加减乘混合+-x")},
        {U("all"), U("加减乘除混合+-x÷")},
    };
    return names;
}

QString HelpText() {
    QCommandLineParser parser;
    const Opts o;
    o.AddTo(parser);
    parser.setApplicationDescription(
        U("Arithmetic worksheets. Without options the settings window opens.\n"
          "With --pdf the worksheets are written to a PDF file without a window; every setting "
          "left out is taken from the saved settings file."));
    QString text = parser.helpText();
    QStringList types;
    const QList<QStringList>& names = ProblemTypeNames();
    for (int t = 0; t < names.size(); ++t)
        types << U("  %1  %2").arg(t).arg(names[t].join(U(", ")));
    text += U("\nKinds of problems (--type):\n") + types.join(QLatin1Char('\n')) +
            U("\n\nExample: thirty sheets of 50 problems with their answer keys:\n"
              "  sumdrill --pdf class3b.pdf --problems 50 --sheets 30 --answer-key\n"
              "A saved prepared report as PDF:\n"
              "  sumdrill --open report.pgx --pdf report.pdf\n"
              "\nExit status: 0 when the file was written (or the preview closed), 1 when a file "
              "could not be read or written, 2 for bad options.\n");
    return text;
}

CommandLineParse Parse(const QStringList& arguments, const QString& settingsFile) {
    CommandLineParse result;
    CommandLineOptions& out = result.Options;
    QString& error = result.Error;
    QCommandLineParser parser;
    const Opts o;
    o.AddTo(parser);
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = U("unexpected argument %1 (see --help)").arg(Quoted(parser.positionalArguments().front()));
        return result;
    }
    if (parser.isSet(o.help)) {
        out.Act = CommandLineOptions::Action::Help;
        return result;
    }
    if (parser.isSet(o.version)) {
        out.Act = CommandLineOptions::Action::Version;
        return result;
    }
    const std::initializer_list<const QCommandLineOption*> worksheetOptions{
        &o.problems, &o.resultLimit, &o.operand1Limit, &o.operand2Limit, &o.type,
        &o.decimals, &o.answers,     &o.noAnswers,     &o.sheets,        &o.answerKey,
        &o.settings};
    if (parser.isSet(o.pdf)) {
        out.PdfFile = parser.value(o.pdf);
        if (out.PdfFile.isEmpty()) {
            error = U("--pdf needs a file name");
            return result;
        }
    }
    if (parser.isSet(o.open)) {
        out.Act = CommandLineOptions::Action::Open;
        out.OpenFile = parser.value(o.open);
        if (out.OpenFile.isEmpty()) {
            error = U("--open needs a file name");
            return result;
        }
        // The report is prepared already: worksheet options have nothing to change.
        for (const QCommandLineOption* opt : worksheetOptions)
            if (parser.isSet(*opt)) {
                error = U("--%1 cannot be used with --open").arg(opt->names().front());
                return result;
            }
        return result;
    }
    if (parser.isSet(o.pdf)) {
        out.Act = CommandLineOptions::Action::Pdf;
    } else {
        // Worksheet options mean nothing to the windows: say so rather than ignore them.
        for (const QCommandLineOption* opt : worksheetOptions)
            if (parser.isSet(*opt)) {
                error = U("--%1 needs --pdf FILE").arg(opt->names().front());
                return result;
            }
        return result;
    }
    if (parser.isSet(o.answers) && parser.isSet(o.noAnswers)) {
        error = U("--answers and --no-answers exclude each other");
        return result;
    }

    if (parser.isSet(o.settings) && !QFileInfo::exists(parser.value(o.settings))) {
        error = U("--settings: no such file %1").arg(Quoted(parser.value(o.settings)));
        return result;
    }
    const Saved saved = ReadSaved(parser.isSet(o.settings) ? parser.value(o.settings) : settingsFile);
    WorksheetSettings& s = out.Settings;
    auto listSetting = [&](const QCommandLineOption& opt, int savedIndex, const QList<int>& list,
                           const char* what, int& field) {
        const QString name = opt.names().front();
        const std::optional<int> v = parser.isSet(opt)
                                         ? FromList(name, parser.value(opt), list, error)
                                         : SavedValue(savedIndex, list, U(what), name, error);
        if (v)
            field = *v;
        return v.has_value();
    };
    if (!listSetting(o.problems, saved.problemCount, ProblemCounts(), "problem count",
                     s.ProblemCount) ||
        !listSetting(o.resultLimit, saved.resultLimit, Limits(), "result limit", s.ResultLimit) ||
        !listSetting(o.operand1Limit, saved.operand1Limit, Limits(), "first number limit",
                     s.Operand1Limit) ||
        !listSetting(o.operand2Limit, saved.operand2Limit, Limits(), "second number limit",
                     s.Operand2Limit))
        return result;

    if (parser.isSet(o.type)) {
        const std::optional<int> t = ProblemTypeOf(parser.value(o.type), error);
        if (!t)
            return result;
        s.ProblemType = *t;
    } else if (saved.problemType >= 0 && saved.problemType <= 7) {
        s.ProblemType = saved.problemType;
    } else {
        error = U("the settings file holds no valid kind of problems (list index %1); give "
                  "--type (0 to 7)")
                    .arg(saved.problemType);
        return result;
    }

    if (parser.isSet(o.decimals)) {
        const std::optional<int> d = FromRange(U("decimals"), parser.value(o.decimals), 0, 3, error);
        if (!d)
            return result;
        s.DecimalPlaces = *d;
    } else if (saved.decimalPlaces >= 0 && saved.decimalPlaces <= 3) {
        s.DecimalPlaces = saved.decimalPlaces;
    } else {
        error = U("the settings file holds no valid number of decimal places (list index %1); "
                  "give --decimals (0 to 3)")
                    .arg(saved.decimalPlaces);
        return result;
    }

    s.ShowAnswers = parser.isSet(o.answers) || (!parser.isSet(o.noAnswers) && saved.showAnswers);

    if (parser.isSet(o.sheets)) {
        const std::optional<int> n = FromRange(U("sheets"), parser.value(o.sheets), 1, kMaxSheets, error);
        if (!n)
            return result;
        out.Sheets = *n;
    }
    out.AnswerKey = parser.isSet(o.answerKey);
    return result;
}

void WriteWorksheetsPdf(const CommandLineOptions& options,
                        std::vector<worksheet::Worksheet>* drawn) {
    const WorksheetSettings& settings = options.Settings;
    // The mixed kinds alternate from the start, as after the main window's creation.
    U_Common::AddSubToggle = 1;
    U_Common::MulDivToggle = 3;

    // The template, value callback and engine of the worksheet window's print preview.
    std::unique_ptr<TfrxReport> report = worksheet::CreateWorksheetReport();
    report->SetShowProgress(false);
    report->EngineOptions()->SetNewSilentMode(frxClass::simReThrow);
    const worksheet::Worksheet* shown = nullptr;
    report->OnGetValue = [&](const QString& name, Variant& value) {
        if (shown)
            worksheet::WorksheetValue(*shown, settings.ProblemCount, name, value);
    };
    bool first = true;
    auto prepare = [&](worksheet::Worksheet& sheet, bool answers) {
        sheet.RefillWorksheet(answers);
        shown = &sheet;
        // Each preparation adds its page after the pages before it.
        if (!report->Prepare(first))
            throw platform::Error(report->Errors().join(QLatin1Char(' ')));
        first = false;
    };

    std::vector<worksheet::Worksheet> sheets(static_cast<size_t>(options.Sheets));
    for (worksheet::Worksheet& sheet : sheets) {
        sheet.GenerateWorksheet(settings);
        prepare(sheet, settings.ShowAnswers);
    }
    if (options.AnswerKey)
        for (worksheet::Worksheet& sheet : sheets)
            prepare(sheet, true);

    auto* pages = dynamic_cast<TfrxPreviewPages*>(report->Runtime().PreviewPages());
    if (!pages)
        throw platform::Error(U("no prepared pages store is installed"));
    TfrxPDFExport pdf;
    pdf.FileName = options.PdfFile;
    pdf.Title = U("数学运算练习");
    if (!pages->Export(pdf))
        throw platform::Error(U("the export was cancelled"));
    if (drawn)
        *drawn = std::move(sheets);
}

bool NeedsNoDisplay(int argc, char** argv) {
    // Every use of the arguments but --open without --pdf works without a window.
    if (argc <= 1)
        return false;
    bool open = false, pdf = false;
    for (int i = 1; i < argc; ++i) {
        open = open || std::strcmp(argv[i], "--open") == 0 || std::strncmp(argv[i], "--open=", 7) == 0;
        pdf = pdf || std::strcmp(argv[i], "--pdf") == 0 || std::strncmp(argv[i], "--pdf=", 6) == 0;
    }
    return !open || pdf;
}

void OpenPreparedReport(const CommandLineOptions& options) {
    TfrxReport report;
    // Without a window nothing shows progress; the preview's exports and prints do.
    report.SetShowProgress(options.PdfFile.isEmpty());
    auto* pages = dynamic_cast<TfrxPreviewPages*>(report.Runtime().PreviewPages());
    if (!pages)
        throw platform::Error(U("no prepared pages store is installed"));
    pages->ReadFromFile(options.OpenFile, true);
    if (pages->PageCount() == 0)
        throw platform::Error(U("\"%1\" holds no pages").arg(options.OpenFile));
    if (options.PdfFile.isEmpty()) {
        report.ShowPrepared();
        return;
    }
    TfrxPDFExport pdf;
    pdf.FileName = options.PdfFile;
    if (!pages->Export(pdf))
        throw platform::Error(U("the export was cancelled"));
}

std::optional<int> Run(const QStringList& arguments, const QString& settingsFile, QTextStream& out,
                       QTextStream& err) {
    if (arguments.size() <= 1)
        return std::nullopt;
    const CommandLineParse parse = Parse(arguments, settingsFile);
    if (!parse.Ok()) {
        err << "sumdrill: " << parse.Error << '\n';
        err.flush();
        return ExitUsage;
    }
    const CommandLineOptions& o = parse.Options;
    // Without a window, what would go to the error box goes to standard error (a box would
    // wait for a press nobody makes).
    const bool windowless = o.Act == CommandLineOptions::Action::Pdf ||
                            (o.Act == CommandLineOptions::Action::Open && !o.PdfFile.isEmpty());
    platform::RegistryScope restore;
    if (windowless)
        platform::Registry::Install(platform::ErrorSink([&err](const QString& text) {
            err << "sumdrill: " << text << '\n';
            err.flush();
        }));
    switch (o.Act) {
    case CommandLineOptions::Action::Windows:
        return std::nullopt;
    case CommandLineOptions::Action::Help:
        out << HelpText();
        out.flush();
        return ExitOk;
    case CommandLineOptions::Action::Version:
        out << "sumdrill " << U(SUMDRILL_VERSION) << '\n';
        out.flush();
        return ExitOk;
    case CommandLineOptions::Action::Pdf:
        try {
            WriteWorksheetsPdf(o);
        } catch (const std::exception& e) {
            err << "sumdrill: " << platform::MessageOf(e) << '\n';
            err.flush();
            return ExitFailed;
        }
        return ExitOk;
    case CommandLineOptions::Action::Open:
        try {
            OpenPreparedReport(o);
        } catch (const std::exception& e) {
            err << "sumdrill: " << platform::MessageOf(e) << '\n';
            err.flush();
            return ExitFailed;
        }
        return ExitOk;
    }
    return std::nullopt;
}

} // namespace commandline

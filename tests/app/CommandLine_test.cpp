#include "TestSupport.h"

#include "app/CommandLine.h"
#include "common/PdfTools.h"
#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "report/frxClass.h"
#include "worksheet/Worksheet.h"
#include "worksheet/WorksheetReport.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

QByteArray Line(const char* key, const char* value) {
    return platform::Gbk(key) + '=' + value + "\r\n";
}

// A saved settings file: 50 problems, results to 200, first numbers to 100, second to 30,
// every kind mixed, two decimal places, answers shown.
QByteArray SavedFile() {
    return "[Config]\r\n" + Line("结果", "4") + Line("题数", "11") + Line("数字1范围", "9") +
           Line("数字2范围", "2") + Line("题型", "7") + Line("小数点", "2") +
           Line("显示结果", "1");
}

QStringList Args(std::initializer_list<const char*> args) {
    QStringList out{U("sumdrill")};
    for (const char* a : args)
        out << U(a);
    return out;
}

struct Expect {
    int problems, resultLimit, limit1, limit2, type, decimals;
    bool answers;
    int sheets;
    bool answerKey;
};

struct ParseCase {
    const char* name;
    std::initializer_list<const char*> args;
    bool savedFile;
    Expect expect;
};

class CommandLineParse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(WriteFileBytes(saved, SavedFile()));
    }
    QTemporaryDir dir;
    QString saved = dir.filePath(U("SystemConfig.ini"));
    QString missing = dir.filePath(U("none/SystemConfig.ini"));
};

TEST_F(CommandLineParse, SettingsComeFromTheOptionsThenTheSavedFile) {
    const ParseCase cases[] = {
        {"saved file", {"--pdf", "a.pdf"}, true, {50, 200, 100, 30, 7, 2, true, 1, false}},
        {"first start without a file", {"--pdf", "a.pdf"}, false,
         {10, 10, 10, 10, 4, 0, false, 1, false}},
        {"every option",
         {"--pdf", "a.pdf", "--problems", "100", "--result-limit", "1000", "--operand1-limit",
          "150", "--operand2-limit", "10", "--type", "3", "--decimals", "3", "--no-answers",
          "--sheets", "30", "--answer-key"},
         true, {100, 1000, 150, 10, 3, 3, false, 30, true}},
        {"= form", {"--pdf=a.pdf", "--problems=20", "--answers"}, false,
         {20, 10, 10, 10, 4, 0, true, 1, false}},
        {"type by name", {"--pdf", "a.pdf", "--type", "mul-div"}, true,
         {50, 200, 100, 30, 5, 2, true, 1, false}},
        {"type by name, any case", {"--pdf", "a.pdf", "--type", "Division"}, true,
         {50, 200, 100, 30, 3, 2, true, 1, false}},
        {"type by the window's text", {"--pdf", "a.pdf", "--type", "加减乘混合+-x"}, true,
         {50, 200, 100, 30, 6, 2, true, 1, false}},
        {"most sheets", {"--pdf", "a.pdf", "--sheets", "1000"}, true,
         {50, 200, 100, 30, 7, 2, true, 1000, false}},
    };
    for (const ParseCase& c : cases) {
        const ::CommandLineParse p = commandline::Parse(Args(c.args), c.savedFile ? saved : missing);
        ASSERT_TRUE(p.Ok()) << c.name << ": " << p.Error.toStdString();
        const CommandLineOptions& o = p.Options;
        EXPECT_EQ(o.Act, CommandLineOptions::Action::Pdf) << c.name;
        EXPECT_EQ(o.PdfFile, U("a.pdf")) << c.name;
        const WorksheetSettings& s = o.Settings;
        const Expect& e = c.expect;
        EXPECT_EQ(s.ProblemCount, e.problems) << c.name;
        EXPECT_EQ(s.ResultLimit, e.resultLimit) << c.name;
        EXPECT_EQ(s.Operand1Limit, e.limit1) << c.name;
        EXPECT_EQ(s.Operand2Limit, e.limit2) << c.name;
        EXPECT_EQ(s.ProblemType, e.type) << c.name;
        EXPECT_EQ(s.DecimalPlaces, e.decimals) << c.name;
        EXPECT_EQ(s.ShowAnswers, e.answers) << c.name;
        EXPECT_EQ(o.Sheets, e.sheets) << c.name;
        EXPECT_EQ(o.AnswerKey, e.answerKey) << c.name;
    }
    // Reading the defaults never writes the settings file.
    EXPECT_EQ(ReadFileBytes(saved), SavedFile());
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(CommandLineParse, BadOptionsGiveOneLineNamingTheOptionAndWhatItAllows) {
    const struct {
        const char* name;
        std::initializer_list<const char*> args;
        const char* error;
    } cases[] = {
        {"count between the steps", {"--pdf", "a.pdf", "--problems", "15"},
         "--problems must be one of 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, not \"15\""},
        {"limit not in the list", {"--pdf", "a.pdf", "--result-limit", "250"},
         "--result-limit must be one of 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 150, 200, 300, "
         "500, 1000, not \"250\""},
        {"limit as a word", {"--pdf", "a.pdf", "--operand2-limit", "ten"},
         "--operand2-limit must be one of 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 150, 200, 300, "
         "500, 1000, not \"ten\""},
        {"type out of range", {"--pdf", "a.pdf", "--type", "8"},
         "--type must be 0 to 7 or one of add, sub, mul, div, add-sub, mul-div, add-sub-mul, all, "
         "not \"8\""},
        {"decimals out of range", {"--pdf", "a.pdf", "--decimals", "4"},
         "--decimals must be 0 to 3, not \"4\""},
        {"no sheets", {"--pdf", "a.pdf", "--sheets", "0"}, "--sheets must be 1 to 1000, not \"0\""},
        {"sheets with a blank", {"--pdf", "a.pdf", "--sheets", " 3"},
         "--sheets must be 1 to 1000, not \" 3\""},
        {"both answer options", {"--pdf", "a.pdf", "--answers", "--no-answers"},
         "--answers and --no-answers exclude each other"},
        {"worksheet option without --pdf", {"--sheets", "3"}, "--sheets needs --pdf FILE"},
        {"unknown option", {"--pdf", "a.pdf", "--color"}, "Unknown option 'color'."},
        {"missing value", {"--pdf"}, "Missing value after '--pdf'."},
        {"stray argument", {"--pdf", "a.pdf", "b.pdf"}, "unexpected argument \"b.pdf\" (see --help)"},
        {"settings file that is not there", {"--pdf", "a.pdf", "--settings", "/no/such.ini"},
         "--settings: no such file \"/no/such.ini\""},
        {"worksheet option with a prepared report", {"--open", "r.pgx", "--sheets", "2"},
         "--sheets cannot be used with --open"},
    };
    for (const auto& c : cases) {
        const ::CommandLineParse p = commandline::Parse(Args(c.args), saved);
        EXPECT_EQ(p.Error, U(c.error)) << c.name;
        EXPECT_FALSE(p.Error.contains(QLatin1Char('\n'))) << c.name;
    }
}

TEST_F(CommandLineParse, ASavedIndexOutsideItsListMustBeReplacedByAnOption) {
    // The window would show that list without a selection; here the option takes its place.
    ASSERT_TRUE(WriteFileBytes(saved, "[Config]\r\n" + Line("结果", "15") + Line("题型", "-1")));
    ::CommandLineParse p = commandline::Parse(Args({"--pdf", "a.pdf"}), saved);
    EXPECT_EQ(p.Error, U("the settings file holds no valid problem count (list index 15); give "
                         "--problems (10, 20, 30, 40, 50, 60, 70, 80, 90, 100)"));
    p = commandline::Parse(Args({"--pdf", "a.pdf", "--problems", "30"}), saved);
    EXPECT_EQ(p.Error, U("the settings file holds no valid kind of problems (list index -1); "
                         "give --type (0 to 7)"));
    p = commandline::Parse(Args({"--pdf", "a.pdf", "--problems", "30", "--type", "add"}), saved);
    ASSERT_TRUE(p.Ok()) << p.Error.toStdString();
    EXPECT_EQ(p.Options.Settings.ProblemCount, 30);
    EXPECT_EQ(p.Options.Settings.ProblemType, 0);
    // --settings names another file.
    p = commandline::Parse(Args({"--pdf", "a.pdf", "--settings", "x"}), saved);
    EXPECT_FALSE(p.Ok());
}

TEST_F(CommandLineParse, ExitStatusAndWhereTheTextsGo) {
    QString out, err;
    QTextStream o(&out), e(&err);
    EXPECT_EQ(commandline::Run(Args({}), saved, o, e), std::nullopt) << "no arguments: the windows";

    EXPECT_EQ(commandline::Run(Args({"--help"}), saved, o, e), commandline::ExitOk);
    EXPECT_TRUE(out.contains(U("--pdf <file>")));
    EXPECT_TRUE(out.contains(U("--answer-key")));
    EXPECT_TRUE(out.contains(U("7  all, 加减乘除混合+-x÷")));
    EXPECT_TRUE(err.isEmpty());

    out.clear();
    EXPECT_EQ(commandline::Run(Args({"--version"}), saved, o, e), commandline::ExitOk);
    EXPECT_TRUE(QRegularExpression(U("^sumdrill \\d+\\.\\d+(\\.\\d+)?\n$")).match(out).hasMatch())
        << out.toStdString();

    out.clear();
    EXPECT_EQ(commandline::Run(Args({"--pdf", "a.pdf", "--decimals", "9"}), saved, o, e),
              commandline::ExitUsage);
    EXPECT_EQ(err, U("sumdrill: --decimals must be 0 to 3, not \"9\"\n"));
    EXPECT_TRUE(out.isEmpty());
}

// The lines one sheet prints, in the order the page draws its objects: the first column, the
// header line, the title, then columns two to five; blanks at line ends are not text.
QStringList PrintedLines(const worksheet::Worksheet& sheet, bool answers) {
    const int n = sheet.ProblemCount();
    auto column = [&](int c) {
        QStringList out;
        for (int slot = c; slot <= n; slot += 5) {
            const QByteArray text = answers ? sheet.AnswerText(slot) : sheet.QuestionText(slot);
            out << platform::FromGbk(text).trimmed();
        }
        return out;
    };
    QStringList lines = column(1);
    lines << U("题数：%1 姓名 年级 班级 用时 分数").arg(n) << U("数 学 运 算 练 习");
    for (int c = 2; c <= 5; ++c)
        lines << column(c);
    return lines;
}

TEST(CommandLinePdf, ThirtySheetsThenTheSameSheetsWithTheirAnswers) {
    QTemporaryDir dir;
    CommandLineOptions o;
    o.Act = CommandLineOptions::Action::Pdf;
    o.PdfFile = dir.filePath(U("class.pdf"));
    o.Settings = WorksheetSettings{40, 100, 50, 50, 7, 1, false};
    o.Sheets = 30;
    o.AnswerKey = true;
    std::vector<worksheet::Worksheet> sheets;
    commandline::WriteWorksheetsPdf(o, &sheets);
    ASSERT_EQ(sheets.size(), 30u);

    const auto sizes = pdftools::PageSizes(o.PdfFile);
    ASSERT_EQ(sizes.size(), 60u);
    for (const QSizeF& s : sizes) {
        EXPECT_NEAR(s.width(), 210 * pdftools::kPtPerMm, 0.5);
        EXPECT_NEAR(s.height(), 297 * pdftools::kPtPerMm, 0.5);
    }
    // The text of every page in drawing order; pages end with a form feed.
    const QString text = pdftools::Run(
        U("pdftotext"), {U("-raw"), o.PdfFile, U("-")});
    QStringList pages = text.split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 60);
    for (int p = 0; p < 60; ++p) {
        const worksheet::Worksheet& sheet = sheets[size_t(p % 30)];
        const bool key = p >= 30;
        QStringList lines = pages[p].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString& l : lines)
            l = l.simplified();
        ASSERT_EQ(lines, PrintedLines(sheet, key)) << "page " << p + 1;
    }
    // Different sheets, each with its own problems.
    EXPECT_NE(PrintedLines(sheets[0], false), PrintedLines(sheets[1], false));

    for (const auto& f : pdftools::Fonts(o.PdfFile)) {
        EXPECT_TRUE(f.Embedded) << f.Name.toStdString();
        EXPECT_TRUE(f.Subset) << f.Name.toStdString();
    }
}

// The program itself, as a teacher runs it: a shell, no display.
class CommandLineProcess : public ::testing::Test {
protected:
    void SetUp() override {
        program = QDir(QCoreApplication::applicationDirPath()).filePath(U("sumdrill"));
        ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
        ASSERT_TRUE(WriteFileBytes(settings, SavedFile()));
    }
    struct Result {
        int status = -1;
        QString out, err;
    };
    Result Run(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(U("DISPLAY"));
        env.remove(U("WAYLAND_DISPLAY"));
        env.remove(U("QT_QPA_PLATFORM"));
        // Qt warns on every start without a runtime directory; a desktop session has one.
        env.insert(U("XDG_RUNTIME_DIR"), runtime.path());
        p.setProcessEnvironment(env);
        p.start(program, args);
        Result r;
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            return r;
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString program;
    QTemporaryDir dir, runtime;
    QString settings = dir.filePath(U("SystemConfig.ini"));
};

TEST_F(CommandLineProcess, WritesTheFileOrSaysInOneLineWhyNot) {
    const QString pdf = dir.filePath(U("out.pdf"));
    Result r = Run({U("--pdf"), pdf, U("--settings"), settings, U("--sheets"), U("2"),
                    U("--answer-key")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(pdftools::PageCount(pdf), 4);
    // The saved settings: 50 problems with their answers, ten lines in each column.
    EXPECT_EQ(pdftools::Text(pdf, 1, 1).count(QLatin1Char('=')), 50);

    r = Run({U("--pdf"), dir.filePath(U("x.pdf")), U("--sheets"), U("1001")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, U("sumdrill: --sheets must be 1 to 1000, not \"1001\"\n"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(U("x.pdf"))));

    r = Run({U("--pdf"), dir.filePath(U("no/such/folder/x.pdf")), U("--settings"), settings});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith(U("sumdrill: Cannot write the file \""))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);

    r = Run({U("--help")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains(U("--answer-key")));
}

// A prepared worksheet saved as a prepared report file.
void SaveWorksheetReport(const QString& file) {
    WorksheetSettings settings{20, 100, 50, 50, 0, 0, true};
    worksheet::Worksheet sheet;
    sheet.GenerateWorksheet(settings);
    std::unique_ptr<TfrxReport> report = worksheet::CreateWorksheetReport();
    report->SetShowProgress(false);
    report->OnGetValue = [&](const QString& name, Variant& value) {
        worksheet::WorksheetValue(sheet, 20, name, value);
    };
    ASSERT_TRUE(report->Prepare(true));
    report->Runtime().PreviewPages()->WriteToFile(file);
}

TEST(CommandLineOpen, APreparedReportFileGoesToThePreviewOrToPdf) {
    QTemporaryDir dir;
    const QString pgx = dir.filePath(U("sheet.pgx"));
    SaveWorksheetReport(pgx);
    QString out, err;
    QTextStream o(&out), e(&err);

    const QString pdf = dir.filePath(U("sheet.pdf"));
    EXPECT_EQ(commandline::Run({U("sumdrill"), U("--open"), pgx, U("--pdf"), pdf}, {}, o, e),
              commandline::ExitOk)
        << err.toStdString();
    EXPECT_EQ(pdftools::PageCount(pdf), 1);
    EXPECT_TRUE(pdftools::Text(pdf).simplified().contains(U("数 学 运 算 练 习")));

    // Without --pdf the preview shows the file's page until it is closed.
    int shownPages = -1;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TfrxPreviewForm*>(w); form && form->isVisible()) {
                shownPages = form->Preview()->PageCount();
                form->close();
            }
    });
    EXPECT_EQ(commandline::Run({U("sumdrill"), U("--open"), pgx}, {}, o, e), commandline::ExitOk);
    EXPECT_EQ(shownPages, 1);

    err.clear();
    EXPECT_EQ(commandline::Run({U("sumdrill"), U("--open"), dir.filePath(U("none.pgx"))}, {}, o, e),
              commandline::ExitFailed);
    EXPECT_TRUE(err.startsWith(U("sumdrill: Cannot open file \""))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1);
}

} // namespace

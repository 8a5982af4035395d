// PDF output speed and size.
//
// 1. `sumdrill --pdf` writing one full worksheet (100 problems with answers), timed as a whole
//    process from start to exit: the median of 20 runs.
// 2. The engine benchmark's 1,000-page report (a master data band over a 45,000-row program data
//    set with four text fields per row, a page header, a footer with "Page [Page#] of
//    [TotalPages#]", two passes) prepared and exported to PDF in this process: ms per page for
//    both together, the peak resident memory of the process, and KB of PDF per page.

#include "CustomerList.h"

#include "platform/Fonts.h"
#include "export/frxExportPDF.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxDataSets.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"
#include "startup/Startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

// CPU time of this process so far, ms (on a busy machine the wall clock also counts waiting).
double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// CPU time of the finished child processes so far, ms.
double ChildCpuMs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Peak resident set of this process, MB.
double PeakMb() {
    QFile f(S("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// Median wall time of `runs` runs of the program with `args`, ms; -1 when it fails. `what` names
// the runs in the report line.
double ProgramRuns(const QTemporaryDir& dir, const QStringList& args, int runs, const char* what) {
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(S("sumdrill"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(S("QT_QPA_PLATFORM"));
    env.remove(S("DISPLAY"));
    if (!env.contains(S("XDG_RUNTIME_DIR")))
        env.insert(S("XDG_RUNTIME_DIR"), dir.path());
    std::vector<double> ms;
    const double cpu0 = ChildCpuMs();
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        p.start(program, args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            std::printf("%s failed: %s\n", what, p.readAllStandardError().constData());
            return -1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = (ms[ms.size() / 2] + ms[(ms.size() - 1) / 2]) / 2;
    std::printf("%s: median %.1f ms of %d runs (fastest %.1f, slowest %.1f), %.1f ms of CPU time "
                "each\n",
                what, median, runs, ms.front(), ms.back(), (ChildCpuMs() - cpu0) / runs);
    return median;
}

// The program writing one full worksheet (100 problems with answers), as a whole process.
double WorksheetProcess(const QTemporaryDir& dir, int runs) {
    const QString pdf = dir.filePath(S("sheet.pdf"));
    // No settings file: the options say everything.
    const QStringList args{S("--pdf"), pdf, S("--problems"), S("100"), S("--result-limit"),
                           S("100"), S("--operand1-limit"), S("100"), S("--operand2-limit"),
                           S("100"), S("--type"), S("all"), S("--decimals"), S("1"),
                           S("--answers"), S("--settings"), dir.filePath(S("none.ini"))};
    QFile(dir.filePath(S("none.ini"))).open(QIODevice::WriteOnly);
    // For scale: the same process doing no work (loading its libraries, starting Qt, printing
    // its help).
    ProgramRuns(dir, {S("--help")}, runs, "program start without work (--help)");
    const double median = ProgramRuns(dir, args, runs, "worksheet process");
    std::printf("worksheet process: %lld bytes of PDF\n", QFileInfo(pdf).size());
    return median;
}

struct LongResult {
    double msPerPage = 0;
    double kbPerPage = 0;
};

LongResult LongReport(const QTemporaryDir& dir) {
    CustomerList list;
    TfrxReport& report = list.report;
    report.SetShowProgress(false);

    QElapsedTimer t;
    t.start();
    const double cpu0 = CpuMs();
    report.Prepare(true);
    const double prepared = t.nsecsElapsed() / 1e6;
    auto* pages = dynamic_cast<TfrxPreviewPages*>(report.Runtime().PreviewPages());
    const int count = pages ? pages->PageCount() : 0;
    TfrxPDFExport pdf;
    pdf.FileName = dir.filePath(S("report.pdf"));
    if (!pages || !pages->Export(pdf))
        throw platform::Error(S("the export did not finish"));
    const double total = t.nsecsElapsed() / 1e6;
    const double cpu = CpuMs() - cpu0;
    const qint64 bytes = QFileInfo(pdf.FileName).size();
    LongResult r;
    r.msPerPage = total / std::max(1, count);
    r.kbPerPage = bytes / 1024.0 / std::max(1, count);
    std::printf("1000-page report: %d pages, prepared in %.0f ms (%.3f ms/page), exported in "
                "%.0f ms (%.3f ms/page), %lld bytes\n",
                count, prepared, prepared / std::max(1, count), total - prepared,
                (total - prepared) / std::max(1, count), bytes);
    std::printf("1000-page report: %.3f ms/page of CPU time\n", cpu / std::max(1, count));
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    startup::Install(startup::Model | startup::PdfExport);
    QTemporaryDir dir;
    try {
        // --report-only leaves out the program runs (for profiling the report alone).
        const bool reportOnly = QCoreApplication::arguments().contains(S("--report-only"));
        const double process = reportOnly ? 0 : WorksheetProcess(dir, 20);
        const LongResult report = LongReport(dir);
        std::printf("pdf: worksheet process %.0f ms, 1000-page report %.2f ms/page, peak %.0f MB, "
                    "%.1f KB/page\n",
                    process, report.msPerPage, PeakMb(), report.kbPerPage);
    } catch (const std::exception& e) {
        std::printf("pdf: failed: %s\n", e.what());
        return 1;
    }
    return 0;
}

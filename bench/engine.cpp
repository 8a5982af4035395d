// Preparation speed.
//
// 1. The worksheet's template (100 problems with answers) prepared 1,000 times into its store,
//    template save and restore included: ms per preparation.
// 2. A 1,000-page report: a master data band over a 45,000-row program data set with four text
//    fields per row, a page header and a page footer with "Page [Page#] of [TotalPages#]",
//    prepared in two passes: ms per page, and the peak resident memory of the process.

#include "CustomerList.h"

#include "common/U_Common.h"
#include "platform/Fonts.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxDataSets.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"
#include "worksheet/Worksheet.h"
#include "worksheet/WorksheetReport.h"
#include "startup/Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <memory>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

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

double Worksheet() {
    WorksheetSettings settings;
    settings.ProblemCount = 100;
    settings.ResultLimit = 100;
    settings.Operand1Limit = 100;
    settings.Operand2Limit = 100;
    settings.ProblemType = 6;
    settings.ShowAnswers = true;
    worksheet::Worksheet sheet;
    sheet.GenerateWorksheet(settings);
    std::unique_ptr<TfrxReport> report = worksheet::CreateWorksheetReport();
    report->EngineOptions()->SetNewSilentMode(simReThrow);
    report->OnGetValue = [&sheet](const QString& name, Variant& value) {
        worksheet::WorksheetValue(sheet, 100, name, value);
    };
    report->Prepare(true); // warm-up: fonts, caches
    constexpr int runs = 1000;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < runs; ++i)
        report->Prepare(true);
    const double ms = t.nsecsElapsed() / 1e6 / runs;
    std::printf("worksheet: %.3f ms per preparation (%d preparations, %d page)\n", ms, runs,
                report->Runtime().PreviewPages()->PageCount());
    return ms;
}

double LongReport(int& pages) {
    CustomerList list;
    TfrxReport& report = list.report;

    QElapsedTimer t;
    t.start();
    report.Prepare(true);
    const double total = t.nsecsElapsed() / 1e6;
    pages = report.Runtime().PreviewPages()->PageCount();
    const double perPage = total / std::max(1, pages);
    std::printf("1000-page report: %d pages, %d rows, two passes in %.0f ms: %.3f ms per page\n",
                pages, CustomerList::Rows, total, perPage);
    return perPage;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    startup::Install(startup::Model);
    try {
        const double worksheet = Worksheet();
        int pages = 0;
        const double perPage = LongReport(pages);
        std::printf("engine: worksheet %.2f ms, 1000-page report %.3f ms/page, peak %.0f MB\n",
                    worksheet, perPage, PeakMb());
    } catch (const std::exception& e) {
        std::printf("engine: failed: %s\n", e.what());
        return 1;
    }
    return 0;
}

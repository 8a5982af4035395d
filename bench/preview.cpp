// Preview speed (offscreen).
//
// 1. From the press of "打印预览" in the worksheet window to the first page painted in the preview
//    window: the preview opens, the report's 50 ms timer ticks, the worksheet is prepared and the
//    page is drawn. Several presses; the median is printed.
// 2. Repaint of the visible page of the open preview at zoom 1 and zoom 2.
// 3. Scrolling through a 1,000-page report with PagesInCache 50, one repaint per page.
//
// Last line: "preview: press to painted X ms, repaint Y ms at zoom 1".

#include "common/U_Common.h"
#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewForm.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"
#include "worksheet/U_Shengcheng.h"
#include "worksheet/WorksheetReport.h"
#include "startup/Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace frxClass;

namespace {

QElapsedTimer g_clock;
qint64 g_paintedAt = -1; // ns on g_clock

// The store, noting when it first drew a finished page on screen (a page drawn while the
// preview still follows the preparation may lack its text).
class ProbeStore : public TfrxPreviewPages {
public:
    using TfrxPreviewPages::TfrxPreviewPages;
    void RenderPage(int index, platform::Canvas* canvas, long double sx, long double sy,
                    long double ox, long double oy) override {
        TfrxPreviewPages::RenderPage(index, canvas, sx, sy, ox, oy);
        auto* preview = Report ? dynamic_cast<TfrxPreview*>(Report->Runtime().Preview) : nullptr;
        if (g_paintedAt < 0 && !canvas->IsPrinter() && !canvas->IsRecording() && preview &&
            !preview->Busy() && PageCount() > 0)
            g_paintedAt = g_clock.nsecsElapsed();
    }
};

double Ms(qint64 ns) { return ns / 1e6; }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Average ms of a synchronous repaint of the workspace's view.
double RepaintMs(TfrxPreview* preview, int rounds) {
    QWidget* view = preview->Workspace()->viewport();
    view->repaint();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rounds; ++i)
        view->repaint();
    return Ms(t.nsecsElapsed()) / rounds;
}

// A store of `pages` worksheet pages, as the engine leaves them.
void FillPages(TfrxReport& report, TfrxPreviewPages& pages, int count) {
    worksheet::Worksheet sheet;
    WorksheetSettings s;
    s.ProblemCount = 100;
    s.ResultLimit = 100;
    s.Operand1Limit = 50;
    s.Operand2Limit = 50;
    s.ProblemType = 7;
    s.DecimalPlaces = 2;
    s.ShowAnswers = true;
    sheet.GenerateWorksheet(s);
    TfrxPage* page = report.Pages(1);
    pages.PrepareStart();
    pages.RegisterSourcePage(page);
    for (int p = 0; p < count; ++p) {
        pages.StartPage(page);
        for (TfrxComponent* c : page->Objects()) {
            auto* m = qobject_cast<TfrxMemoView*>(c);
            QString name = m->Memo().value(0).mid(1);
            name.chop(1);
            Variant v;
            worksheet::WorksheetValue(sheet, 100, name, v);
            const QStringList saved = m->Memo();
            m->SetText(v.StringValue());
            pages.AppendObject(m);
            m->SetMemo(saved);
        }
    }
    pages.PrepareFinish();
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sumdrill"));
    platform::InstallFontSubstitutions();
    startup::Install(startup::Model | startup::PreviewWindow);
    TfrxRuntimeFactory factory = frxRuntimeFactory();
    factory.CreatePreviewPages = [](TfrxReport* r) { return std::make_unique<ProbeStore>(r); };
    platform::Registry::Install(factory);
    g_clock.start();

    // 1 and 2: the worksheet window's button.
    WorksheetSettings& s = U_Common::Settings();
    s.ProblemCount = 100;
    s.ResultLimit = 100;
    s.Operand1Limit = 50;
    s.Operand2Limit = 50;
    s.ProblemType = 7;
    s.DecimalPlaces = 2;
    s.ShowAnswers = true;
    Tfrm_Shengcheng window;
    window.show(); // generates a sheet
    QApplication::processEvents();

    std::vector<double> press, toStart, preparing, painting;
    double repaint1 = 0, repaint2 = 0;
    const int presses = 15;
    for (int i = 0; i < presses; ++i) {
        g_paintedAt = -1;
        const bool last = i == presses - 1;
        // Inside the preview's loop: once the page is on screen, measure and close.
        QTimer poll;
        poll.setInterval(1);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TfrxPreviewForm*>(QApplication::activeModalWidget());
            if (!form || g_paintedAt < 0 || form->Preview()->Busy())
                return;
            poll.stop();
            if (last) {
                form->Preview()->ApplyZoom(1);
                repaint1 = RepaintMs(form->Preview(), 200);
                form->Preview()->ApplyZoom(2);
                repaint2 = RepaintMs(form->Preview(), 100);
            }
            form->close();
        });
        poll.start();
        const qint64 pressedAt = g_clock.nsecsElapsed();
        // The preparation's start and end, as the report reports them.
        qint64 startedAt = -1, stoppedAt = -1;
        window.frxReport1()->OnProgressStart = [&](TfrxReport*, int, int) {
            startedAt = g_clock.nsecsElapsed();
        };
        window.frxReport1()->OnProgressStop = [&](TfrxReport*, int, int) {
            stoppedAt = g_clock.nsecsElapsed();
        };
        window.btn_print->click();
        poll.stop();
        if (g_paintedAt < 0 || startedAt < 0 || stoppedAt < 0) {
            std::printf("preview: no page was painted\n");
            return 1;
        }
        press.push_back(Ms(g_paintedAt - pressedAt));
        toStart.push_back(Ms(startedAt - pressedAt));
        preparing.push_back(Ms(stoppedAt - startedAt));
        painting.push_back(Ms(g_paintedAt - stoppedAt));
    }
    std::printf("press of the print preview button to the finished page painted: median %.1f ms "
                "(%d presses, best %.1f, worst %.1f; the report's timer waits 50 ms)\n",
                Median(press), presses, *std::min_element(press.begin(), press.end()),
                *std::max_element(press.begin(), press.end()));
    std::printf("  of which (medians): press to preparation start %.1f ms, preparing %.1f ms, "
                "then to the painted page %.1f ms\n",
                Median(toStart), Median(preparing), Median(painting));
    std::printf("repaint of the visible page: %.2f ms at zoom 1, %.2f ms at zoom 2\n", repaint1,
                repaint2);

    // 3: scrolling through 1,000 pages, 50 of them live at a time.
    {
        const std::unique_ptr<TfrxReport> report = worksheet::CreateWorksheetReport();
        report->PreviewOptions()->SetPagesInCache(50);
        TfrxPreviewPages pages(report.get());
        const int count = 1000;
        QElapsedTimer t;
        t.start();
        FillPages(*report, pages, count);
        const double fillMs = Ms(t.nsecsElapsed());
        TfrxPreview preview;
        preview.resize(1366, 700);
        preview.SetReport(report.get());
        preview.SetPreviewPages(&pages);
        preview.show();
        QApplication::processEvents();
        preview.Init();
        QWidget* view = preview.Workspace()->viewport();
        t.restart();
        for (int p = 1; p <= count; ++p) {
            preview.GoToPage(p);
            view->repaint();
        }
        const double scrollMs = Ms(t.nsecsElapsed());
        std::printf("scrolling through %d pages with PagesInCache 50: %.2f ms per page shown "
                    "(%d pages prepared in %.0f ms)\n",
                    count, scrollMs / count, count, fillMs);
    }

    std::printf("preview: press to painted %.0f ms, repaint %.1f ms at zoom 1\n", Median(press),
                repaint1);
    return 0;
}

// The progress window and the report's three progress operations: messages by kind, the events
// without a window, the window that was active kept disabled, Cancel stopping a long run, the
// hand-over to a preview, dragging the borderless window.

#include "print/frxProgress.h"

#include "report/frxClass.h"
#include "report/frxEngine.h"

#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

struct Event {
    QString what;
    int kind, progress;
    bool operator==(const Event&) const = default;
};

// A preview control that keeps what the report told it.
class PreviewSpy : public TfrxPreviewLink {
public:
    QStringList calls;
    void PrepareStarted() override { calls << S("started"); }
    void PageArrived(int page) override { calls << S("page %1").arg(page); }
    void PrepareStopped() override { calls << S("stopped"); }
    void ShowMessage(const QString&) override {}
    void ShowPageAt(int, int) override {}
    void RepaintPages() override {}
};

class Progress : public ::testing::Test {
protected:
    void SetUp() override {
        auto record = [this](const char* what) {
            return [this, what](TfrxReport*, int kind, int progress) {
                events.append({S(what), kind, progress});
            };
        };
        report.OnProgressStart = record("start");
        report.OnProgress = record("step");
        report.OnProgressStop = record("stop");
    }
    TfrxProgress* Window() { return dynamic_cast<TfrxProgress*>(report.Runtime().Progress.get()); }

    TfrxReport report;
    QList<Event> events;
};

} // namespace

TEST_F(Progress, MessageByKind) {
    struct Row {
        TfrxProgressType kind;
        bool finalPass;
        const char* message;
    } rows[] = {
        {ptRunning, true, "Preparing page 5"},
        {ptRunning, false, "First pass: page 5"},
        {ptExporting, true, "Exporting page 5"},
        {ptPrinting, true, "Printing page 5"},
    };
    report.SetOldStyleProgress(true); // preparation shows the window too
    for (const Row& r : rows) {
        report.Runtime().Engine()->FinalPass = r.finalPass;
        report.ProgressStart(r.kind);
        TfrxProgress* w = Window();
        ASSERT_TRUE(w) << r.message;
        EXPECT_TRUE(w->isVisible());
        report.ProgressStep(r.kind, 5);
        EXPECT_EQ(w->Message(), S(r.message));
        EXPECT_EQ(w->LMessage()->text(), S(r.message));
        EXPECT_FALSE(w->Bar()->isVisible()) << "the operations never show the bar";
        report.ProgressStop(r.kind);
        EXPECT_FALSE(Window()) << r.message;
    }
    EXPECT_EQ(events.size(), 12);
    EXPECT_EQ(events[1], (Event{S("step"), ptRunning, 5}));
}

TEST_F(Progress, EventsFireWithoutAWindow) {
    struct Row {
        const char* name;
        bool showProgress, oldStyle;
        TfrxProgressType kind;
        bool window;
    } rows[] = {
        {"ShowProgress off", false, true, ptPrinting, false},
        {"preparing for a preview", true, false, ptRunning, false},
        {"printing", true, false, ptPrinting, true},
    };
    for (const Row& r : rows) {
        events.clear();
        report.SetShowProgress(r.showProgress);
        report.SetOldStyleProgress(r.oldStyle);
        report.ProgressStart(r.kind);
        EXPECT_EQ(Window() != nullptr, r.window) << r.name;
        report.ProgressStep(r.kind, 2);
        report.ProgressStop(r.kind);
        EXPECT_EQ(events, (QList<Event>{{S("start"), r.kind, 0}, {S("step"), r.kind, 2},
                                        {S("stop"), r.kind, 0}}))
            << r.name;
    }
}

TEST_F(Progress, ThreadSafeModeDoesNothingAtAll) {
    report.EngineOptions()->EnableThreadSafe = true;
    PreviewSpy preview;
    report.Runtime().Preview = &preview;
    report.ProgressStart(ptPrinting);
    report.ProgressStep(ptRunning, 1);
    report.ProgressStop(ptPrinting);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(Window());
    EXPECT_TRUE(preview.calls.isEmpty());
    report.Runtime().Preview = nullptr;
}

TEST_F(Progress, PreviewFollowsPreparation) {
    PreviewSpy preview;
    report.Runtime().Preview = &preview;
    report.ProgressStart(ptRunning);
    report.ProgressStep(ptRunning, 1);
    report.ProgressStep(ptRunning, 2);
    report.ProgressStop(ptRunning);
    report.ProgressStart(ptPrinting);
    report.ProgressStop(ptPrinting);
    report.Runtime().Preview = nullptr;
    EXPECT_EQ(preview.calls, (QStringList{S("started"), S("page 0"), S("page 1"), S("stopped")}));
}

TEST_F(Progress, ActiveWindowIsDisabledWhileTheWindowShows) {
    QWidget owner;
    owner.show();
    owner.activateWindow();
    QApplication::setActiveWindow(&owner);
    ASSERT_EQ(QApplication::activeWindow(), &owner);

    report.ProgressStart(ptPrinting);
    ASSERT_TRUE(Window());
    EXPECT_EQ(Window()->DisabledWindow(), &owner);
    EXPECT_FALSE(owner.isEnabled());
    report.ProgressStep(ptPrinting, 1);
    EXPECT_FALSE(owner.isEnabled());
    report.ProgressStop(ptPrinting);
    EXPECT_TRUE(owner.isEnabled());

    // Cancel hides the window, which gives the owner back at once.
    QApplication::setActiveWindow(&owner);
    report.ProgressStart(ptPrinting);
    EXPECT_FALSE(owner.isEnabled());
    QTest::mouseClick(Window()->CancelB(), Qt::LeftButton);
    EXPECT_TRUE(owner.isEnabled());
    EXPECT_FALSE(Window()->isVisible());
    report.ProgressStep(ptPrinting, 2);
    EXPECT_TRUE(report.Terminated) << "the next step reads the cancelled flag";
    report.ProgressStop(ptPrinting);
}

TEST_F(Progress, CancelTakesAClickWhileTheModalPreviewIsOpen) {
    // Printing starts from the preview window, which is modal. The click goes through the
    // window system's input path, where windows under a modal one are blocked.
    QDialog preview;
    bool terminated = false, ran = false;
    QTimer::singleShot(0, [&] {
        report.ProgressStart(ptPrinting);
        TfrxProgress* w = Window();
        ASSERT_NE(w, nullptr);
        report.ProgressStep(ptPrinting, 1);
        ASSERT_NE(w->windowHandle(), nullptr);
        const QPoint at = w->CancelB()->mapTo(w, w->CancelB()->rect().center());
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        EXPECT_FALSE(w->isVisible()) << "Cancel closes the window";
        report.ProgressStep(ptPrinting, 2);
        terminated = report.Terminated;
        report.ProgressStop(ptPrinting);
        ran = true;
        preview.reject();
    });
    preview.exec();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(terminated);
}

TEST_F(Progress, WindowLayoutAndDragging) {
    TfrxProgress w;
    EXPECT_EQ(w.size(), QSize(271, 101));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.CancelB()->text(), S("Cancel"));
    EXPECT_EQ(w.CancelB()->geometry(), QRect(100, 64, 75, 25));
    EXPECT_EQ(w.Bar()->maximum(), 100);
    w.ShowProgressWindow(10, S("Working"), false, true);
    EXPECT_EQ(w.LMessage()->geometry(), QRect(16, 35, 237, 20));
    EXPECT_EQ(w.LMessage()->text(), S("Working"));
    w.ShowProgressWindow(10, S("Working"), true, false);
    EXPECT_EQ(w.LMessage()->geometry().top(), 15);
    EXPECT_TRUE(w.Bar()->isVisible());
    EXPECT_FALSE(w.CancelB()->isVisible());
    w.SetProgressPosition(7);
    EXPECT_EQ(w.Bar()->value(), 7);

    const QPoint start = w.pos();
    QWidget* panel = w.findChild<QWidget*>(S("Panel1"));
    ASSERT_TRUE(panel);
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(40, 40));
    QMouseEvent move(QEvent::MouseMove, QPointF(70, 60), panel->mapToGlobal(QPointF(70, 60)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &move);
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(70, 60));
    EXPECT_EQ(w.pos() - start, QPoint(30, 20));
}

TEST_F(Progress, CancelStopsALongPreparation) {
    auto* page = new TfrxReportPage(&report);
    page->SetName(S("Page1"));
    auto* data = new TfrxMasterData(page);
    data->SetName(S("Data1"));
    data->SetBounds(0, 0, 0, 500); // two records a page
    data->SetRowCount(100000);
    report.SetOldStyleProgress(true);
    report.EngineOptions()->SetNewSilentMode(simSilent);
    int stepsAfterCancel = 0;
    report.OnProgress = [&](TfrxReport*, int kind, int page) {
        if (kind != ptRunning)
            return;
        if (page == 3 && Window())
            QTest::mouseClick(Window()->CancelB(), Qt::LeftButton);
        if (page > 3)
            ++stepsAfterCancel;
    };
    EXPECT_TRUE(report.Prepare(true)) << "a cancelled run is no error";
    EXPECT_TRUE(report.Terminated);
    EXPECT_LE(report.Runtime().PreviewPages()->PageCount(), 4) << "stops after the current page and record";
    EXPECT_LE(stepsAfterCancel, 1);
    EXPECT_FALSE(Window()) << "the window went with the stop";
}

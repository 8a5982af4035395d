// The prepared pages store under a synthetic report: 10,000 pages of 20 text objects each (varied
// texts, some fonts and frames differing from the template) appended through StartPage and
// AppendObject, then every page built and rendered into an A4 image at zoom 1 in order, then
// 1,000 random BuildPage calls. Append speed counts the store's calls (registering, starting
// pages, appending, finishing), not the changes made to the objects between them.
//
// Peak memory is the whole process's (Qt, fonts and the image included), so each mode runs in a
// process of its own: this program starts itself once without the file cache and once with it
// (MaxMemSize 10) and reads the child's figures back. `--mode=plain|cache` runs one mode.

#include "platform/CanvasPainter.h"
#include "platform/Fonts.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "startup/Startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

#include <time.h>

namespace {

int kPages = 10000;
constexpr int kObjects = 20;
constexpr int kRandom = 1000;

struct Engine : TfrxCustomEngine {
    bool Run() override { return true; }
};

// The machine is shared with builds and other benchmarks, so speeds are pages per second of this
// process's own CPU time.
class CpuTimer {
public:
    void start() { m_start = Now(); }
    void restart() { m_start = Now(); }
    qint64 nsecsElapsed() const { return Now() - m_start; }

private:
    static qint64 Now() {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    qint64 m_start = 0;
};

// Peak resident set of this process, MB.
double PeakMB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

struct Figures {
    double append = 0, build = 0, buildRender = 0, random = 0, peak = 0;
};

Figures RunMode(bool fileCache) {
    startup::Install(startup::ObjectFiles);
    QTemporaryDir tempDir;
    TfrxReport report;
    report.EngineOptions()->SetUseFileCache(fileCache);
    report.EngineOptions()->SetMaxMemSize(10);
    report.EngineOptions()->SetTempDir(tempDir.path());
    auto* page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    std::vector<TfrxMemoView*> memos;
    for (int i = 0; i < kObjects; ++i) {
        auto* m = new TfrxMemoView(page);
        m->SetName(QStringLiteral("Memo%1").arg(i + 1));
        m->SetBounds(20 + (i % 4) * 190, 30 + (i / 4) * 200, 180, 190);
        TfrxFont f;
        f.SetName(i % 3 ? QStringLiteral("Arial") : QStringLiteral("宋体"));
        f.SetSize(10 + i % 5);
        m->SetFont(&f);
        m->SetText(QStringLiteral("[var%1]").arg(i + 1));
        memos.push_back(m);
    }
    Engine engine;
    engine.FinalPass = true;
    TfrxPreviewPages store(&report);
    store.SetEngine(&engine);

    static const char* const words[] = {"12", "+", "37", "=", "49", "48", "-", "19", "29", "x",
                                        "6",  "7", "42", "/", "3",  "14", "姓名", "班级", "得分"};
    std::mt19937 rng(7);
    auto text = [&] {
        QString t;
        const int lines = 1 + int(rng() % 4);
        for (int l = 0; l < lines; ++l) {
            if (l)
                t += QStringLiteral("\r\n");
            const int n = 3 + int(rng() % 6);
            for (int k = 0; k < n; ++k)
                t += QString::fromUtf8(words[rng() % (sizeof(words) / sizeof(words[0]))]) +
                     QLatin1Char(' ');
        }
        return t;
    };

    Figures fig;
    // Append counts the store's own calls, not the stand-in for evaluation around them.
    qint64 appendNs = 0;
    CpuTimer timer;
    timer.start();
    store.PrepareStart();
    store.RegisterSourcePage(page);
    engine.Running = true;
    store.PassStart();
    TfrxFont bold;
    bold.SetName(QStringLiteral("Arial"));
    bold.SetSize(14);
    bold.SetStyle(frxClass::fsBold);
    appendNs += timer.nsecsElapsed();
    for (int p = 0; p < kPages; ++p) {
        timer.restart();
        store.StartPage(page);
        appendNs += timer.nsecsElapsed();
        for (TfrxMemoView* m : memos)
            m->BeforePrint();
        for (int i = 0; i < kObjects; ++i) {
            TfrxMemoView* m = memos[size_t(i)];
            m->SetText(text());
            if ((p + i) % 7 == 0)
                m->SetFont(&bold);
            if ((p + i) % 5 == 0)
                m->Frame()->SetTyp(frxClass::ftLeft | frxClass::ftBottom);
        }
        TfrxNullBand band;
        band.Objects() = page->Objects();
        timer.restart();
        store.AppendObject(&band);
        appendNs += timer.nsecsElapsed();
        band.Objects().clear();
        for (TfrxMemoView* m : memos) {
            m->AfterPrint();
            m->Frame()->SetTyp({});
        }
    }
    engine.Running = false;
    timer.restart();
    store.PrepareFinish();
    appendNs += timer.nsecsElapsed();
    fig.append = kPages / (appendNs / 1e9);

    QImage image(794, 1123, QImage::Format_RGB32);
    qint64 buildNs = 0;
    timer.restart();
    for (int p = 0; p < kPages; ++p) {
        CpuTimer b;
        b.start();
        store.BuildPage(p);
        buildNs += b.nsecsElapsed();
        image.fill(Qt::white);
        QPainter painter(&image);
        platform::PainterCanvas canvas(&painter);
        store.RenderPage(p, &canvas, 1, 1, 0, 0);
    }
    fig.buildRender = kPages / (timer.nsecsElapsed() / 1e9);
    fig.build = kPages / (buildNs / 1e9);

    std::uniform_int_distribution<int> any(0, kPages - 1);
    timer.restart();
    for (int i = 0; i < kRandom; ++i)
        store.BuildPage(any(rng));
    fig.random = kRandom / (timer.nsecsElapsed() / 1e9);
    fig.peak = PeakMB();
    return fig;
}

void PrintMode(const char* label, const Figures& f) {
    std::printf("store %s: append %.0f pages/s, build %.0f pages/s, build+render %.0f pages/s, "
                "random build %.0f pages/s, peak %.1f MB\n",
                label, f.append, f.build, f.buildRender, f.random, f.peak);
}

bool RunChild(const char* mode, Figures& f) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--mode=") + QString::fromLatin1(mode)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "store: the %s run failed\n%s", mode,
                     child.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> v = child.readAllStandardOutput().trimmed().split(' ');
    if (v.size() != 5)
        return false;
    f = Figures{v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble(),
                v[4].toDouble()};
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QByteArray mode;
    for (int i = 1; i < argc; ++i)
        if (QByteArray(argv[i]).startsWith("--mode="))
            mode = QByteArray(argv[i]).mid(7);
        else if (QByteArray(argv[i]).startsWith("--pages="))
            kPages = QByteArray(argv[i]).mid(8).toInt();

    if (!mode.isEmpty()) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        platform::InstallFontSubstitutions();
        const Figures f = RunMode(mode == "cache");
        std::printf("%.1f %.1f %.1f %.1f %.1f\n", f.append, f.build, f.buildRender, f.random,
                    f.peak);
        return 0;
    }

    QCoreApplication app(argc, argv);
    Figures plain, cache;
    if (!RunChild("plain", plain) || !RunChild("cache", cache))
        return 1;
    PrintMode("without file cache", plain);
    PrintMode("with file cache (MaxMemSize 10)", cache);
    std::printf("(speeds per second of the process's CPU time; the machine is shared)\n");
    std::printf("store: append %.0f pages/s, build+render %.0f pages/s, peak %.1f MB with file "
                "cache, %.1f MB without\n",
                std::min(plain.append, cache.append),
                std::min(plain.buildRender, cache.buildRender), cache.peak, plain.peak);
    return 0;
}

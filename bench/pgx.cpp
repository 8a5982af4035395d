// Saving and opening a 1,000-page prepared report: pages like the worksheet's (one A4 page,
// seven text objects, five of them columns of twenty problems), appended to the store the way
// preparation appends them. Prints MB/s and ms per page for both, and the time from opening
// the file to the first page painted.

#include "platform/CanvasPainter.h"
#include "platform/Fonts.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "startup/Startup.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

using namespace frxClass;

namespace {

constexpr int kPages = 1000;

struct NoEngine : TfrxCustomEngine {
    bool Run() override { return true; }
};

double BestSeconds(int runs, const std::function<void()>& body) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        body();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return best;
}

QString Problems(std::mt19937& rng) {
    static const char ops[] = {'+', '-', 'x', '/'};
    QStringList lines;
    for (int i = 0; i < 20; ++i) {
        const int a = int(rng() % 100), b = int(rng() % 100) + 1;
        const char op = ops[rng() % 4];
        lines << QStringLiteral("%1 %2 %3 = %4")
                     .arg(a)
                     .arg(op == '/' ? QStringLiteral("÷") : QString(QLatin1Char(op)))
                     .arg(b)
                     .arg(op == '+' ? a + b : op == '-' ? a - b : op == 'x' ? a * b : a / b);
    }
    return lines.join(QStringLiteral("\r\n"));
}

void Prepare(TfrxReport& report, TfrxPreviewPages& store, NoEngine& engine) {
    auto* page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    page->SetLeftMargin(10);
    page->SetTopMargin(10);
    QList<TfrxMemoView*> memos;
    for (int i = 0; i < 7; ++i) {
        auto* m = new TfrxMemoView(page);
        m->SetName(QStringLiteral("Memo%1").arg(i + 1));
        if (i < 2)
            m->SetBounds(0, 40 * i, 700, 30);
        else
            m->SetBounds(150 * (i - 2), 120, 140, 900);
        TfrxFont f;
        f.SetName(QStringLiteral("Arial"));
        f.SetSize(i == 0 ? 16 : 12);
        m->SetFont(&f);
        m->SetText(QStringLiteral("[var%1]").arg(i + 1));
        memos.append(m);
    }
    std::mt19937 rng(7);
    engine.FinalPass = true;
    store.SetEngine(&engine);
    store.PrepareStart();
    store.RegisterSourcePage(page);
    engine.Running = true;
    store.PassStart();
    for (int p = 0; p < kPages; ++p) {
        store.StartPage(page);
        memos[0]->SetText(QStringLiteral("口算练习 第%1页").arg(p + 1));
        memos[1]->SetText(QStringLiteral("共100题  姓名：______ 年级：___ 班级：___ 用时：___ 得分：___"));
        for (int i = 2; i < 7; ++i)
            memos[i]->SetText(Problems(rng));
        TfrxNullBand band;
        band.Objects() = page->Objects();
        store.AppendObject(&band);
        band.Objects().clear();
    }
    engine.Running = false;
    store.PrepareFinish();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    startup::Install(startup::ObjectFiles);

    TfrxReport report;
    TfrxPreviewPages store(&report);
    NoEngine engine;
    Prepare(report, store, engine);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.pgx"));
    const double save = BestSeconds(5, [&] { store.WriteToFile(path); });
    const double mb = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    // The same bytes into memory: what the file system and its sync to disk add is the rest.
    const double toMemory = BestSeconds(5, [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        store.WriteToStream(buffer);
    });

    TfrxReport other;
    TfrxPreviewPages opened(&other);
    const double open = BestSeconds(5, [&] { opened.ReadFromFile(path); });

    QImage image(794, 1123, QImage::Format_RGB32);
    const double firstPage = BestSeconds(5, [&] {
        opened.ReadFromFile(path);
        image.fill(Qt::white);
        QPainter painter(&image);
        platform::PainterCanvas canvas(&painter, 96, 96, false);
        opened.RenderPage(0, &canvas, 1, 1, 0, 0);
    });

    std::printf("pgx: %d pages, %.1f MB file\n", kPages, mb);
    std::printf("pgx: save %.1f ms, %.3f ms per page\n", save * 1000, save * 1000 / kPages);
    std::printf("pgx: save into memory %.1f ms, %.0f MB/s\n", toMemory * 1000, mb / toMemory);
    std::printf("pgx: open %.1f ms, %.3f ms per page\n", open * 1000, open * 1000 / kPages);
    std::printf("pgx: open to first page painted %.1f ms\n", firstPage * 1000);
    std::printf("pgx: save %.0f MB/s, open %.0f MB/s\n", mb / save, mb / open);
    return 0;
}

// Text layout speed.
//
// 1. The worksheet's printed page: seven text objects set up as the template sets them (a bold
//    27 px title, a bold 16 px header line, five right-aligned 19 px columns of 20 lines with
//    LineSpacing 20 and AutoWidth), laid out and drawn at zoom 1 into an A4 image, many times.
// 2. 1 MB of mixed Chinese and Latin text wrapped into 60 mm columns by TfrxDrawText, and the
//    same text at the same width by QTextLayout, in the same process.
//
// With `--png DIR` it also writes the page at zoom 1 and zoom 2 to DIR/text_zoom1.png and
// DIR/text_zoom2.png.

#include "platform/CanvasPainter.h"
#include "platform/Fonts.h"
#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace frxClass;

namespace {

constexpr long double kPxPerMm = 3.77953;

struct Page {
    std::unique_ptr<TfrxReportPage> page;
    std::vector<TfrxMemoView*> memos;
};

TfrxMemoView* AddMemo(TfrxReportPage* page, const char* name, long double l, long double t,
                      long double w, long double h, int fontHeight, bool bold,
                      const QStringList& text) {
    auto* m = new TfrxMemoView(page);
    m->setObjectName(QString::fromLatin1(name));
    m->SetParent(page);
    m->SetBounds(l, t, w, h);
    TfrxFont font;
    font.SetName(QStringLiteral("Arial"));
    font.SetHeight(-fontHeight);
    font.SetStyle(bold ? TFontStyles(fsBold) : TFontStyles());
    m->SetFont(&font);
    m->SetMemo(text);
    return m;
}

// The page as the engine leaves it after preparing a 100-problem worksheet with answers.
Page WorksheetPage() {
    Page p;
    p.page = std::make_unique<TfrxReportPage>();
    p.page->SetPaperSize(9);
    auto* title = AddMemo(p.page.get(), "Memo7", 260.78757, 79.37013, 306.14193, 34.01577, 27, true,
                          {QStringLiteral("数  学  运  算  练  习"), QString()});
    auto* header = AddMemo(
        p.page.get(), "Memo6", 56.69295, 158.74026, 710.55164, 30.23624, 16, true,
        {QStringLiteral("题数：100      姓名                      年级         班级             "
                        "              用时                     分数"),
         QString()});
    p.memos = {title, header};
    const long double lefts[5] = {18.89762559, 170.07885, 321.26005, 472.44125, 623.62245};
    for (int c = 0; c < 5; ++c) {
        QStringList lines;
        for (int r = 0; r < 20; ++r) {
            const int a = (r * 37 + c * 53) % 90 + 10;
            const int b = (r * 13 + c * 29) % 9 + 1;
            lines << QStringLiteral("%1 + %2 = %3    ").arg(a).arg(b).arg(a + b);
        }
        lines << QString();
        const char* names[5] = {"Memo1", "Memo2", "Memo3", "Memo4", "Memo5"};
        auto* col = AddMemo(p.page.get(), names[c], lefts[c], 196.53556, 151.1812, 827.71707, 19,
                            false, lines);
        col->SetHAlign(haRight);
        col->SetLineSpacing(20);
        col->SetStretchMode(smMaxHeight);
        col->SetAutoWidth(true);
        p.memos.push_back(col);
    }
    return p;
}

QImage PageImage(long double zoom) {
    QImage img(static_cast<int>(210 * kPxPerMm * zoom + 0.5),
               static_cast<int>(297 * kPxPerMm * zoom + 0.5), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

void DrawPage(Page& p, QImage& img, double zoom) {
    QPainter painter(&img);
    painter.setRenderHint(QPainter::Antialiasing, true);
    platform::PainterCanvas canvas(&painter, 96, 96, false);
    for (TfrxMemoView* m : p.memos)
        m->Draw(&canvas, zoom, zoom, 0, 0);
}

// Deterministic mixed text: Latin words, numbers and runs of Chinese characters.
QStringList MixedParagraphs(qsizetype utf8Bytes) {
    const QString han = QStringLiteral(
        "数学运算练习题目姓名年级班级用时分数加减乘除等于答案小学生老师家长练习册口算心算笔算"
        "整数小数分数百分比面积周长长方形正方形三角形圆形时间钟表人民币元角分米厘米千克克");
    quint32 state = 12345;
    auto next = [&](quint32 n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    QStringList paragraphs;
    qsizetype bytes = 0;
    while (bytes < utf8Bytes) {
        QString p;
        const int target = 50 + static_cast<int>(next(550));
        while (p.size() < target) {
            const quint32 kind = next(10);
            if (kind < 5) {
                const int len = 2 + static_cast<int>(next(8));
                for (int i = 0; i < len; ++i)
                    p += QChar(u'a' + static_cast<char16_t>(next(26)));
                p += QLatin1Char(' ');
            } else if (kind < 9) {
                const int len = 2 + static_cast<int>(next(7));
                for (int i = 0; i < len; ++i)
                    p += han.at(static_cast<qsizetype>(next(static_cast<quint32>(han.size()))));
                if (next(2))
                    p += QLatin1Char(' ');
            } else {
                p += QString::number(next(10000));
                p += QLatin1Char(' ');
            }
        }
        bytes += p.toUtf8().size() + 2;
        paragraphs << p;
    }
    return paragraphs;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::InstallFontSubstitutions();
    QString pngDir;
    for (int i = 1; i + 1 < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--png"))
            pngDir = QString::fromLocal8Bit(argv[i + 1]);

    // 1. The worksheet page.
    {
        Page page = WorksheetPage();
        QImage img = PageImage(1);
        DrawPage(page, img, 1); // realise the faces once
        // The machine is shared: the best of several batches is the figure least disturbed by
        // other work.
        const int batches = 7, pages = 100;
        double best = 1e300, total = 0;
        QElapsedTimer t;
        for (int b = 0; b < batches; ++b) {
            qint64 ns = 0;
            for (int i = 0; i < pages; ++i) {
                img.fill(Qt::white);
                t.start();
                DrawPage(page, img, 1);
                ns += t.nsecsElapsed();
            }
            best = std::min(best, ns / 1e6 / pages);
            total += ns / 1e6;
        }
        std::printf("worksheet page, seven text objects at zoom 1: %.3f ms per page (best batch), "
                    "%.3f ms mean\n",
                    best, total / (batches * pages));
        if (!pngDir.isEmpty()) {
            for (int zoom : {1, 2}) {
                Page fresh = WorksheetPage();
                QImage out = PageImage(zoom);
                DrawPage(fresh, out, zoom);
                const QString file = pngDir + QStringLiteral("/text_zoom%1.png").arg(zoom);
                out.save(file);
                std::printf("wrote %s\n", file.toLocal8Bit().constData());
            }
        }
    }

    // 2. Wrapping 1 MB of mixed text into 60 mm columns.
    const qsizetype bytes = qsizetype(1) << 20;
    const QStringList paragraphs = MixedParagraphs(bytes);
    const int width = frxRoundEven(60 * kPxPerMm); // px at 96 dpi
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(19);
    const int rounds = 3;

    TfrxDrawText dt;
    dt.SetFont(font, Qt::black);
    dt.SetOptions(true, false, 0, true, true, false, false);
    dt.SetGaps(2, 0, 0);
    dt.SetRectangles(platform::Rect{0, 0, width, 1000}, platform::Rect{0, 0, width, 1000}, 1, 1, 1);
    dt.SetText(paragraphs); // warm the glyph tables
    QElapsedTimer t;
    t.start();
    size_t ourLines = 0;
    for (int r = 0; r < rounds; ++r) {
        dt.SetText(paragraphs);
        ourLines = dt.Lines().size();
    }
    const double ours = double(bytes) * rounds / (1 << 20) / (t.nsecsElapsed() / 1e9);

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto qtLayout = [&]() {
        size_t lines = 0;
        for (const QString& p : paragraphs) {
            QTextLayout layout(p, font);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                ++lines;
            }
            layout.endLayout();
        }
        return lines;
    };
    qtLayout();
    t.start();
    size_t qtLines = 0;
    for (int r = 0; r < rounds; ++r)
        qtLines = qtLayout();
    const double qt = double(bytes) * rounds / (1 << 20) / (t.nsecsElapsed() / 1e9);

    std::printf("wrapped %lld paragraphs into %d px: %zu lines ours, %zu lines QTextLayout\n",
                static_cast<long long>(paragraphs.size()), width, ourLines, qtLines);
    std::printf("text layout: ours %.1f MB/s, QTextLayout %.1f MB/s, ratio %.2f\n", ours, qt,
                ours / qt);
    return 0;
}

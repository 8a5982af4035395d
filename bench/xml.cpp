// Reading and writing a 50 MB prepared report: 10,000 page items with 20 object items each,
// attribute texts like the store's deltas. The same bytes are parsed by pugixml in this process
// as the yardstick; the last line gives the read ratio.

#include "xml/frxXML.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "startup/Startup.h"

#include <QBuffer>

#include <pugixml.hpp>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>

using namespace frxClass;

namespace {

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

QByteArray Number(std::mt19937& rng) {
    // Positions in pixels at 96 dpi, as the float-to-text conversion writes them.
    return QByteArray::number(double(rng() % 100000) / 97.0, 'g', 15);
}

void BuildDocument(TfrxXMLDocument& doc) {
    std::mt19937 rng(42);
    static const char* words[] = {"12", "+", "37", "=", "49", "48", "-", "19", "29", "x",
                                  "6",  "7", "42", "/", "3",  "14", "姓名", "班级", "得分"};
    TfrxXMLItem* root = doc.Root();
    root->SetName("preparedreport");
    TfrxXMLItem* pages = root->AddChild("previewpages");
    for (int p = 0; p < 10000; ++p) {
        TfrxXMLItem* page = pages->AddChild("page0");
        page->SetMayUnload(p >= 2);
        for (int m = 1; m <= 20; ++m) {
            TfrxXMLItem* obj = page->AddChild("m" + QByteArray::number(m));
            QByteArray text;
            const int n = 11 + int(rng() % 14);
            for (int k = 0; k < n; ++k) {
                text += words[rng() % (sizeof(words) / sizeof(words[0]))];
                text += ' ';
            }
            text += "&quot;<ok>&quot;";
            obj->SetAttr("l", Number(rng));
            obj->SetAttr("t", Number(rng));
            obj->SetAttr("w", Number(rng));
            obj->SetAttr("h", Number(rng));
            obj->SetAttr("Font.Name", "Arial");
            obj->SetAttr("Font.Size", QByteArray::number(9 + rng() % 6));
            obj->SetAttr("Frame.Typ", QByteArray::number(rng() % 16));
            obj->SetAttr("HAlign", QByteArray::number(rng() % 4));
            obj->SetAttr("TagStr", "[Tag" + QByteArray::number(p) + "]");
            obj->SetAttr("u", text);
        }
    }
}

// Milliseconds to read a report of one page with `count` text objects back through the
// object serializer (names are looked up in an index, so this grows linearly).
double TreeLoadMs(int count) {
    TfrxReport source;
    auto* page = new TfrxReportPage(&source);
    page->SetName(QStringLiteral("Page1"));
    for (int i = 1; i <= count; ++i) {
        auto* memo = new TfrxMemoView(page);
        memo->setObjectName(QStringLiteral("Memo%1").arg(i));
        memo->SetBounds(i % 50, i / 50, 100, 20);
        memo->SetText(QStringLiteral("text %1").arg(i));
    }
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    source.SaveToStream(saved);
    return 1e3 * BestSeconds(3, [&] {
        TfrxReport target;
        saved.seek(0);
        target.LoadFromStream(saved);
    });
}

} // namespace

int main() {
    startup::Install(startup::ObjectFiles);
    const double load1k = TreeLoadMs(1000), load10k = TreeLoadMs(10000);
    std::printf("tree load: 1,000 objects %.1f ms, 10,000 objects %.1f ms (x%.1f for 10x the "
                "objects)\n", load1k, load10k, load10k / load1k);

    TfrxXMLDocument doc;
    BuildDocument(doc);

    QByteArray bytes;
    const double writeSec = BestSeconds(5, [&] {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        doc.SaveToStream(&out);
        bytes = out.data();
    });
    const double mb = double(bytes.size()) / 1e6;
    std::printf("document: %.1f MB, 200,000 object items\n", mb);
    std::printf("xml write: ours %.0f MB/s\n", mb / writeSec);

    // Reads are timed without freeing the tree; pugixml's document is freed outside its timing
    // as well. Our freeing time is printed on its own.
    double oursSec = 1e300, freeSec = 1e300, partialSec = 1e300, pugiSec = 1e300;
    for (int i = 0; i < 5; ++i) {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        auto back = std::make_unique<TfrxXMLDocument>();
        auto t0 = std::chrono::steady_clock::now();
        back->LoadFromStream(&in);
        auto t1 = std::chrono::steady_clock::now();
        back.reset();
        auto t2 = std::chrono::steady_clock::now();
        oursSec = std::min(oursSec, std::chrono::duration<double>(t1 - t0).count());
        freeSec = std::min(freeSec, std::chrono::duration<double>(t2 - t1).count());
    }
    for (int i = 0; i < 5; ++i) {
        QBuffer in;
        in.setData(bytes);
        in.open(QIODevice::ReadOnly);
        auto back = std::make_unique<TfrxXMLDocument>();
        auto t0 = std::chrono::steady_clock::now();
        back->LoadFromStream(&in, true);
        auto t1 = std::chrono::steady_clock::now();
        partialSec = std::min(partialSec, std::chrono::duration<double>(t1 - t0).count());
    }
    for (int i = 0; i < 5; ++i) {
        auto pdoc = std::make_unique<pugi::xml_document>();
        auto t0 = std::chrono::steady_clock::now();
        // load_buffer copies the bytes, as our reader copies out of its stream.
        const auto result = pdoc->load_buffer(bytes.constData(), size_t(bytes.size()));
        auto t1 = std::chrono::steady_clock::now();
        if (!result)
            std::printf("pugixml: %s\n", result.description());
        pugiSec = std::min(pugiSec, std::chrono::duration<double>(t1 - t0).count());
    }

    std::printf("xml read (tree freed separately, %.0f ms): ours %.0f MB/s\n", freeSec * 1e3,
                mb / oursSec);
    std::printf("xml read with partial loading: ours %.0f MB/s\n", mb / partialSec);
    std::printf("xml read: pugixml %.0f MB/s\n", mb / pugiSec);
    std::printf("xml read: ours %.0f MB/s, pugixml %.0f MB/s, ratio %.2f\n", mb / oursSec,
                mb / pugiSec, pugiSec / oursSec);
    return 0;
}

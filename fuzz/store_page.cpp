// Any tree of items under "previewpages" (page items named "page<N>" or after a page class, object
// items named by an alias or a class, any attribute text, any depth) is built, sized, hit-tested
// and edited by the store without a crash; what cannot be read is collected as an error. The
// input is the content of the "previewpages" element; a broken document keeps what was read.
// Pages are drawn too when their numbers are of a size a page can have: the text layout counts
// in ints, and magnitudes far beyond any page overflow it (a matter of the layout, not of the
// store).

#include "platform/CanvasRecording.h"
#include "platform/Fonts.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxProps.h"
#include "startup/Startup.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Every number of every object within what a page can hold.
bool Drawable(TfrxComponent* page) {
    std::vector<const QObject*> pending;
    for (TfrxComponent* c : page->AllObjects())
        pending.push_back(c);
    while (!pending.empty()) {
        const QObject* o = pending.back();
        pending.pop_back();
        for (const QMetaProperty& p : frxProps::Published(o)) {
            switch (frxProps::KindOf(p)) {
            case frxProps::Kind::Float:
                if (!(std::fabs(frxProps::GetFloat(o, p)) <= 10000))
                    return false;
                break;
            case frxProps::Kind::Integer:
                if (std::llabs(frxProps::GetOrd(o, p)) > 10000 && qstrcmp(p.name(), "Color") != 0 &&
                    qstrcmp(p.name(), "ShadowColor") != 0)
                    return false;
                break;
            case frxProps::Kind::Persistent:
                if (const QObject* part = frxProps::GetObject(o, p))
                    pending.push_back(part);
                break;
            default:
                break;
            }
        }
    }
    return true;
}

} // namespace

// Font look-ups keep what they find in the font library's caches for the life of the process:
// new names in the input make new entries, which are not leaks of the store's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libfreetype.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    platform::InstallFontSubstitutions();
    startup::Install(startup::ObjectFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A template like the worksheet's, with a band holding a text object.
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    for (int i = 1; i <= 3; ++i) {
        auto* m = new TfrxMemoView(page);
        m->SetName(QStringLiteral("Memo%1").arg(i));
        m->SetBounds(10 * i, 20 * i, 200, 40);
        m->SetText(QStringLiteral("[var%1]").arg(i));
        m->SetURL(i == 2 ? QStringLiteral("#anchor") : QStringLiteral("@2"));
    }
    auto* band = new TfrxBand(page);
    band->SetName(QStringLiteral("Band1"));
    band->SetBounds(0, 300, 700, 50);
    auto* inBand = new TfrxMemoView(band);
    inBand->SetName(QStringLiteral("Memo4"));
    inBand->SetBounds(5, 5, 100, 20);

    TfrxPreviewPages store(&report);
    store.RegisterSourcePage(page);

    QByteArray text = "<?xml version=\"1.0\"?><previewpages>";
    text.append(reinterpret_cast<const char*>(data), qsizetype(size));
    text.append("</previewpages>");
    QBuffer in(&text);
    in.open(QIODevice::ReadOnly);
    TfrxXMLDocument doc;
    try {
        doc.LoadFromStream(&in);
    } catch (const TfrxInvalidXMLException&) {
        // The part read so far is used.
    }
    TfrxXMLItem* pages = store.PagesItem();
    while (doc.Root()->Count() > 0)
        pages->Append(doc.Root()->Item(0));

    const int count = std::min(store.PageCount(), 16);
    platform::RecordingCanvas canvas;
    for (int i = 0; i < count; ++i) {
        store.CurrentPage = i;
        store.AddAnchor(QStringLiteral("anchor"));
        TfrxReportPage* built = store.BuildPage(i);
        if (!built)
            std::abort(); // a page that exists always builds
        store.PageSizeOf(i);
        if (Drawable(built))
            store.RenderPage(i, &canvas, 1.5, 1.5, 3, 4);
        store.HitTest(i, 60, 80, 1.5, 3, 4);
        store.BottomOfBands();
        store.BandOnPage(band);
    }
    if (count > 0) {
        store.CurrentPage = count - 1;
        store.CutTail(1);
        store.PasteTail(12.5, -3);
        store.ReplacePage(0, store.BuildPage(0));
        if (!store.BuildPage(0))
            std::abort();
        store.InsertBlankPage(0);
        store.RemovePage(count);
        store.BuildPage(0);
    }
    return 0;
}

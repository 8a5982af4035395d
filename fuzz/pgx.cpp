// Any bytes opened as a prepared report file, fully and partly loaded: the pages open or the
// store says "Invalid file format" and is left empty, never a crash or a hang. Pages that
// opened build and draw; the store saves a file that opens again and saves to the same bytes.

#include "platform/CanvasRecording.h"
#include "platform/Error.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "startup/Startup.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

bool Open(TfrxPreviewPages& store, QBuffer& in, bool partial) {
    try {
        store.ReadFromStream(in, partial);
        return true;
    } catch (const platform::Error& e) {
        if (e.Message() != QStringLiteral("Invalid file format"))
            std::abort();
        if (store.PageCount() != 0 || store.SourcePageCount() != 0 || store.BuildPage(0))
            std::abort();
        return false;
    }
}

QByteArray Save(TfrxPreviewPages& store) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    store.WriteToStream(out);
    return out.data();
}

void Use(TfrxPreviewPages& store) {
    const int pages = std::min(store.PageCount(), 3);
    for (int i = 0; i < pages; ++i) {
        (void)store.PageSizeOf(i);
        platform::RecordingCanvas canvas;
        store.RenderPage(i, &canvas, 1, 1, 0, 0);
    }
}

} // namespace

// Font look-ups keep what they find in the font library's caches for the life of the process:
// new names in the input make new entries, which are not leaks of the loader's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libfreetype.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static auto* app = new QGuiApplication(*argc, *argv);
    (void)app;
    startup::Install(startup::ObjectFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20)
        return 0;
    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), int(size));
    in.open(QIODevice::ReadOnly);

    TfrxReport report;
    TfrxPreviewPages store(&report);
    if (!Open(store, in, false))
        return 0;
    Use(store);
    const QByteArray saved = Save(store);

    QBuffer again;
    again.setData(saved);
    again.open(QIODevice::ReadOnly);
    TfrxReport report2;
    TfrxPreviewPages reopened(&report2);
    if (!Open(reopened, again, false) || Save(reopened) != saved)
        std::abort();

    // Partly loaded, pages marked as such are read from the stream when they are needed.
    in.seek(0);
    TfrxReport report3;
    TfrxPreviewPages partial(&report3);
    if (!Open(partial, in, true))
        std::abort();
    Use(partial);
    return 0;
}

// Any text as the page numbers of a print run: a selection or the conversion error, never a
// crash, a hang or memory beyond the pages. The first byte picks the page count.

#include "platform/Error.h"
#include "print/frxPrintLayout.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 65536)
        return 0;
    const int pageCount = data[0] * 4;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1),
                                           static_cast<qsizetype>(size - 1));
    TfrxPageSelection selection;
    try {
        selection.Parse(text, pageCount);
    } catch (const platform::Error&) {
        return 0;
    }
    const std::vector<int> pages = selection.Pages();
    for (int p : pages)
        if (p < 1 || p > pageCount || !selection.Contains(p))
            __builtin_trap();
    if (selection.All() && static_cast<int>(pages.size()) != pageCount)
        __builtin_trap();
    return 0;
}

// Any text as a number typed or read where the user meets one: the page box, the copies box
// and the print dialog's page ranges (integers), the zoom box, the page settings' sizes and
// margins, and the settings file's list indexes. Each reads the text or raises the conversion
// error; a value it reads writes out and reads back to itself (sizes to two decimals).

#include "app/SettingsStore.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "preview/frxPreviewLayout.h"
#include "print/frxPreviewPageSettings.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);

    try {
        const int v = platform::StrToInt(text);
        Check(platform::StrToInt(QString::number(v)) == v);
    } catch (const platform::Error& e) {
        Check(e.Message().endsWith(QStringLiteral("' is not a valid integer value")));
        Check(e.Message().size() <= 100 + 31);
    }

    if (const std::optional<int> v = SettingsStore::ParseInteger(bytes))
        Check(SettingsStore::ParseInteger(QByteArray::number(*v)) == v);

    try {
        long double zoom = 0;
        if (frxPreviewZoom::Parse(text, zoom)) {
            Check(std::isfinite(zoom));
            // The box shows a zoom as a whole percentage; that text reads back.
            long double again = 0;
            Check(frxPreviewZoom::Parse(frxPreviewZoom::Text(frxPreviewZoom::Clamped(zoom)),
                                        again));
            Check(std::isfinite(again));
        }
    } catch (const platform::Error&) {
    }

    try {
        const long double v = ParseNumber(text);
        Check(std::isfinite(v));
        const long double again = ParseNumber(FormatNumber(v));
        Check(std::fabs(again - v) <= 0.005L + std::fabs(v) * 1e-15L);
    } catch (const platform::Error& e) {
        Check(e.Message().endsWith(QStringLiteral("' is not a valid floating point value")));
    }
    return 0;
}

#include "preview/frxSearch.h"

#include "platform/CanvasRecording.h"
#include "platform/GbkCodec.h"
#include "report/frxRuntime.h"

#include <QByteArrayMatcher>

TfrxSearchState& frxSearchState() {
    static TfrxSearchState state;
    return state;
}

namespace {
// A lead byte of a double-byte character of the code page; the next byte belongs to it.
inline bool IsLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}
} // namespace

QByteArray frxSearchUpper(const QByteArray& gbk) {
    QByteArray out = gbk;
    char* d = out.data();
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (IsLeadByte(d[i])) {
            ++i;
            continue;
        }
        if (d[i] >= 'a' && d[i] <= 'z')
            d[i] = char(d[i] - 'a' + 'A');
    }
    return out;
}

qsizetype frxSearchFind(const QByteArray& text, const QByteArray& what, qsizetype from) {
    if (what.isEmpty())
        return -1;
    const QByteArrayMatcher matcher(what);
    qsizetype boundary = 0; // the next character starts here
    for (qsizetype at = matcher.indexIn(text, from); at >= 0; at = matcher.indexIn(text, at + 1)) {
        // A match that starts on the second byte of a character is no match: "A" is not
        // found in a Chinese character whose second byte is 0x41.
        while (boundary < at)
            boundary += IsLeadByte(text[boundary]) && boundary + 1 < text.size() ? 2 : 1;
        if (boundary == at)
            return at;
    }
    return -1;
}

bool frxSearchPages(TfrxPagesReader& pages, TfrxSearchState& state, int& page,
                    std::unique_ptr<platform::RecordingCanvas>& picture, int& picturePage) {
    state.Found = false;
    if (page < 0)
        page = 0;
    QByteArray what = platform::ToGbk(state.Text);
    if (!state.CaseSensitive)
        what = frxSearchUpper(what);
    const int count = pages.PageCount();
    while (page < count) {
        if (!picture || picturePage != page) {
            // A recording counts as fully visible: every object of the page is drawn.
            picture = std::make_unique<platform::RecordingCanvas>();
            picturePage = page;
            pages.RenderPage(page, picture.get(), 1, 1, 0, 0);
        }
        const std::vector<platform::CanvasRecord>& records = picture->Records();
        for (int index = state.RecordIndex + 1; index < int(records.size()); ++index) {
            const platform::CanvasRecord& r = records[size_t(index)];
            if (r.Kind != platform::CanvasRecord::Type::DrawText &&
                r.Kind != platform::CanvasRecord::Type::TextOut)
                continue;
            QByteArray text = platform::ToGbk(r.Text);
            if (!state.CaseSensitive)
                text = frxSearchUpper(text);
            if (frxSearchFind(text, what) < 0)
                continue;
            state.Found = true;
            state.HitRect = r.Bounds.ToQRect();
            state.RecordIndex = index;
            return true;
        }
        state.RecordIndex = -1;
        ++page;
    }
    return false;
}

QPoint frxScrollToHit(const QRect& hit, const QRect& view) {
    QPoint pos = view.topLeft();
    const int hitRight = hit.x() + hit.width(), hitBottom = hit.y() + hit.height();
    const int viewRight = view.x() + view.width(), viewBottom = view.y() + view.height();
    if (hit.y() < view.y() || hitBottom > viewBottom)
        pos.setY(hitBottom - view.height() + 20);
    if (hit.x() < view.x() || hitRight > viewRight)
        pos.setX(hitRight - view.width() + 20);
    return pos;
}

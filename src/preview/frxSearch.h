#pragma once
// Finding text on prepared pages. A page is drawn at zoom 1 onto a recording canvas and the
// text-output records of that picture are scanned, so a search finds exactly the text that is
// drawn (expressions replaced, values formatted, lines broken), one record at a time.

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>

class TfrxCustomPreviewPages;
namespace platform {
class RecordingCanvas;
}

// The search as the program keeps it for its whole run, shared by every preview window.
struct TfrxSearchState {
    // The last text entered in the find dialog (empty at start).
    QString LastText;
    // The text being searched and how.
    QString Text;
    bool CaseSensitive = false;
    // The last search found something: HitRect (page pixels at zoom 1, from the paper's
    // corner) bounds the text record RecordIndex of the page searched last.
    bool Found = false;
    QRect HitRect;
    int RecordIndex = -1;
};
TfrxSearchState& frxSearchState();

// Where a search goes on in one page area: the page it continues on, and the one recorded
// page it keeps (recording a page is the costly part; a search over many pages records each
// once).
struct TfrxSearchCursor {
    int Page = 0;
    std::unique_ptr<platform::RecordingCanvas> Picture;
    int PicturePage = -1;

    TfrxSearchCursor();
    ~TfrxSearchCursor();
    TfrxSearchCursor(TfrxSearchCursor&&) noexcept;
    TfrxSearchCursor& operator=(TfrxSearchCursor&&) noexcept;
    // Forgets the recorded page (the pages or their layout changed).
    void DropPicture();
};

// Text in the 8-bit code page, upper-cased for a search without case: ASCII letters only, and
// never the second byte of a double-byte character.
QByteArray frxSearchUpper(const QByteArray& gbk);
// Position of `what` in `text` (both 8-bit code page) starting on a character boundary at or
// after `from`, or -1. An empty `what` is found nowhere.
qsizetype frxSearchFind(const QByteArray& text, const QByteArray& what, qsizetype from = 0);

// Searches from cursor.Page on, after the record state.RecordIndex of that page, for
// state.Text. Clears state.Found first; on a hit sets Found, HitRect and RecordIndex and leaves
// the cursor on the hit's page; without one the cursor ends at the page count. Returns Found.
bool frxSearchPages(TfrxCustomPreviewPages& pages, TfrxSearchState& state,
                    TfrxSearchCursor& cursor);

// The scroll position that brings a hit into view. `hit` is in the page area's coordinates,
// `view` is the visible part (its top-left is the current scroll position). When the hit
// leaves the view vertically, the hit's bottom ends 20 px above the view's bottom edge;
// likewise horizontally with its right edge 20 px inside the right edge. Otherwise the
// position stays.
QPoint frxScrollToHit(const QRect& hit, const QRect& view);

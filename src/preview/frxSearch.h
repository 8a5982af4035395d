#pragma once
// Finding text on prepared pages. A page is drawn at zoom 1 onto a recording canvas and the
// text-output records of that picture are scanned, so a search finds exactly the text that is
// drawn (expressions replaced, values formatted, lines broken), one record at a time.

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QString>

#include <memory>

class TfrxPagesReader;
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

// Text in the 8-bit code page, upper-cased for a search without case: ASCII letters only, and
// never the second byte of a double-byte character.
QByteArray frxSearchUpper(const QByteArray& gbk);
// Position of `what` in `text` (both 8-bit code page) starting on a character boundary at or
// after `from`, or -1. An empty `what` is found nowhere.
qsizetype frxSearchFind(const QByteArray& text, const QByteArray& what, qsizetype from = 0);

// Searches from page `page` on, after the record state.RecordIndex of that page, for
// state.Text. Each page is drawn at zoom 1 onto a recording; `picture` keeps the last one
// (and `picturePage` its index), so a search over many pages records each page once and F3
// on the same page records nothing. Clears state.Found first; on a hit sets Found, HitRect and
// RecordIndex and leaves `page` on the hit's page; without one `page` ends at the page count.
// Returns Found.
bool frxSearchPages(TfrxPagesReader& pages, TfrxSearchState& state, int& page,
                    std::unique_ptr<platform::RecordingCanvas>& picture, int& picturePage);

// The scroll position that brings a hit into view. `hit` is in the page area's coordinates,
// `view` is the visible part (its top-left is the current scroll position). When the hit
// leaves the view vertically, the hit's bottom ends 20 px above the view's bottom edge;
// likewise horizontally with its right edge 20 px inside the right edge. Otherwise the
// position stays.
QPoint frxScrollToHit(const QRect& hit, const QRect& view);

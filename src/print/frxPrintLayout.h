#pragma once
// The arithmetic of a print run, apart from any printer: which pages a page-number text
// selects, and how many sheets a big page is cut onto or how many small pages share a sheet.

#include <QString>

#include <vector>

// The pages a page-number text selects: "1,3,5-12", blanks ignored anywhere, "7-" up to the
// last page. An empty text selects every page.
class TfrxPageSelection {
public:
    // Reads `text` for a report of `pageCount` pages. A text between separators that is not
    // a whole number (an empty one too) raises "'<text>' is not a valid integer value".
    // Numbers outside 1..pageCount never match; a descending range selects nothing.
    void Parse(const QString& text, int pageCount);

    // True when the text was empty: every page is selected.
    bool All() const { return m_all; }
    // Whether page `pageNo` (1-based) is selected.
    bool Contains(int pageNo) const;
    // The selected pages within 1..pageCount, ascending, each once.
    std::vector<int> Pages() const;

private:
    bool m_all = true;
    int m_pageCount = 0;
    std::vector<bool> m_selected; // index = page number
};

// How many pieces of length b cover a length a (mm): a/b rounded when the whole pieces miss a
// by less than 11 mm, else one more than fit. Never less than one.
int CountPieces(long double a, long double b);

// Pieces of b (width x height) needed for a, as given and with b turned a quarter; the turned
// layout wins only when it needs fewer pieces.
struct TfrxPieceLayout {
    int Cols = 1;
    int Rows = 1;
    bool Rotated = false;
    friend bool operator==(const TfrxPieceLayout&, const TfrxPieceLayout&) = default;
};
TfrxPieceLayout ChoosePieceLayout(long double aWidth, long double aHeight, long double bWidth,
                                  long double bHeight);

// The joined-pages grid of `pageWidth` x `pageHeight` pages on a sheet of `sheetWidth` x
// `sheetHeight` (portrait, mm): the piece layout (cols and rows exchanged for a turned sheet),
// then cut back so that no cell reaches 11 mm or more beyond the sheet.
TfrxPieceLayout ChooseJoinLayout(long double sheetWidth, long double sheetHeight,
                                 long double pageWidth, long double pageHeight);


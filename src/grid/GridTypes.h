#pragma once
// The grid's value types: colours as the designs give them, rectangles, fonts, options, draw
// states and cell coordinates.

#include "platform/Canvas.h"
#include "platform/CanvasFont.h"

#include <QByteArray>
#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>

namespace grid {

// Colours as the designs give them: 0x00BBGGRR, or a system colour (0xFF0000nn, nn = the
// platform's colour index), or clNone.
using TColor = quint32;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clHighlight = 0xFF00000D;
inline constexpr TColor clHighlightText = 0xFF00000E;
inline constexpr TColor clBtnFace = 0xFF00000F;
inline constexpr TColor clBtnText = 0xFF000012;
inline constexpr TColor clInfoBk = 0xFF000018;

// The colour to paint with; system colours come from the application palette. clNone gives an
// invalid QColor.
QColor ColorToQColor(TColor color);

// A rectangle with exclusive right and bottom edges, as the cell geometry is reasoned about:
// the canvas's own rectangle, so cell rectangles go to the text drawing unchanged.
using TRect = platform::Rect;
// The smallest rectangle holding both.
TRect UnionRect(const TRect& a, const TRect& b);

enum class TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int GB2312_CHARSET = 134;

// A font as the designs describe it. Height < 0 is the character height in pixels.
struct TFont {
    QString Name = QStringLiteral("Tahoma");
    int Height = -11; // px
    TColor Color = clWindowText;
    TFontStyles Style;
    int Charset = DEFAULT_CHARSET;

    // Size in points at 96 pixels per inch, rounded half away from zero.
    int Size() const;
    void SetSize(int points);
    // The canvas font to draw with: the face by name (substitutions apply), pixel size |Height|.
    platform::CanvasFont ToCanvasFont() const;
    QFont ToQFont() const;
    friend bool operator==(const TFont&, const TFont&) = default;
};

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum TVAlignment { vtaTop = 0, vtaCenter = 1, vtaBottom = 2 };

enum class TGridOption {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goRangeSelect = 0x10,
    goDrawFocusSelected = 0x20,
    goRowSizing = 0x40,
    goColSizing = 0x80,
    goRowMoving = 0x100,
    goColMoving = 0x200,
    goEditing = 0x400,
    goTabs = 0x800,
    goRowSelect = 0x1000,
    goAlwaysShowEditor = 0x2000,
    goThumbTracking = 0x4000,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

enum class TGridDrawStateItem { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateItem)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

// A cell range, both corners inclusive.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Contains(int col, int row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
    friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

struct TGridCoord {
    int X = 0; // column
    int Y = 0; // row
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

} // namespace grid

#pragma once
// The report object model's types and value objects: units, the enumerations of the frxClass
// namespace, fonts, frames, formats and highlights, bounds, and the object serializer's
// interface.

#include "platform/Error.h"
#include "printers/frxPrinterConst.h"
#include "report/frxProps.h"
#include "report/frxRuntime.h"
#include "report/frxVariables.h"
#include "report/frxVariant.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QIODevice;
class QTimer;
class TfrxScript;
class TfrxReportRuntime;
namespace platform {
class Canvas;
}

// Unit constants, also known to report scripts by these names.
constexpr long double fr01cm = 3.77953L; // px per mm
constexpr long double fr1cm = 37.7953L;  // px per cm
constexpr long double fr01in = 9.6L;     // px per 0.1 inch
constexpr long double fr1in = 96.0L;     // px per inch
constexpr long double fr1CharX = 9.6L;   // character cell width of text-mode reports
constexpr long double fr1CharY = 17.0L;  // character cell height of text-mode reports

// Errors of the report engine; the message is the text the user sees.
class TfrxException : public platform::Error {
public:
    using platform::Error::Error;
};

namespace frxClass {
Q_NAMESPACE

// Colours are 0x00BBGGRR integers; clTransparent means "no fill".
using TColor = int;
constexpr TColor clTransparent = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
// The colour for drawing; clTransparent gives a fully transparent colour.
QColor frxColorToQColor(TColor color);


enum TfrxAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
Q_ENUM_NS(TfrxAlign)
enum TfrxShiftMode { smDontShift, smAlways, smWhenOverlapped };
Q_ENUM_NS(TfrxShiftMode)
enum TfrxStretchMode { smDontStretch, smActualHeight, smMaxHeight };
Q_ENUM_NS(TfrxStretchMode)
enum TfrxFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble };
Q_ENUM_NS(TfrxFrameStyle)
enum TfrxFrameType { ftLeft = 1, ftRight = 2, ftTop = 4, ftBottom = 8 };
Q_DECLARE_FLAGS(TfrxFrameTypes, TfrxFrameType)
Q_FLAG_NS(TfrxFrameTypes)
enum TfrxHAlign { haLeft, haRight, haCenter, haBlock };
Q_ENUM_NS(TfrxHAlign)
enum TfrxVAlign { vaTop, vaBottom, vaCenter };
Q_ENUM_NS(TfrxVAlign)
enum TfrxFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
Q_ENUM_NS(TfrxFormatKind)
enum TfrxRestriction {
    rfDontModify = 1,
    rfDontSize = 2,
    rfDontMove = 4,
    rfDontDelete = 8,
    rfDontEdit = 16
};
Q_DECLARE_FLAGS(TfrxRestrictions, TfrxRestriction)
Q_FLAG_NS(TfrxRestrictions)
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                   bsDiagCross };
Q_ENUM_NS(TBrushStyle)
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)
enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)
enum TfrxDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
Q_ENUM_NS(TfrxDuplexMode)
enum TfrxPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
Q_ENUM_NS(TfrxPrintMode)
enum TfrxPrintPages { ppAll, ppOdd, ppEven };
Q_ENUM_NS(TfrxPrintPages)
enum TfrxZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };
Q_ENUM_NS(TfrxZoomMode)
enum TfrxPreviewButton {
    pbPrint = 0x1,
    pbLoad = 0x2,
    pbSave = 0x4,
    pbExport = 0x8,
    pbZoom = 0x10,
    pbFind = 0x20,
    pbOutline = 0x40,
    pbPageSetup = 0x80,
    pbTools = 0x100,
    pbEdit = 0x200,
    pbNavigator = 0x400,
    pbExportQuick = 0x800,
    pbNoClose = 0x1000,
    pbNoFullScreen = 0x2000,
    pbNoEmail = 0x4000
};
Q_DECLARE_FLAGS(TfrxPreviewButtons, TfrxPreviewButton)
Q_FLAG_NS(TfrxPreviewButtons)
enum TfrxSilentMode { simMessageBoxes, simSilent, simReThrow };
Q_ENUM_NS(TfrxSilentMode)
// What the prepared pages store does with a component: a preview-visible one is recorded on
// the pages; a container is recorded whole, its own children being its business.
enum TfrxComponentStyle { csContainer = 1, csPreviewVisible = 2 };
Q_DECLARE_FLAGS(TfrxComponentStyles, TfrxComponentStyle)

} // namespace frxClass
Q_DECLARE_OPERATORS_FOR_FLAGS(frxClass::TfrxFrameTypes)
Q_DECLARE_OPERATORS_FOR_FLAGS(frxClass::TfrxRestrictions)
Q_DECLARE_OPERATORS_FOR_FLAGS(frxClass::TFontStyles)
Q_DECLARE_OPERATORS_FOR_FLAGS(frxClass::TfrxPreviewButtons)
Q_DECLARE_OPERATORS_FOR_FLAGS(frxClass::TfrxComponentStyles)

// The buttons a preview shows by default: everything except the three "no" flags.
constexpr int frxDefaultPreviewButtons = 0xFFF;

class TfrxComponent;
class TfrxReport;
class TfrxPage;

// A font: name, height in pixels (negative: the em height; the old platform's convention),
// colour, character set, pitch and style, at 96 pixels per inch. Every change calls OnChange,
// which the owning component uses to pass the font down the tree.
class TfrxFont : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Pitch", "fpDefault")
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(frxClass::TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(frxClass::TFontStyles Style READ Style WRITE SetStyle)
public:
    static constexpr int DefaultCharset = 1;

    explicit TfrxFont(QObject* owner = nullptr) : TfrxPersistent(owner) {}

    int Charset() const { return m_charset; }
    void SetCharset(int v);
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v);
    int Height() const { return m_height; }
    void SetHeight(int v);
    QString Name() const { return m_name; }
    void SetName(const QString& v);
    frxClass::TFontPitch Pitch() const { return m_pitch; }
    void SetPitch(frxClass::TFontPitch v);
    // Points, from the height at PixelsPerInch, halves to even (the text layout's rule).
    int Size() const;
    void SetSize(int points);
    frxClass::TFontStyles Style() const { return m_style; }
    void SetStyle(frxClass::TFontStyles v);
    int PixelsPerInch() const { return m_pixelsPerInch; }

    // Takes every field of `other` with one change notification.
    void Assign(const TfrxFont& other);
    bool operator==(const TfrxFont& other) const;
    bool operator!=(const TfrxFont& other) const { return !(*this == other); }

    // For Qt's own drawing: the face at |Height| pixels with the style.
    QFont ToQFont() const;

    std::function<void()> OnChange;

private:
    void Changed();

    int m_charset = DefaultCharset;
    frxClass::TColor m_color = frxClass::clBlack;
    int m_height = -13; // 10 points at 96 px per inch
    QString m_name = QStringLiteral("Arial");
    frxClass::TFontPitch m_pitch = frxClass::fpDefault;
    frxClass::TFontStyles m_style;
    int m_pixelsPerInch = 96;
};

// One side of a frame.
class TfrxFrameLine : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Color", "0")
    Q_CLASSINFO("default:Style", "fsSolid")
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(frxClass::TfrxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
public:
    explicit TfrxFrameLine(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    frxClass::TfrxFrameStyle Style() const { return m_style; }
    void SetStyle(frxClass::TfrxFrameStyle v) { m_style = v; }
    long double Width() const { return m_width; }
    void SetWidth(long double v) { m_width = v; }

private:
    frxClass::TColor m_color = frxClass::clBlack;
    frxClass::TfrxFrameStyle m_style = frxClass::fsSolid;
    long double m_width = 1;
};

// The frame of a view: which sides are drawn and how.
class TfrxFrame : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Color", "0")
    Q_CLASSINFO("default:DropShadow", "false")
    Q_CLASSINFO("default:ShadowColor", "0")
    Q_CLASSINFO("default:Style", "fsSolid")
    Q_CLASSINFO("default:Typ", "")
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DropShadow READ DropShadow WRITE SetDropShadow)
    Q_PROPERTY(int ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(double ShadowWidth READ ShadowWidth WRITE SetShadowWidth)
    Q_PROPERTY(frxClass::TfrxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(frxClass::TfrxFrameTypes Typ READ Typ WRITE SetTyp)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(TfrxFrameLine* LeftLine READ LeftLine)
    Q_PROPERTY(TfrxFrameLine* TopLine READ TopLine)
    Q_PROPERTY(TfrxFrameLine* RightLine READ RightLine)
    Q_PROPERTY(TfrxFrameLine* BottomLine READ BottomLine)
public:
    explicit TfrxFrame(QObject* owner = nullptr);
    ~TfrxFrame() override;

    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    bool DropShadow() const { return m_dropShadow; }
    void SetDropShadow(bool v) { m_dropShadow = v; }
    frxClass::TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(frxClass::TColor v) { m_shadowColor = v; }
    long double ShadowWidth() const { return m_shadowWidth; }
    void SetShadowWidth(long double v) { m_shadowWidth = v; }
    frxClass::TfrxFrameStyle Style() const { return m_style; }
    void SetStyle(frxClass::TfrxFrameStyle v) { m_style = v; }
    frxClass::TfrxFrameTypes Typ() const { return m_typ; }
    void SetTyp(frxClass::TfrxFrameTypes v) { m_typ = v; }
    long double Width() const { return m_width; }
    void SetWidth(long double v) { m_width = v; }
    TfrxFrameLine* LeftLine() const { return m_leftLine.get(); }
    TfrxFrameLine* TopLine() const { return m_topLine.get(); }
    TfrxFrameLine* RightLine() const { return m_rightLine.get(); }
    TfrxFrameLine* BottomLine() const { return m_bottomLine.get(); }

private:
    frxClass::TColor m_color = frxClass::clBlack;
    bool m_dropShadow = false;
    frxClass::TColor m_shadowColor = frxClass::clBlack;
    long double m_shadowWidth = 4;
    frxClass::TfrxFrameStyle m_style = frxClass::fsSolid;
    frxClass::TfrxFrameTypes m_typ;
    long double m_width = 1;
    std::unique_ptr<TfrxFrameLine> m_leftLine, m_topLine, m_rightLine, m_bottomLine;
};

// How a value becomes text.
class TfrxFormat : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Kind", "fkText")
    Q_PROPERTY(QString DecimalSeparator READ DecimalSeparator WRITE SetDecimalSeparator)
    Q_PROPERTY(QString FormatStr READ FormatStr WRITE SetFormatStr)
    Q_PROPERTY(frxClass::TfrxFormatKind Kind READ Kind WRITE SetKind)
public:
    explicit TfrxFormat(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    QString DecimalSeparator() const { return m_decimalSeparator; }
    void SetDecimalSeparator(const QString& v) { m_decimalSeparator = v; }
    QString FormatStr() const { return m_formatStr; }
    void SetFormatStr(const QString& v) { m_formatStr = v; }
    frxClass::TfrxFormatKind Kind() const { return m_kind; }
    void SetKind(frxClass::TfrxFormatKind v) { m_kind = v; }

private:
    QString m_decimalSeparator;
    QString m_formatStr;
    frxClass::TfrxFormatKind m_kind = frxClass::fkText;
};

// Conditional font and fill of a text object.
class TfrxHighlight : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Active", "false")
    Q_CLASSINFO("default:Color", "536870911")
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TfrxFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
public:
    explicit TfrxHighlight(QObject* owner = nullptr);
    ~TfrxHighlight() override;
    bool Active() const { return m_active; }
    void SetActive(bool v) { m_active = v; }
    TfrxFont* Font() const { return m_font.get(); }
    void SetFont(TfrxFont* v) {
        if (v)
            m_font->Assign(*v);
    }
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    QString Condition() const { return m_condition; }
    void SetCondition(const QString& v) { m_condition = v; }

private:
    bool m_active = false;
    std::unique_ptr<TfrxFont> m_font;
    frxClass::TColor m_color = frxClass::clTransparent;
    QString m_condition;
};

// Bounds as left, top, width and height (pixels).
struct TfrxBounds {
    long double Left = 0, Top = 0, Width = 0, Height = 0;
};
// A rectangle as its four edges (pixels).
struct TfrxRect {
    long double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// The object serializer sits above the object model; start-up installs it as a service, so
// that components can save and load themselves without the model depending on it.
class TfrxComponentStreamer {
public:
    virtual ~TfrxComponentStreamer() = default;
    virtual void Save(const TfrxComponent& component, QIODevice& stream, bool saveChildren) = 0;
    virtual void Load(TfrxComponent& component, QIODevice& stream) = 0;
};
// Null when none is installed.
TfrxComponentStreamer* frxComponentStreamer();

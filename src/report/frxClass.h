#pragma once
// The report object model: the tree of report components (report -> pages -> objects), their
// published properties with their defaults, the units positions and sizes are held in, and the
// tree operations (parenting, naming, finding, font inheritance, paper and orientation).
//
// Positions and sizes are pixels at 96 dpi held as long double; paper sizes and margins are
// millimetres. Published properties are Q_PROPERTYs in declaration order (read and written
// through report/frxProps), enumerations are Q_ENUMs of the frxClass namespace.

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

// Any node of the report tree. The tree (Objects, Parent) is this class's own list; the QObject
// parent is the owner, which frees what it owns. A component created with a component as owner
// starts as that component's child.
class TfrxComponent : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("frxReference", "true")
    Q_CLASSINFO("default:Tag", "0")
    Q_CLASSINFO("default:ParentFont", "true")
    Q_CLASSINFO("default:Restrictions", "")
    Q_CLASSINFO("default:Visible", "true")
    // Name is written by the tree writer for child items, not among the properties.
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(TfrxFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(frxClass::TfrxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
    Q_INVOKABLE explicit TfrxComponent(QObject* owner = nullptr);
    // Detaches from the parent, then destroys the children it owns; entries of its list whose
    // parent is another component (a band borrowing a page's objects) are only dropped.
    ~TfrxComponent() override;

    QString Name() const { return objectName(); }
    // Raises "prDupl" when another object of the report has the name, and "Could not rename
    // <old>, it was introduced in the ancestor report" for an inherited component.
    void SetName(const QString& name);
    int Tag() const { return m_tag; }
    void SetTag(int v) { m_tag = v; }

    // Tree.
    TfrxComponent* Parent() const { return m_parent; }
    virtual void SetParent(TfrxComponent* parent);
    // Direct children in insertion order. The engine adds objects to a band's list without
    // reparenting them, so the list is open to callers.
    QList<TfrxComponent*>& Objects() { return m_objects; }
    const QList<TfrxComponent*>& Objects() const { return m_objects; }
    // All descendants, depth-first, pre-order: a list of the caller's own.
    QList<TfrxComponent*> AllObjects() const;
    // The first descendant named `name` (without case), or null.
    TfrxComponent* FindObject(const QString& name);
    // The nearest report / page up the tree, this component included.
    TfrxReport* Report() const;
    TfrxPage* Page() const;
    // Destroys the children, except inherited ones, which are kept and cleared.
    virtual void Clear();
    // The child list containers expose.
    virtual QList<TfrxComponent*>& ContainerObjects() { return m_objects; }

    // Bounds, px relative to the parent.
    long double Left() const { return m_left; }
    long double Top() const { return m_top; }
    long double Width() const { return m_width; }
    long double Height() const { return m_height; }
    virtual void SetLeft(long double v);
    virtual void SetTop(long double v);
    virtual void SetWidth(long double v);
    virtual void SetHeight(long double v);
    void SetBounds(long double left, long double top, long double width, long double height);
    long double AbsLeft() const;
    long double AbsTop() const;

    // Font and its inheritance.
    TfrxFont* Font() const { return m_font.get(); }
    // Takes the font's values; ParentFont becomes false.
    virtual void SetFont(const TfrxFont* font);
    bool ParentFont() const { return m_parentFont; }
    virtual void SetParentFont(bool v);
    // Called when the own font changed: ParentFont becomes false and children that follow
    // their parent take the new font.
    virtual void PropagateFont();

    frxClass::TfrxRestrictions Restrictions() const { return m_restrictions; }
    void SetRestrictions(frxClass::TfrxRestrictions v) { m_restrictions = v; }
    bool Visible() const { return m_visible; }
    virtual void SetVisible(bool v) { m_visible = v; }

    // "Memo" for TfrxMemoView: the stem of automatic names (and of aliases on prepared pages).
    QString NameStem() const;
    void SetNameStem(const QString& stem) { m_nameStem = stem; }
    // Gives the component the first free name NameStem + 1, 2, ...
    void AssignFreeName();

    // States.
    bool IsDesigning() const { return m_designing; }
    void SetDesigning(bool v) { m_designing = v; }
    bool InDesigner() const { return m_inDesigner; }
    void SetInDesigner(bool v) { m_inDesigner = v; }
    bool IsLoading() const { return m_loading; }
    void SetLoading(bool v) { m_loading = v; }
    bool IsPrinting() const { return m_printing; }
    void SetPrinting(bool v) { m_printing = v; }
    // Introduced by an ancestor template: kept by Clear, cannot be renamed.
    bool IsAncestor() const { return m_ancestor; }
    void SetAncestor(bool v) { m_ancestor = v; }

    // How the prepared pages store treats the component (csPreviewVisible, csContainer).
    frxClass::TfrxComponentStyles ComponentStyle() const { return m_componentStyle; }

    // A source copy on the prepared pages and the object it was copied from point at each
    // other (a run-time object points at its copy); the link clears itself when the other goes.
    TfrxComponent* OriginalComponent() const { return m_originalComponent.data(); }
    void SetOriginalComponent(TfrxComponent* c) { m_originalComponent = c; }
    // The short name a source copy is known by on the prepared pages ("m1", "b2").
    QString AliasName() const { return m_aliasName; }
    void SetAliasName(const QString& v) { m_aliasName = v; }
    // A source copy's own full serialised text (class name, a blank, the attributes), from
    // which prepared pages rebuild it. Unrelated to NameStem.
    const QByteArray& BaseName() const { return m_baseName; }
    void SetBaseName(const QByteArray& v) { m_baseName = v; }

    // Text describing the class.
    virtual QString GetDescription() const;
    // Places the children by their Align.
    virtual void LayOutChildren();
    // Per-run reset, called for every object when the report script is prepared.
    virtual void BeforeStartReport() {}

    // Copies the own published properties of `source` (not its name, not its children).
    virtual void Assign(const TfrxComponent* source);
    // Replaces the children by copies of `source`'s (same classes, names and properties) and
    // copies the own properties as Assign does. With a filter, only descendants it accepts are
    // copied (a refused one with its subtree); `map` receives source -> copy for `source` and
    // every copied descendant.
    using CopyFilter = std::function<bool(const TfrxComponent*)>;
    void CopyWithChildren(const TfrxComponent* source, const CopyFilter& filter = {},
                          QHash<const TfrxComponent*, TfrxComponent*>* map = nullptr);

    // Through the object serializer (the installed TfrxComponentStreamer); raises when none is installed.
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToStream(QIODevice& stream, bool saveChildren = true) const;

    bool IsStored(const QMetaProperty& prop) const override;

    // The prepared pages store's per-class delta writer: the attributes in which this object
    // differs from `source`, the object it was copied from, each as a blank, a name, "=" and
    // the value in double quotes (prepared pages keep objects this way). Without a source the
    // class's default object stands in, built once per class. Each class writes its base class's part first. Text objects clear
    // their paragraph flags as they write them.
    virtual QByteArray DifferenceText(const TfrxComponent* source);

protected:
    void SetComponentStyle(frxClass::TfrxComponentStyles v) { m_componentStyle = v; }
    // Properties of TfrxComponent that this class does not publish (bounds of a report page,
    // the font of a report, ...): never written.
    virtual bool Publishes(const char* propertyName) const;

private:
    void FontChanged();

    int m_tag = 0;
    TfrxComponent* m_parent = nullptr;
    QList<TfrxComponent*> m_objects;
    frxClass::TfrxComponentStyles m_componentStyle;
    QPointer<TfrxComponent> m_originalComponent;
    QString m_aliasName;
    QByteArray m_baseName;
    long double m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    std::unique_ptr<TfrxFont> m_font;
    bool m_parentFont = true;
    frxClass::TfrxRestrictions m_restrictions;
    bool m_visible = true;
    QString m_nameStem;
    bool m_designing = false;
    bool m_inDesigner = false;
    bool m_loading = false;
    bool m_printing = false;
    bool m_ancestor = false;
    bool m_updatingFont = false;
};

// Anything that is output during preparation.
class TfrxReportComponent : public TfrxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
public:
    explicit TfrxReportComponent(QObject* owner = nullptr);

    QString Description() const { return m_description; }
    void SetDescription(const QString& v) { m_description = v; }
    // Bounds saved by BeforePrint.
    const TfrxBounds& OriginalRect() const { return m_originalRect; }

    // Draws at scale and offset in device pixels.
    virtual void Draw(platform::Canvas* canvas, double scaleX, double scaleY, double offsetX,
                      double offsetY) = 0;
    // Saves the bounds (and what subclasses change during output).
    virtual void BeforePrint();
    // The data step; nothing at this level.
    virtual void EvaluateContent() {}
    // Restores what BeforePrint saved.
    virtual void AfterPrint();
    // The text the object shows (for find and export); empty here.
    virtual QString ShownText() const { return QString(); }
    // AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height.
    virtual TfrxRect GetRealBounds() const;

private:
    QString m_description;
    TfrxBounds m_originalRect;
};

class TfrxDataSet;

// A visible object with frame and fill.
class TfrxView : public TfrxReportComponent {
    Q_OBJECT
    Q_CLASSINFO("default:Align", "baNone")
    Q_CLASSINFO("default:Printable", "true")
    Q_CLASSINFO("default:ShiftMode", "smAlways")
    Q_CLASSINFO("default:GroupIndex", "0")
    Q_CLASSINFO("default:BrushStyle", "bsSolid")
    Q_CLASSINFO("default:Color", "536870911")
    Q_CLASSINFO("default:Cursor", "0")
    Q_PROPERTY(frxClass::TfrxAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool Printable READ Printable WRITE SetPrintable)
    Q_PROPERTY(frxClass::TfrxShiftMode ShiftMode READ ShiftMode WRITE SetShiftMode)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(QString OnAfterData READ OnAfterData WRITE SetOnAfterData)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnPreviewClick READ OnPreviewClick WRITE SetOnPreviewClick)
    Q_PROPERTY(frxClass::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(TfrxFrame* Frame READ Frame)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
public:
    Q_INVOKABLE explicit TfrxView(QObject* owner = nullptr);
    ~TfrxView() override;

    frxClass::TfrxAlign Align() const { return m_align; }
    void SetAlign(frxClass::TfrxAlign v) { m_align = v; }
    bool Printable() const { return m_printable; }
    void SetPrintable(bool v) { m_printable = v; }
    frxClass::TfrxShiftMode ShiftMode() const { return m_shiftMode; }
    void SetShiftMode(frxClass::TfrxShiftMode v) { m_shiftMode = v; }
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int v) { m_groupIndex = v; }
    QString OnAfterData() const { return m_onAfterData; }
    void SetOnAfterData(const QString& v) { m_onAfterData = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString& v) { m_onAfterPrint = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString& v) { m_onBeforePrint = v; }
    QString OnPreviewClick() const { return m_onPreviewClick; }
    void SetOnPreviewClick(const QString& v) { m_onPreviewClick = v; }
    frxClass::TBrushStyle BrushStyle() const { return m_brushStyle; }
    void SetBrushStyle(frxClass::TBrushStyle v) { m_brushStyle = v; }
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    int Cursor() const { return m_cursor; }
    void SetCursor(int v) { m_cursor = v; }
    TfrxFrame* Frame() const { return m_frame.get(); }
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString& v) { m_dataField = v; }
    QString TagStr() const { return m_tagStr; }
    void SetTagStr(const QString& v) { m_tagStr = v; }
    QString URL() const { return m_url; }
    void SetURL(const QString& v) { m_url = v; }

    // Bound to a data field: a data set and a field name.
    bool IsDataField() const;

    void BeforePrint() override;
    void AfterPrint() override;
    QByteArray DifferenceText(const TfrxComponent* source) override;
    // --- evaluation (frxExpression.cpp) ---
    // Substitutes bracketed expressions in TagStr and URL when they hold "[".
    void EvaluateContent() override;
    // --- end of evaluation ---

    // Drawing (frxClass_memo.cpp): the device rectangle for a scale and offset, fill and
    // frame. The device rectangle is kept in the fields below.
    void Draw(platform::Canvas* canvas, double scaleX, double scaleY, double offsetX,
              double offsetY) override;
    virtual void ComputeDeviceRect(double scaleX, double scaleY, double offsetX, double offsetY);
    virtual void DrawBackground(platform::Canvas* canvas);
    virtual void DrawFrame(platform::Canvas* canvas);

    // Device rectangle of the last ComputeDeviceRect (device pixels).
    int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
    double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;

private:
    frxClass::TfrxAlign m_align = frxClass::baNone;
    bool m_printable = true;
    frxClass::TfrxShiftMode m_shiftMode = frxClass::smAlways;
    int m_groupIndex = 0;
    QString m_onAfterData, m_onAfterPrint, m_onBeforePrint, m_onPreviewClick;
    frxClass::TBrushStyle m_brushStyle = frxClass::bsSolid;
    frxClass::TColor m_color = frxClass::clTransparent;
    int m_cursor = 0;
    std::unique_ptr<TfrxFrame> m_frame;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    QString m_dataField;
    QString m_tagStr, m_url;
    QString m_savedTagStr, m_savedURL;
};

// A view whose height can grow with its content.
class TfrxStretcheable : public TfrxView {
    Q_OBJECT
    Q_CLASSINFO("default:StretchMode", "smDontStretch")
    Q_PROPERTY(frxClass::TfrxStretchMode StretchMode READ StretchMode WRITE SetStretchMode)
public:
    Q_INVOKABLE explicit TfrxStretcheable(QObject* owner = nullptr);
    frxClass::TfrxStretchMode StretchMode() const { return m_stretchMode; }
    void SetStretchMode(frxClass::TfrxStretchMode v) { m_stretchMode = v; }
    // The height the content needs, px. Without content of its own: the current height.
    virtual long double CalcHeight() { return Height(); }

private:
    frxClass::TfrxStretchMode m_stretchMode = frxClass::smDontStretch;
};

// A text object: lines of text that may hold bracketed expressions.
class TfrxCustomMemoView : public TfrxStretcheable {
    Q_OBJECT
    Q_CLASSINFO("default:AllowExpressions", "true")
    Q_CLASSINFO("default:HideZeros", "false")
    Q_CLASSINFO("default:SuppressRepeated", "false")
    Q_CLASSINFO("default:HAlign", "haLeft")
    Q_CLASSINFO("default:VAlign", "vaTop")
    Q_CLASSINFO("default:AutoWidth", "false")
    Q_CLASSINFO("default:WordWrap", "true")
    Q_CLASSINFO("default:WordBreak", "false")
    Q_CLASSINFO("default:Clipped", "true")
    Q_CLASSINFO("default:Wysiwyg", "true")
    Q_CLASSINFO("default:AllowHTMLTags", "false")
    Q_CLASSINFO("default:Rotation", "0")
    Q_CLASSINFO("default:RTLReading", "false")
    Q_CLASSINFO("default:Underlines", "false")
    Q_CLASSINFO("default:FirstParaBreak", "false")
    Q_CLASSINFO("default:LastParaBreak", "false")
    // The lines are written as the object's Text attribute, not as a property.
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(bool AllowExpressions READ AllowExpressions WRITE SetAllowExpressions)
    Q_PROPERTY(QString ExpressionDelimiters READ ExpressionDelimiters WRITE SetExpressionDelimiters)
    Q_PROPERTY(TfrxFormat* DisplayFormat READ DisplayFormat)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(TfrxHighlight* Highlight READ Highlight)
    Q_PROPERTY(frxClass::TfrxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(frxClass::TfrxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_PROPERTY(double GapX READ GapX WRITE SetGapX)
    Q_PROPERTY(double GapY READ GapY WRITE SetGapY)
    Q_PROPERTY(double LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(double CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(double ParagraphGap READ ParagraphGap WRITE SetParagraphGap)
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool WordBreak READ WordBreak WRITE SetWordBreak)
    Q_PROPERTY(bool Clipped READ Clipped WRITE SetClipped)
    Q_PROPERTY(bool Wysiwyg READ Wysiwyg WRITE SetWysiwyg)
    Q_PROPERTY(bool AllowHTMLTags READ AllowHTMLTags WRITE SetAllowHTMLTags)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(bool Underlines READ Underlines WRITE SetUnderlines)
    Q_PROPERTY(bool FirstParaBreak READ FirstParaBreak WRITE SetFirstParaBreak)
    Q_PROPERTY(bool LastParaBreak READ LastParaBreak WRITE SetLastParaBreak)
    Q_PROPERTY(TfrxCustomMemoView* FlowTo READ FlowTo WRITE SetFlowTo)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
public:
    Q_INVOKABLE explicit TfrxCustomMemoView(QObject* owner = nullptr);
    ~TfrxCustomMemoView() override;

    const QStringList& Memo() const { return m_memo; }
    void SetMemo(const QStringList& lines) { m_memo = lines; }
    // The lines joined, each followed by CR LF (the last one too).
    QString Text() const;
    // Splits at CR LF, lone CR, lone LF and U+2028; a CR, then an LF, then a U+2028 directly
    // after a line count as one break. A break at the very end adds no empty line.
    void SetText(const QString& text);
    static QStringList SplitLines(const QString& text);

    bool AllowExpressions() const { return m_allowExpressions; }
    void SetAllowExpressions(bool v) { m_allowExpressions = v; }
    QString ExpressionDelimiters() const { return m_expressionDelimiters; }
    void SetExpressionDelimiters(const QString& v) { m_expressionDelimiters = v; }
    TfrxFormat* DisplayFormat() const { return m_displayFormat.get(); }
    bool HideZeros() const { return m_hideZeros; }
    void SetHideZeros(bool v) { m_hideZeros = v; }
    bool SuppressRepeated() const { return m_suppressRepeated; }
    void SetSuppressRepeated(bool v) { m_suppressRepeated = v; }
    TfrxHighlight* Highlight() const { return m_highlight.get(); }
    frxClass::TfrxHAlign HAlign() const { return m_hAlign; }
    void SetHAlign(frxClass::TfrxHAlign v) { m_hAlign = v; }
    frxClass::TfrxVAlign VAlign() const { return m_vAlign; }
    void SetVAlign(frxClass::TfrxVAlign v) { m_vAlign = v; }
    long double GapX() const { return m_gapX; }
    void SetGapX(long double v) { m_gapX = v; }
    long double GapY() const { return m_gapY; }
    void SetGapY(long double v) { m_gapY = v; }
    long double LineSpacing() const { return m_lineSpacing; }
    void SetLineSpacing(long double v) { m_lineSpacing = v; }
    long double CharSpacing() const { return m_charSpacing; }
    void SetCharSpacing(long double v) { m_charSpacing = v; }
    long double ParagraphGap() const { return m_paragraphGap; }
    void SetParagraphGap(long double v) { m_paragraphGap = v; }
    bool AutoWidth() const { return m_autoWidth; }
    void SetAutoWidth(bool v) { m_autoWidth = v; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v) { m_wordWrap = v; }
    bool WordBreak() const { return m_wordBreak; }
    void SetWordBreak(bool v) { m_wordBreak = v; }
    bool Clipped() const { return m_clipped; }
    void SetClipped(bool v) { m_clipped = v; }
    bool Wysiwyg() const { return m_wysiwyg; }
    void SetWysiwyg(bool v) { m_wysiwyg = v; }
    bool AllowHTMLTags() const { return m_allowHTMLTags; }
    void SetAllowHTMLTags(bool v) { m_allowHTMLTags = v; }
    int Rotation() const { return m_rotation; }
    void SetRotation(int v) { m_rotation = v; }
    bool RTLReading() const { return m_rtlReading; }
    void SetRTLReading(bool v) { m_rtlReading = v; }
    bool Underlines() const { return m_underlines; }
    void SetUnderlines(bool v) { m_underlines = v; }
    bool FirstParaBreak() const { return m_firstParaBreak; }
    void SetFirstParaBreak(bool v) { m_firstParaBreak = v; }
    bool LastParaBreak() const { return m_lastParaBreak; }
    void SetLastParaBreak(bool v) { m_lastParaBreak = v; }
    TfrxCustomMemoView* FlowTo() const;
    void SetFlowTo(TfrxCustomMemoView* v);
    QString Style() const { return m_style; }
    void SetStyle(const QString& v) { m_style = v; }

    // The last evaluated text (for SuppressRepeated), Null at creation.
    Variant LastValue = Variant::Null();
    // The value of the last evaluated expression.
    Variant CurrentValue;
    // Template text saved by BeforePrint.
    QStringList SavedText;
    // Page count and copy number for the [TotalPages#] and [CopyName#] markers.
    int TotalPagesValue = 0;
    int CopyNumber = 0;
    // Scale of the page on the printed sheet, handed over with the page count while printing
    // (1 otherwise); the text layout sizes printer fonts with it.
    long double PrintScale = 1;

    void BeforePrint() override;
    void AfterPrint() override;
    QString ShownText() const override { return Text(); }
    void Assign(const TfrxComponent* source) override;
    QByteArray DifferenceText(const TfrxComponent* source) override;

    // --- evaluation (frxExpression.cpp) ---
    // The data step: substitutes the bracketed expressions, sets the script's "Value", the
    // highlight and the blanking of repeated texts.
    void EvaluateContent() override;
    // One bracketed part's inner text (with an optional " #" format) -> its text.
    QString EvaluateAndFormat(const QString& expression);
    // A value as text under a display format.
    QString FormatValue(const Variant& value, const TfrxFormat* format) const;
    // --- end of evaluation ---

    // Measuring and drawing (frxClass_memo.cpp).
    void ComputeDeviceRect(double scaleX, double scaleY, double offsetX, double offsetY) override;
    void Draw(platform::Canvas* canvas, double scaleX, double scaleY, double offsetX,
              double offsetY) override;
    long double CalcHeight() override;
    virtual long double CalcWidth();
    // Text rectangle of the last ComputeDeviceRect, device pixels (right, bottom exclusive).
    QRect TextRect() const { return m_textRect; }

protected:
    QRect m_textRect;

private:
    QStringList m_memo;
    bool m_allowExpressions = true;
    QString m_expressionDelimiters = QStringLiteral("[,]");
    std::unique_ptr<TfrxFormat> m_displayFormat;
    bool m_hideZeros = false;
    bool m_suppressRepeated = false;
    std::unique_ptr<TfrxHighlight> m_highlight;
    frxClass::TfrxHAlign m_hAlign = frxClass::haLeft;
    frxClass::TfrxVAlign m_vAlign = frxClass::vaTop;
    long double m_gapX = 2, m_gapY = 1, m_lineSpacing = 2, m_charSpacing = 0, m_paragraphGap = 0;
    bool m_autoWidth = false;
    bool m_wordWrap = true;
    bool m_wordBreak = false;
    bool m_clipped = true;
    bool m_wysiwyg = true;
    bool m_allowHTMLTags = false;
    int m_rotation = 0;
    bool m_rtlReading = false;
    bool m_underlines = false;
    bool m_firstParaBreak = false;
    bool m_lastParaBreak = false;
    QPointer<TfrxCustomMemoView> m_flowTo;
    QString m_style;
};

// The text object of templates.
class TfrxMemoView : public TfrxCustomMemoView {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxMemoView(QObject* owner = nullptr);
};

// The text object of a dot-matrix page. Its printer styles (bold, italic, condensed and the
// like, a set of flags) are kept with the object; on a page it draws as a text object.
class TfrxDMPMemoView : public TfrxCustomMemoView {
    Q_OBJECT
    Q_CLASSINFO("default:FontStyle", "0")
    Q_PROPERTY(int FontStyle READ FontStyle WRITE SetFontStyle)
public:
    Q_INVOKABLE explicit TfrxDMPMemoView(QObject* owner = nullptr);
    int FontStyle() const { return m_fontStyle; }
    void SetFontStyle(int v) { m_fontStyle = v; }

private:
    int m_fontStyle = 0;
};

// A horizontal strip of a page holding objects.
class TfrxBand : public TfrxReportComponent {
    Q_OBJECT
    Q_CLASSINFO("default:AllowSplit", "false")
    Q_CLASSINFO("default:KeepChild", "false")
    Q_CLASSINFO("default:PrintChildIfInvisible", "false")
    Q_CLASSINFO("default:StartNewPage", "false")
    Q_CLASSINFO("default:Stretched", "false")
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(QString OnAfterCalcHeight READ OnAfterCalcHeight WRITE SetOnAfterCalcHeight)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
public:
    Q_INVOKABLE explicit TfrxBand(QObject* owner = nullptr);

    bool AllowSplit() const { return m_allowSplit; }
    void SetAllowSplit(bool v) { m_allowSplit = v; }
    bool KeepChild() const { return m_keepChild; }
    void SetKeepChild(bool v) { m_keepChild = v; }
    QString OnAfterCalcHeight() const { return m_onAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString& v) { m_onAfterCalcHeight = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString& v) { m_onAfterPrint = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString& v) { m_onBeforePrint = v; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString& v) { m_outlineText = v; }
    bool PrintChildIfInvisible() const { return m_printChildIfInvisible; }
    void SetPrintChildIfInvisible(bool v) { m_printChildIfInvisible = v; }
    bool StartNewPage() const { return m_startNewPage; }
    void SetStartNewPage(bool v) { m_startNewPage = v; }
    bool Stretched() const { return m_stretched; }
    void SetStretched(bool v) { m_stretched = v; }

    // A band shows only its objects.
    void Draw(platform::Canvas*, double, double, double, double) override {}

    // Lists `objects` among the band's objects without taking them over: their parent stays
    // and the band never frees them. ReturnBorrowed drops them from the list again.
    void BorrowObjects(const QList<TfrxComponent*>& objects);
    void ReturnBorrowed();
    QByteArray DifferenceText(const TfrxComponent* source) override;

private:
    bool m_allowSplit = false;
    bool m_keepChild = false;
    QString m_onAfterCalcHeight, m_onAfterPrint, m_onBeforePrint, m_outlineText;
    bool m_printChildIfInvisible = false;
    bool m_startNewPage = false;
    bool m_stretched = false;
};

// The invisible band through which the engine outputs objects placed directly on a page.
class TfrxNullBand : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxNullBand(QObject* owner = nullptr);
};

// The bands of a report page. The engine prints a report title once at the start, a page
// header at the top and a page footer at the bottom of every page, a master data band once per
// record of its data set (or RowCount times) with its header above and its footer below, and a
// report summary at the end. The other band classes exist so that templates using them load;
// the engine refuses to prepare them with an error that names the band.

class TfrxReportTitle : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxReportTitle(QObject* owner = nullptr);
};

class TfrxReportSummary : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxReportSummary(QObject* owner = nullptr);
};

class TfrxPageHeader : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnFirstPage", "true")
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
public:
    Q_INVOKABLE explicit TfrxPageHeader(QObject* owner = nullptr);
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }

private:
    bool m_printOnFirstPage = true;
};

class TfrxPageFooter : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnFirstPage", "true")
    Q_CLASSINFO("default:PrintOnLastPage", "true")
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool PrintOnLastPage READ PrintOnLastPage WRITE SetPrintOnLastPage)
public:
    Q_INVOKABLE explicit TfrxPageFooter(QObject* owner = nullptr);
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }
    bool PrintOnLastPage() const { return m_printOnLastPage; }
    void SetPrintOnLastPage(bool v) { m_printOnLastPage = v; }

private:
    bool m_printOnFirstPage = true;
    bool m_printOnLastPage = true;
};

// A page's background, or with PrintOnTop its foreground; takes no room.
class TfrxOverlay : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnTop", "false")
    Q_PROPERTY(bool PrintOnTop READ PrintOnTop WRITE SetPrintOnTop)
public:
    Q_INVOKABLE explicit TfrxOverlay(QObject* owner = nullptr);
    bool PrintOnTop() const { return m_printOnTop; }
    void SetPrintOnTop(bool v) { m_printOnTop = v; }

private:
    bool m_printOnTop = false;
};

// Column headings of a data band: printed before its first record, and again at the top of
// every following page when ReprintOnNewPage is set.
class TfrxHeader : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:ReprintOnNewPage", "false")
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
public:
    Q_INVOKABLE explicit TfrxHeader(QObject* owner = nullptr);
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }

private:
    bool m_reprintOnNewPage = false;
};

// Printed after the last record of a data band.
class TfrxFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxFooter(QObject* owner = nullptr);
};

// A band printed once per record of its data set, or RowCount times without one.
class TfrxDataBand : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:ColumnsCount", "0")
    Q_CLASSINFO("default:KeepTogether", "false")
    Q_CLASSINFO("default:PrintIfDetailEmpty", "false")
    Q_CLASSINFO("default:RowCount", "0")
    Q_PROPERTY(int ColumnsCount READ ColumnsCount WRITE SetColumnsCount)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(bool PrintIfDetailEmpty READ PrintIfDetailEmpty WRITE SetPrintIfDetailEmpty)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
public:
    Q_INVOKABLE explicit TfrxDataBand(QObject* owner = nullptr);
    int ColumnsCount() const { return m_columnsCount; }
    void SetColumnsCount(int v) { m_columnsCount = v; }
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    bool KeepTogether() const { return m_keepTogether; }
    void SetKeepTogether(bool v) { m_keepTogether = v; }
    bool PrintIfDetailEmpty() const { return m_printIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool v) { m_printIfDetailEmpty = v; }
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int v) { m_rowCount = v; }

private:
    int m_columnsCount = 0;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    bool m_keepTogether = false;
    bool m_printIfDetailEmpty = false;
    int m_rowCount = 0;
};

class TfrxMasterData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxMasterData(QObject* owner = nullptr);
};

// Not prepared yet (see the band comment above).
class TfrxDetailData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDetailData(QObject* owner = nullptr);
};

class TfrxSubdetailData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxSubdetailData(QObject* owner = nullptr);
};

class TfrxGroupHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
public:
    Q_INVOKABLE explicit TfrxGroupHeader(QObject* owner = nullptr);
    QString Condition() const { return m_condition; }
    void SetCondition(const QString& v) { m_condition = v; }

private:
    QString m_condition;
};

class TfrxGroupFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxGroupFooter(QObject* owner = nullptr);
};

class TfrxColumnHeader : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxColumnHeader(QObject* owner = nullptr);
};

class TfrxColumnFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxColumnFooter(QObject* owner = nullptr);
};

class TfrxChild : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxChild(QObject* owner = nullptr);
};

// A place on a band where another report page is printed (not prepared yet).
class TfrxSubreport : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(QString PageName READ PageName WRITE SetPageName)
public:
    Q_INVOKABLE explicit TfrxSubreport(QObject* owner = nullptr);
    QString PageName() const { return m_pageName; }
    void SetPageName(const QString& v) { m_pageName = v; }

private:
    QString m_pageName;
};

// Any page of a report.
class TfrxPage : public TfrxComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxPage(QObject* owner = nullptr);

protected:
    bool Publishes(const char* propertyName) const override;
};

// A printable page with paper, margins and objects.
class TfrxReportPage : public TfrxPage {
    Q_OBJECT
    Q_CLASSINFO("default:Orientation", "poPortrait")
    Q_CLASSINFO("default:Bin", "7")
    Q_CLASSINFO("default:BinOtherPages", "7")
    Q_CLASSINFO("default:Columns", "0")
    Q_CLASSINFO("default:Duplex", "dmNone")
    Q_CLASSINFO("default:Color", "536870911")
    Q_CLASSINFO("default:EndlessHeight", "false")
    Q_CLASSINFO("default:EndlessWidth", "false")
    Q_CLASSINFO("default:LargeDesignHeight", "false")
    Q_CLASSINFO("default:MirrorMargins", "false")
    Q_CLASSINFO("default:PrintIfEmpty", "true")
    Q_CLASSINFO("default:PrintOnPreviousPage", "false")
    Q_CLASSINFO("default:ResetPageNumbers", "false")
    Q_CLASSINFO("default:TitleBeforeHeader", "true")
    // Orientation comes before the sizes and margins, and the sizes before the paper code:
    // properties are read back in this order, and each setter depends on the ones before.
    Q_PROPERTY(frxPrinter::TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(double PaperWidth READ PaperWidth WRITE SetPaperWidth)
    Q_PROPERTY(double PaperHeight READ PaperHeight WRITE SetPaperHeight)
    Q_PROPERTY(int PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(double LeftMargin READ LeftMargin WRITE SetLeftMargin)
    Q_PROPERTY(double RightMargin READ RightMargin WRITE SetRightMargin)
    Q_PROPERTY(double TopMargin READ TopMargin WRITE SetTopMargin)
    Q_PROPERTY(double BottomMargin READ BottomMargin WRITE SetBottomMargin)
    Q_PROPERTY(bool MirrorMargins READ MirrorMargins WRITE SetMirrorMargins)
    Q_PROPERTY(int Bin READ Bin WRITE SetBin)
    Q_PROPERTY(int BinOtherPages READ BinOtherPages WRITE SetBinOtherPages)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidth WRITE SetColumnWidth)
    Q_PROPERTY(QStringList ColumnPositions READ ColumnPositions WRITE SetColumnPositions)
    Q_PROPERTY(frxClass::TfrxDuplexMode Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(bool PrintOnPreviousPage READ PrintOnPreviousPage WRITE SetPrintOnPreviousPage)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool TitleBeforeHeader READ TitleBeforeHeader WRITE SetTitleBeforeHeader)
    Q_PROPERTY(bool EndlessHeight READ EndlessHeight WRITE SetEndlessHeight)
    Q_PROPERTY(bool EndlessWidth READ EndlessWidth WRITE SetEndlessWidth)
    Q_PROPERTY(bool LargeDesignHeight READ LargeDesignHeight WRITE SetLargeDesignHeight)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TfrxFrame* Frame READ Frame)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(QStringList HGuides READ HGuides WRITE SetHGuides)
    Q_PROPERTY(QStringList VGuides READ VGuides WRITE SetVGuides)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnManualBuild READ OnManualBuild WRITE SetOnManualBuild)
public:
    Q_INVOKABLE explicit TfrxReportPage(QObject* owner = nullptr);
    ~TfrxReportPage() override;

    // Paper code (9 = A4, 256 and above a user size). Below 256 the size comes from the paper
    // table, swapped for landscape; an unknown code keeps the size.
    int PaperSize() const { return m_paperSize; }
    void SetPaperSize(int code);
    // mm, in the current orientation; rounded to 8 decimals, and the paper becomes a user size.
    long double PaperWidth() const { return m_paperWidth; }
    void SetPaperWidth(long double mm);
    long double PaperHeight() const { return m_paperHeight; }
    void SetPaperHeight(long double mm);
    // Swaps the paper sides and turns the margins with the sheet.
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation o);

    long double LeftMargin() const { return m_leftMargin; } // mm
    void SetLeftMargin(long double v) { m_leftMargin = v; }
    long double RightMargin() const { return m_rightMargin; }
    void SetRightMargin(long double v) { m_rightMargin = v; }
    long double TopMargin() const { return m_topMargin; }
    void SetTopMargin(long double v) { m_topMargin = v; }
    long double BottomMargin() const { return m_bottomMargin; }
    void SetBottomMargin(long double v) { m_bottomMargin = v; }
    bool MirrorMargins() const { return m_mirrorMargins; }
    void SetMirrorMargins(bool v) { m_mirrorMargins = v; }
    int Bin() const { return m_bin; }
    void SetBin(int v) { m_bin = v; }
    int BinOtherPages() const { return m_binOtherPages; }
    void SetBinOtherPages(int v) { m_binOtherPages = v; }
    int Columns() const { return m_columns; }
    void SetColumns(int v) { m_columns = v; }
    long double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(long double v) { m_columnWidth = v; }
    QStringList ColumnPositions() const { return m_columnPositions; }
    void SetColumnPositions(const QStringList& v) { m_columnPositions = v; }
    frxClass::TfrxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(frxClass::TfrxDuplexMode v) { m_duplex = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    bool PrintOnPreviousPage() const { return m_printOnPreviousPage; }
    void SetPrintOnPreviousPage(bool v) { m_printOnPreviousPage = v; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool v) { m_resetPageNumbers = v; }
    bool TitleBeforeHeader() const { return m_titleBeforeHeader; }
    void SetTitleBeforeHeader(bool v) { m_titleBeforeHeader = v; }
    bool EndlessHeight() const { return m_endlessHeight; }
    void SetEndlessHeight(bool v) { m_endlessHeight = v; }
    bool EndlessWidth() const { return m_endlessWidth; }
    void SetEndlessWidth(bool v) { m_endlessWidth = v; }
    bool LargeDesignHeight() const { return m_largeDesignHeight; }
    void SetLargeDesignHeight(bool v) { m_largeDesignHeight = v; }
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    TfrxFrame* Frame() const { return m_frame.get(); }
    // The background picture as the bytes of a picture file (PNG, JPEG, BMP...); empty: none.
    // Stored with the page's binary data.
    const QByteArray& BackPicture() const { return m_backPicture; }
    void SetBackPicture(const QByteArray& v);
    // Draws the background picture stretched over the printable area of the page drawn at
    // the scales and offsets (pixels; the offsets are the paper's corner).
    void DrawBackground(platform::Canvas* canvas, long double scaleX, long double scaleY,
                        long double offsetX, long double offsetY) const;
    void Assign(const TfrxComponent* source) override;
    void WriteBinaryProperties(QDataStream& out) const override;
    bool ReadBinaryProperties(QDataStream& in) override;
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString& v) { m_outlineText = v; }
    QStringList HGuides() const { return m_hGuides; }
    void SetHGuides(const QStringList& v) { m_hGuides = v; }
    QStringList VGuides() const { return m_vGuides; }
    void SetVGuides(const QStringList& v) { m_vGuides = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString& v) { m_onBeforePrint = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString& v) { m_onAfterPrint = v; }
    QString OnManualBuild() const { return m_onManualBuild; }
    void SetOnManualBuild(const QString& v) { m_onManualBuild = v; }

    // For pages created interactively: 10 mm margins and the current printer's default sheet.
    virtual void ApplyPrinterDefaults();
    // Width and height from the paper less the margins, then the children by their Align and
    // the bands across the page width.
    void LayOutChildren() override;

private:
    int m_paperSize = DMPAPER_A4;
    long double m_paperWidth = 210, m_paperHeight = 297;
    TPrinterOrientation m_orientation = poPortrait;
    long double m_leftMargin = 0, m_rightMargin = 0, m_topMargin = 0, m_bottomMargin = 0;
    bool m_mirrorMargins = false;
    int m_bin = DMBIN_AUTO, m_binOtherPages = DMBIN_AUTO;
    int m_columns = 0;
    long double m_columnWidth = 0;
    QStringList m_columnPositions;
    frxClass::TfrxDuplexMode m_duplex = frxClass::dmNone;
    bool m_printIfEmpty = true;
    bool m_printOnPreviousPage = false;
    bool m_resetPageNumbers = false;
    bool m_titleBeforeHeader = true;
    bool m_endlessHeight = false, m_endlessWidth = false, m_largeDesignHeight = false;
    frxClass::TColor m_color = frxClass::clTransparent;
    QByteArray m_backPicture;
    mutable QImage m_backImage; // m_backPicture decoded, on first draw
    mutable bool m_backDecoded = false;
    std::unique_ptr<TfrxFrame> m_frame;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    QString m_outlineText;
    QStringList m_hGuides, m_vGuides;
    QString m_onBeforePrint, m_onAfterPrint, m_onManualBuild;
};

// A page of a dot-matrix report, as prepared report files from such reports hold it: a report
// page whose objects are dot-matrix texts.
class TfrxDMPPage : public TfrxReportPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDMPPage(QObject* owner = nullptr);
};

// Holder of data components; 1000 x 1000 px.
class TfrxDataPage : public TfrxPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDataPage(QObject* owner = nullptr);

protected:
    bool Publishes(const char* propertyName) const override;
};

// A page of dialog controls. Objects on it have no absolute position beyond the page.
class TfrxDialogPage : public TfrxPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDialogPage(QObject* owner = nullptr);
};

// A source of data records, known to objects by its user name.
// Expressions reach its fields as DataSet."Field". The engine walks it record by record:
// Initialize, First, Next until Eof, Finalize. This base class is a set without records;
// report/frxDataSets has the ones a program fills.
class TfrxDataSet : public TfrxComponent {
    Q_OBJECT
    Q_PROPERTY(QString UserName READ UserName WRITE SetUserName)
public:
    Q_INVOKABLE explicit TfrxDataSet(QObject* owner = nullptr);
    ~TfrxDataSet() override;
    QString UserName() const { return m_userName; }
    void SetUserName(const QString& v) { m_userName = v; }

    // Before and after a preparation that uses the set.
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void First() { m_recNo = 0; }
    virtual void Next() { ++m_recNo; }
    bool Eof() const { return m_recNo >= RecordCount(); }
    int RecNo() const { return m_recNo; }
    virtual int RecordCount() const { return 0; }
    virtual QStringList FieldNames() const { return {}; }
    // The current record's value of `field` (names compare without case) and the field's
    // kind (Integer, Float, String, Boolean, DateTime); false when the set has no such field.
    virtual bool FieldValue(const QString& field, Variant& value, Variant::Type& kind) const;

    // Every data set of the process that belongs to no report tree: the ones a program made.
    static QList<TfrxDataSet*> ProgramDataSets();

protected:
    int m_recNo = 0;

private:
    QString m_userName;
};

// Preparation options.
class TfrxEngineOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:ConvertNulls", "true")
    Q_CLASSINFO("default:DoublePass", "false")
    Q_CLASSINFO("default:MaxMemSize", "10")
    Q_CLASSINFO("default:PrintIfEmpty", "true")
    Q_CLASSINFO("default:NewSilentMode", "simMessageBoxes")
    Q_CLASSINFO("default:UseFileCache", "false")
    Q_PROPERTY(bool ConvertNulls READ ConvertNulls WRITE SetConvertNulls)
    Q_PROPERTY(bool DoublePass READ DoublePass WRITE SetDoublePass)
    Q_PROPERTY(int MaxMemSize READ MaxMemSize WRITE SetMaxMemSize)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(frxClass::TfrxSilentMode NewSilentMode READ NewSilentMode WRITE SetNewSilentMode)
    Q_PROPERTY(bool SilentMode READ SilentMode WRITE SetSilentMode STORED false)
    Q_PROPERTY(QString TempDir READ TempDir WRITE SetTempDir)
    Q_PROPERTY(bool UseFileCache READ UseFileCache WRITE SetUseFileCache)
public:
    explicit TfrxEngineOptions(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    // Back to the defaults.
    void Clear();

    bool ConvertNulls() const { return m_convertNulls; }
    void SetConvertNulls(bool v) { m_convertNulls = v; }
    bool DoublePass() const { return m_doublePass; }
    void SetDoublePass(bool v) { m_doublePass = v; }
    int MaxMemSize() const { return m_maxMemSize; }
    void SetMaxMemSize(int v) { m_maxMemSize = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    frxClass::TfrxSilentMode NewSilentMode() const { return m_newSilentMode; }
    void SetNewSilentMode(frxClass::TfrxSilentMode v) { m_newSilentMode = v; }
    // A boolean view of NewSilentMode: silent or not.
    bool SilentMode() const { return m_newSilentMode == frxClass::simSilent; }
    void SetSilentMode(bool v) { m_newSilentMode = v ? frxClass::simSilent : frxClass::simMessageBoxes; }
    QString TempDir() const { return m_tempDir; }
    void SetTempDir(const QString& v) { m_tempDir = v; }
    bool UseFileCache() const { return m_useFileCache; }
    void SetUseFileCache(bool v) { m_useFileCache = v; }
    // Not published.
    bool EnableThreadSafe = false;
    bool DestroyForms = true;

private:
    bool m_convertNulls = true;
    bool m_doublePass = false;
    int m_maxMemSize = 10;
    bool m_printIfEmpty = true;
    frxClass::TfrxSilentMode m_newSilentMode = frxClass::simMessageBoxes;
    QString m_tempDir;
    bool m_useFileCache = false;
};

// Options of the preview window.
class TfrxPreviewOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:AllowEdit", "true")
    Q_CLASSINFO("default:DoubleBuffered", "true")
    Q_CLASSINFO("default:Maximized", "true")
    Q_CLASSINFO("default:MDIChild", "false")
    Q_CLASSINFO("default:Modal", "true")
    Q_CLASSINFO("default:OutlineExpand", "true")
    Q_CLASSINFO("default:OutlineVisible", "false")
    Q_CLASSINFO("default:OutlineWidth", "120")
    Q_CLASSINFO("default:PagesInCache", "50")
    Q_CLASSINFO("default:ShowCaptions", "false")
    Q_CLASSINFO("default:ThumbnailVisible", "false")
    Q_CLASSINFO("default:ZoomMode", "zmDefault")
    Q_PROPERTY(bool AllowEdit READ AllowEdit WRITE SetAllowEdit)
    Q_PROPERTY(frxClass::TfrxPreviewButtons Buttons READ Buttons WRITE SetButtons)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
    Q_PROPERTY(bool Maximized READ Maximized WRITE SetMaximized)
    Q_PROPERTY(bool MDIChild READ MDIChild WRITE SetMDIChild)
    Q_PROPERTY(bool Modal READ Modal WRITE SetModal)
    Q_PROPERTY(bool OutlineExpand READ OutlineExpand WRITE SetOutlineExpand)
    Q_PROPERTY(bool OutlineVisible READ OutlineVisible WRITE SetOutlineVisible)
    Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
    Q_PROPERTY(int PagesInCache READ PagesInCache WRITE SetPagesInCache)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(bool ThumbnailVisible READ ThumbnailVisible WRITE SetThumbnailVisible)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(frxClass::TfrxZoomMode ZoomMode READ ZoomMode WRITE SetZoomMode)
public:
    explicit TfrxPreviewOptions(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    void Clear();

    bool AllowEdit() const { return m_allowEdit; }
    void SetAllowEdit(bool v) { m_allowEdit = v; }
    frxClass::TfrxPreviewButtons Buttons() const { return m_buttons; }
    void SetButtons(frxClass::TfrxPreviewButtons v) { m_buttons = v; }
    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool v) { m_doubleBuffered = v; }
    bool Maximized() const { return m_maximized; }
    void SetMaximized(bool v) { m_maximized = v; }
    bool MDIChild() const { return m_mdiChild; }
    void SetMDIChild(bool v) { m_mdiChild = v; }
    bool Modal() const { return m_modal; }
    void SetModal(bool v) { m_modal = v; }
    bool OutlineExpand() const { return m_outlineExpand; }
    void SetOutlineExpand(bool v) { m_outlineExpand = v; }
    bool OutlineVisible() const { return m_outlineVisible; }
    void SetOutlineVisible(bool v) { m_outlineVisible = v; }
    int OutlineWidth() const { return m_outlineWidth; }
    void SetOutlineWidth(int v) { m_outlineWidth = v; }
    int PagesInCache() const { return m_pagesInCache; }
    void SetPagesInCache(int v) { m_pagesInCache = v; }
    bool ShowCaptions() const { return m_showCaptions; }
    void SetShowCaptions(bool v) { m_showCaptions = v; }
    bool ThumbnailVisible() const { return m_thumbnailVisible; }
    void SetThumbnailVisible(bool v) { m_thumbnailVisible = v; }
    long double Zoom() const { return m_zoom; }
    void SetZoom(long double v) { m_zoom = v; }
    frxClass::TfrxZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(frxClass::TfrxZoomMode v) { m_zoomMode = v; }

private:
    bool m_allowEdit = true;
    frxClass::TfrxPreviewButtons m_buttons = frxClass::TfrxPreviewButtons(frxDefaultPreviewButtons);
    bool m_doubleBuffered = true;
    bool m_maximized = true;
    bool m_mdiChild = false;
    bool m_modal = true;
    bool m_outlineExpand = true;
    bool m_outlineVisible = false;
    int m_outlineWidth = 120;
    int m_pagesInCache = 50;
    bool m_showCaptions = false;
    bool m_thumbnailVisible = false;
    long double m_zoom = 1;
    frxClass::TfrxZoomMode m_zoomMode = frxClass::zmDefault;
};

// The report's print settings, edited by the print dialog.
class TfrxPrintOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Copies", "1")
    Q_CLASSINFO("default:Collate", "true")
    Q_CLASSINFO("default:PrintMode", "pmDefault")
    Q_CLASSINFO("default:PrintPages", "ppAll")
    Q_CLASSINFO("default:Reverse", "false")
    Q_CLASSINFO("default:ShowDialog", "true")
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(QString PageNumbers READ PageNumbers WRITE SetPageNumbers)
    Q_PROPERTY(QString Printer READ Printer WRITE SetPrinter)
    Q_PROPERTY(frxClass::TfrxPrintMode PrintMode READ PrintMode WRITE SetPrintMode)
    Q_PROPERTY(int PrintOnSheet READ PrintOnSheet WRITE SetPrintOnSheet)
    Q_PROPERTY(frxClass::TfrxPrintPages PrintPages READ PrintPages WRITE SetPrintPages)
    Q_PROPERTY(bool Reverse READ Reverse WRITE SetReverse)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)
public:
    explicit TfrxPrintOptions(QObject* owner = nullptr);
    void Clear();

    int Copies() const { return m_copies; }
    void SetCopies(int v) { m_copies = v; }
    bool Collate() const { return m_collate; }
    void SetCollate(bool v) { m_collate = v; }
    QString PageNumbers() const { return m_pageNumbers; }
    void SetPageNumbers(const QString& v) { m_pageNumbers = v; }
    QString Printer() const { return m_printer; }
    void SetPrinter(const QString& v) { m_printer = v; }
    frxClass::TfrxPrintMode PrintMode() const { return m_printMode; }
    void SetPrintMode(frxClass::TfrxPrintMode v) { m_printMode = v; }
    int PrintOnSheet() const { return m_printOnSheet; }
    void SetPrintOnSheet(int v) { m_printOnSheet = v; }
    frxClass::TfrxPrintPages PrintPages() const { return m_printPages; }
    void SetPrintPages(frxClass::TfrxPrintPages v) { m_printPages = v; }
    bool Reverse() const { return m_reverse; }
    void SetReverse(bool v) { m_reverse = v; }
    bool ShowDialog() const { return m_showDialog; }
    void SetShowDialog(bool v) { m_showDialog = v; }

private:
    int m_copies = 1;
    bool m_collate = true;
    QString m_pageNumbers;
    QString m_printer;
    frxClass::TfrxPrintMode m_printMode = frxClass::pmDefault;
    int m_printOnSheet = 0;
    frxClass::TfrxPrintPages m_printPages = frxClass::ppAll;
    bool m_reverse = false;
    bool m_showDialog = true;
};

// Descriptive data of a report.
class TfrxReportOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Compressed", "false")
    Q_PROPERTY(QString Author READ Author WRITE SetAuthor)
    Q_PROPERTY(bool Compressed READ Compressed WRITE SetCompressed)
    Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE SetConnectionName)
    Q_PROPERTY(double CreateDate READ CreateDate WRITE SetCreateDate)
    Q_PROPERTY(QStringList Description READ Description WRITE SetDescription)
    Q_PROPERTY(QString InitString READ InitString WRITE SetInitString)
    Q_PROPERTY(double LastChange READ LastChange WRITE SetLastChange)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(QString VersionBuild READ VersionBuild WRITE SetVersionBuild)
    Q_PROPERTY(QString VersionMajor READ VersionMajor WRITE SetVersionMajor)
    Q_PROPERTY(QString VersionMinor READ VersionMinor WRITE SetVersionMinor)
    Q_PROPERTY(QString VersionRelease READ VersionRelease WRITE SetVersionRelease)
public:
    explicit TfrxReportOptions(QObject* owner = nullptr);
    // Back to the defaults; both dates become now.
    void Clear();

    QString Author() const { return m_author; }
    void SetAuthor(const QString& v) { m_author = v; }
    bool Compressed() const { return m_compressed; }
    void SetCompressed(bool v) { m_compressed = v; }
    QString ConnectionName() const { return m_connectionName; }
    void SetConnectionName(const QString& v) { m_connectionName = v; }
    // Date-times as day counts from 1899-12-30.
    double CreateDate() const { return m_createDate; }
    void SetCreateDate(double v) { m_createDate = v; }
    QStringList Description() const { return m_description; }
    void SetDescription(const QStringList& v) { m_description = v; }
    QString InitString() const { return m_initString; }
    void SetInitString(const QString& v) { m_initString = v; }
    double LastChange() const { return m_lastChange; }
    void SetLastChange(double v) { m_lastChange = v; }
    QString Name() const { return m_name; }
    void SetName(const QString& v) { m_name = v; }
    QString Password() const { return m_password; }
    void SetPassword(const QString& v) { m_password = v; }
    QString VersionBuild() const { return m_versionBuild; }
    void SetVersionBuild(const QString& v) { m_versionBuild = v; }
    QString VersionMajor() const { return m_versionMajor; }
    void SetVersionMajor(const QString& v) { m_versionMajor = v; }
    QString VersionMinor() const { return m_versionMinor; }
    void SetVersionMinor(const QString& v) { m_versionMinor = v; }
    QString VersionRelease() const { return m_versionRelease; }
    void SetVersionRelease(const QString& v) { m_versionRelease = v; }

private:
    QString m_author;
    bool m_compressed = false;
    QString m_connectionName;
    double m_createDate = 0;
    QStringList m_description;
    QString m_initString;
    double m_lastChange = 0;
    QString m_name, m_password;
    QString m_versionBuild, m_versionMajor, m_versionMinor, m_versionRelease;
};

// The report: pages as its children, variables, script, options and the program's callbacks.
class TfrxReport : public TfrxComponent {
    Q_OBJECT
    Q_CLASSINFO("default:OldStyleProgress", "false")
    Q_CLASSINFO("default:ShowProgress", "true")
    Q_CLASSINFO("default:StoreInDFM", "true")
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(QString ParentReport READ ParentReport WRITE SetParentReport)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool DotMatrixReport READ DotMatrixReport WRITE SetDotMatrixReport)
    Q_PROPERTY(TfrxEngineOptions* EngineOptions READ EngineOptions)
    Q_PROPERTY(QString IniFile READ IniFile WRITE SetIniFile)
    Q_PROPERTY(bool OldStyleProgress READ OldStyleProgress WRITE SetOldStyleProgress)
    Q_PROPERTY(TfrxPreviewOptions* PreviewOptions READ PreviewOptions)
    Q_PROPERTY(TfrxPrintOptions* PrintOptions READ PrintOptions)
    Q_PROPERTY(TfrxReportOptions* ReportOptions READ ReportOptions)
    Q_PROPERTY(QString ScriptLanguage READ ScriptLanguage WRITE SetScriptLanguage)
    Q_PROPERTY(QStringList ScriptText READ ScriptText WRITE SetScriptText)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool StoreInDFM READ StoreInDFM WRITE SetStoreInDFM)
    Q_PROPERTY(QString OnRunDialogs READ OnRunDialogs WRITE SetOnRunDialogs)
    Q_PROPERTY(QString OnStartReport READ OnStartReport WRITE SetOnStartReport)
    Q_PROPERTY(QString OnStopReport READ OnStopReport WRITE SetOnStopReport)
public:
    Q_INVOKABLE explicit TfrxReport(QObject* owner = nullptr);
    ~TfrxReport() override;

    // Always "4.3": any assigned value stores "4.3".
    QString Version() const { return QStringLiteral("4.3"); }
    void SetVersion(const QString&) {}
    QString ParentReport() const { return m_parentReport; }
    void SetParentReport(const QString& v) { m_parentReport = v; }
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    bool DotMatrixReport() const { return m_dotMatrixReport; }
    void SetDotMatrixReport(bool v) { m_dotMatrixReport = v; }
    TfrxEngineOptions* EngineOptions() const { return m_engineOptions.get(); }
    QString IniFile() const { return m_iniFile; }
    void SetIniFile(const QString& v) { m_iniFile = v; }
    bool OldStyleProgress() const { return m_oldStyleProgress; }
    void SetOldStyleProgress(bool v) { m_oldStyleProgress = v; }
    TfrxPreviewOptions* PreviewOptions() const { return m_previewOptions.get(); }
    TfrxPrintOptions* PrintOptions() const { return m_printOptions.get(); }
    TfrxReportOptions* ReportOptions() const { return m_reportOptions.get(); }
    QString ScriptLanguage() const { return m_scriptLanguage; }
    void SetScriptLanguage(const QString& v) { m_scriptLanguage = v; }
    QStringList ScriptText() const { return m_scriptText; }
    void SetScriptText(const QStringList& v) { m_scriptText = v; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool v) { m_showProgress = v; }
    bool StoreInDFM() const { return m_storeInDFM; }
    void SetStoreInDFM(bool v) { m_storeInDFM = v; }
    QString OnRunDialogs() const { return m_onRunDialogs; }
    void SetOnRunDialogs(const QString& v) { m_onRunDialogs = v; }
    QString OnStartReport() const { return m_onStartReport; }
    void SetOnStartReport(const QString& v) { m_onStartReport = v; }
    QString OnStopReport() const { return m_onStopReport; }
    void SetOnStopReport(const QString& v) { m_onStopReport = v; }

    // Pages are the children, in template order; a data page counts too.
    int PagesCount() const { return static_cast<int>(Objects().size()); }
    TfrxPage* Pages(int index) const;

    // Report variables, stored in the template as the collection "Variables".
    TfrxVariables& Variables() { return m_variables; }
    const TfrxVariables& Variables() const { return m_variables; }
    // Names of the data sets the report uses ("Datasets") and of its styles ("Style").
    QStringList& Datasets() { return m_datasets; }
    const QStringList& Datasets() const { return m_datasets; }
    QStringList& Styles() { return m_styles; }
    const QStringList& Styles() const { return m_styles; }
    // "Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#",
    // "CopyName#", refilled by Clear.
    const QStringList& BuiltInNames() const { return m_builtInNames; }

    // --- preparation (frxClass_prepare.cpp) ---
    // Prepares the template into the report's store: data-set check, template kept aside and
    // restored, script, engine run. Errors are shown by EngineOptions.NewSilentMode; false when
    // there were any.
    bool Prepare(bool clearLastReport = true);
    // Opens the preview on the report and has the report prepared into it (50 ms later, by the
    // timer, unless OldStyleProgress). Raises when no preview window is installed.
    void ShowReport(bool clearLastReport = true);
    // Opens the preview on the pages prepared so far.
    void ShowPrepared();
    // Called by the store and the print job around a long operation; they fire the progress
    // events, drive the progress window and tell the preview. Nothing at all in thread-safe mode.
    void ProgressStart(TfrxProgressType kind);
    void ProgressStep(TfrxProgressType kind, int progress);
    void ProgressStop(TfrxProgressType kind);
    // The data set of that user name (without case): one in the report's tree, else one the
    // program made; null when none.
    TfrxDataSet* GetDataSet(const QString& userName);
    // --- end of preparation ---

    // Preparation errors: sorted, a text that is already there (in any case) is not added.
    const QStringList& Errors() const { return m_errors; }
    void AddError(const QString& text);
    void ClearErrors() { m_errors.clear(); }

    // Name of the object being evaluated; prefixes error texts.
    QString CurrentObjectName;
    // Set when the user cancels; stops the preparation and printing loops.
    bool Terminated = false;
    // Repeats every 50 ms once enabled; its tick prepares the report. Disabled at start.
    QTimer* Timer() const { return m_timer; }

    // Program callbacks (the worksheet sets only OnGetValue).
    std::function<void(const QString& varName, Variant& value)> OnGetValue;
    std::function<void(TfrxComponent* sender)> OnBeginDoc;
    std::function<void(TfrxComponent* sender)> OnEndDoc;
    std::function<void(TfrxReportComponent* sender)> OnBeforePrint;
    std::function<void(TfrxReportComponent* sender)> OnAfterPrint;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgressStart;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgress;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgressStop;
    std::function<void()> OnPreview;
    // The report's own preview window was closed.
    std::function<void()> OnClosePreview;
    // Printing: before the first page, before each page drawn in the default, scale and split
    // modes (with the copy number), and at the end, also when printing stops with an error.
    std::function<void(TfrxReport* sender)> OnPrintReport;
    std::function<void(TfrxReportPage* page, int copyNo)> OnPrintPage;
    std::function<void(TfrxReport* sender)> OnAfterPrintReport;
    std::function<void(TfrxPage* page)> OnManualBuild;
    // A click on an object of a prepared page in the preview (button and shift state as Qt's
    // values); setting `modified` stores the changed page back.
    std::function<void(TfrxView* view, int button, int shift, bool& modified)> OnClickObject;
    // The mouse over an object of a prepared page.
    std::function<void(TfrxView* view)> OnMouseOverObject;

    // Destroys the pages and sets everything else back to the defaults.
    void Clear() override;
    // Clears, then reads the whole report through the object serializer.
    void LoadFromStream(QIODevice& stream) override;
    void Assign(const TfrxComponent* source) override;

    // Variables, Datasets and Style, kept beside the published properties.
    void WriteBinaryProperties(QDataStream& out) const override;
    bool ReadBinaryProperties(QDataStream& in) override;

    // --- evaluation (frxExpression.cpp) ---
    // The evaluation entry: a name's value, else the expression run through the expression
    // cache with `script` (the report's own when null) as parent. Errors go into Errors and
    // are raised.
    Variant Calc(const QString& expression, TfrxScript* script = nullptr);
    // The name-resolution chain; false when no source knows the name.
    bool ResolveName(const QString& name, Variant& value);
    // The report's script program.
    TfrxScript* Script();
    // Empties the expression cache, names the objects and compiles ScriptText; false (and an
    // entry in Errors) when it does not compile.
    bool PrepareScript();
    // --- end of evaluation ---

    // What the report holds while it is used: evaluation state, text layout object, prepared
    // pages store, engine, links to a preview and a progress window. Made on first use.
    TfrxReportRuntime& Runtime();

protected:
    bool Publishes(const char* propertyName) const override;

private:
    QString m_parentReport;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    bool m_dotMatrixReport = false;
    std::unique_ptr<TfrxEngineOptions> m_engineOptions;
    QString m_iniFile = QStringLiteral("\\Software\\Brindle");
    bool m_oldStyleProgress = false;
    std::unique_ptr<TfrxPreviewOptions> m_previewOptions;
    std::unique_ptr<TfrxPrintOptions> m_printOptions;
    std::unique_ptr<TfrxReportOptions> m_reportOptions;
    QString m_scriptLanguage;
    QStringList m_scriptText;
    bool m_showProgress = true;
    bool m_storeInDFM = true;
    QString m_onRunDialogs, m_onStartReport, m_onStopReport;
    TfrxVariables m_variables;
    QStringList m_datasets, m_styles, m_builtInNames;
    QStringList m_errors;
    QTimer* m_timer = nullptr;
    std::unique_ptr<TfrxReportRuntime> m_runtime;
    // The timer's tick prepares the report (frxClass_prepare.cpp).
    void TimerTick();
    void ShowErrors();
};

// Class registry: creates a component from its class name.
void frxRegisterClass(const QMetaObject* componentClass);
// The registered class of that name (compared without case); null when none.
const QMetaObject* frxFindClass(const QString& className);
// A new component of the named class, owned by `owner` (and its child when the owner is a
// component); null when the class is unknown.
TfrxComponent* frxCreateComponent(const QString& className, QObject* owner = nullptr);

#pragma once
// Components and the objects placed on pages: the tree node, report components, data sets,
// views and text objects.

#include "report/frxClass_types.h"

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

// The model's changes against a source object (the prepared pages store keeps only what
// differs) and the report's collections kept as binary properties.

#include "report/frxClass.h"

#include "platform/GbkCodec.h"
#include "platform/LocaleInfo.h"
#include "xml/frxXML.h"

#include <QDataStream>
#include <QIODevice>

#include <charconv>
#include <cmath>
#include <cstring>

using namespace frxClass;

// ---------------------------------------------------------------------------------------------
// Differences against a source object

namespace {

// Floats count as different above 1e-4 and are written with up to 15 significant digits and
// the locale's decimal separator; booleans as 1 and 0; enumerations and sets as numbers.
// Every class of an object writes into the same text, its base classes first.
class DeltaWriter {
public:
    explicit DeltaWriter(QByteArray& out) : m_out(out) {}

    void Raw(const char* name, QByteArrayView value) {
        m_out += ' ';
        m_out += name;
        m_out += "=\"";
        m_out += value;
        m_out += '"';
    }
    void Int(const char* name, long long v) {
        char digits[24];
        const auto r = std::to_chars(digits, digits + sizeof digits, v);
        Raw(name, QByteArrayView(digits, r.ptr - digits));
    }
    void Float(const char* name, long double v) {
        Raw(name, frx::FloatToText(static_cast<double>(v), platform::DecimalSeparator(), 15).toUtf8());
    }
    void Bool(const char* name, bool v) { Raw(name, v ? "1" : "0"); }
    // Strings other than the text go out in the platform's 8-bit code page.
    void Text(const char* name, const QString& v) { Raw(name, XmlEscape(platform::ToGbk(v))); }

    void IntIf(const char* name, long long a, long long b) {
        if (a != b)
            Int(name, a);
    }
    void FloatIf(const char* name, long double a, long double b) {
        if (std::fabs(a - b) > 0.0001L)
            Float(name, a);
    }
    void BoolIf(const char* name, bool a, bool b) {
        if (a != b)
            Bool(name, a);
    }
    void TextIf(const char* name, const QString& a, const QString& b) {
        if (a != b)
            Text(name, a);
    }

private:
    QByteArray& m_out;
};

struct FrameLineNames {
    const char* color;
    const char* style;
    const char* width;
};

void FrameLineDelta(DeltaWriter& w, const FrameLineNames& names, const TfrxFrameLine& a,
                    const TfrxFrameLine& b) {
    w.IntIf(names.color, a.Color(), b.Color());
    w.IntIf(names.style, a.Style(), b.Style());
    w.FloatIf(names.width, a.Width(), b.Width());
}

// The object a delta is taken against when there is no source object: one default object
// per class, built on first use and kept for the run (never destroyed, so no exit order
// matters).
template <class T>
const T& DefaultOf() {
    static const T* instance = new T;
    return *instance;
}

} // namespace

QByteArray TfrxComponent::DifferenceText(const TfrxComponent* source) {
    const TfrxComponent& src = source ? *source : DefaultOf<TfrxComponent>();
    QByteArray out;
    out.reserve(256); // enough for most objects; the store keeps an exact copy
    DeltaWriter w(out);
    w.FloatIf("l", Left(), src.Left());
    if (qobject_cast<const TfrxBand*>(this))
        w.Float("t", Top());
    else
        w.FloatIf("t", Top(), src.Top());
    const auto* memo = qobject_cast<const TfrxCustomMemoView*>(this);
    if (!(memo && memo->AutoWidth()))
        w.FloatIf("w", Width(), src.Width());
    w.FloatIf("h", Height(), src.Height());
    w.BoolIf("Visible", Visible(), src.Visible());
    if (!ParentFont()) {
        const TfrxFont& f = *Font();
        const TfrxFont& g = *src.Font();
        w.TextIf("Font.Name", f.Name(), g.Name());
        w.IntIf("Font.Size", f.Size(), g.Size());
        w.IntIf("Font.Color", f.Color(), g.Color());
        w.IntIf("Font.Style", f.Style().toInt(), g.Style().toInt());
        w.IntIf("Font.Charset", f.Charset(), g.Charset());
    }
    w.BoolIf("ParentFont", ParentFont(), src.ParentFont());
    w.IntIf("Tag", Tag(), src.Tag());
    return out;
}

QByteArray TfrxView::DifferenceText(const TfrxComponent* source) {
    QByteArray out = TfrxReportComponent::DifferenceText(source);
    const auto* view = qobject_cast<const TfrxView*>(source);
    const TfrxView& src = view ? *view : DefaultOf<TfrxView>();
    DeltaWriter w(out);
    w.IntIf("BrushStyle", BrushStyle(), src.BrushStyle());
    w.IntIf("Align", Align(), src.Align());
    w.IntIf("Color", Color(), src.Color());
    w.IntIf("Cursor", Cursor(), src.Cursor());
    w.BoolIf("Printable", Printable(), src.Printable());
    const TfrxFrame& f = *Frame();
    const TfrxFrame& g = *src.Frame();
    w.IntIf("Frame.Color", f.Color(), g.Color());
    w.BoolIf("Frame.DropShadow", f.DropShadow(), g.DropShadow());
    w.IntIf("Frame.ShadowColor", f.ShadowColor(), g.ShadowColor());
    w.FloatIf("Frame.ShadowWidth", f.ShadowWidth(), g.ShadowWidth());
    w.IntIf("Frame.Style", f.Style(), g.Style());
    w.IntIf("Frame.Typ", f.Typ().toInt(), g.Typ().toInt());
    w.FloatIf("Frame.Width", f.Width(), g.Width());
    FrameLineDelta(w, {"Frame.LeftLine.Color", "Frame.LeftLine.Style", "Frame.LeftLine.Width"},
                   *f.LeftLine(), *g.LeftLine());
    FrameLineDelta(w, {"Frame.TopLine.Color", "Frame.TopLine.Style", "Frame.TopLine.Width"},
                   *f.TopLine(), *g.TopLine());
    FrameLineDelta(w, {"Frame.RightLine.Color", "Frame.RightLine.Style", "Frame.RightLine.Width"},
                   *f.RightLine(), *g.RightLine());
    FrameLineDelta(w,
                   {"Frame.BottomLine.Color", "Frame.BottomLine.Style", "Frame.BottomLine.Width"},
                   *f.BottomLine(), *g.BottomLine());
    w.TextIf("TagStr", TagStr(), src.TagStr());
    w.TextIf("URL", URL(), src.URL());
    return out;
}

QByteArray TfrxCustomMemoView::DifferenceText(const TfrxComponent* source) {
    QByteArray out = TfrxStretcheable::DifferenceText(source);
    const auto* memo = qobject_cast<const TfrxCustomMemoView*>(source);
    const TfrxCustomMemoView& src = memo ? *memo : DefaultOf<TfrxCustomMemoView>();
    DeltaWriter w(out);
    w.BoolIf("AutoWidth", AutoWidth(), src.AutoWidth());
    w.FloatIf("CharSpacing", CharSpacing(), src.CharSpacing());
    w.FloatIf("GapX", GapX(), src.GapX());
    w.FloatIf("GapY", GapY(), src.GapY());
    w.IntIf("HAlign", HAlign(), src.HAlign());
    w.BoolIf("Highlight.Active", Highlight()->Active(), src.Highlight()->Active());
    w.FloatIf("LineSpacing", LineSpacing(), src.LineSpacing());
    w.Raw("u", XmlEscape(m_memo.size() == 1 ? m_memo.first().toUtf8()
                                            : m_memo.join(QLatin1String("\r\n")).toUtf8()));
    w.FloatIf("ParagraphGap", ParagraphGap(), src.ParagraphGap());
    w.IntIf("Rotation", Rotation(), src.Rotation());
    w.BoolIf("RTLReading", RTLReading(), src.RTLReading());
    w.BoolIf("Underlines", Underlines(), src.Underlines());
    w.IntIf("VAlign", VAlign(), src.VAlign());
    w.BoolIf("WordWrap", WordWrap(), src.WordWrap());
    if (m_firstParaBreak)
        w.Raw("FirstParaBreak", "1");
    if (m_lastParaBreak)
        w.Raw("LastParaBreak", "1");
    // The next part of a split text starts where this one stopped.
    m_firstParaBreak = m_lastParaBreak;
    m_lastParaBreak = false;
    return out;
}

QByteArray TfrxBand::DifferenceText(const TfrxComponent* source) {
    return TfrxReportComponent::DifferenceText(source);
}

// ---------------------------------------------------------------------------------------------
// Report collections as binary properties

namespace {

enum class StoredType : qint32 { Empty, Null, Integer, Float, Boolean, DateTime, String };

void WriteVariant(QDataStream& out, const Variant& v) {
    switch (v.type()) {
    case Variant::Type::Empty:
        out << qint32(StoredType::Empty);
        break;
    case Variant::Type::Null:
        out << qint32(StoredType::Null);
        break;
    case Variant::Type::Integer:
        out << qint32(StoredType::Integer) << qint64(v.IntValue());
        break;
    case Variant::Type::Float:
        out << qint32(StoredType::Float) << v.FloatValue();
        break;
    case Variant::Type::Boolean:
        out << qint32(StoredType::Boolean) << v.BoolValue();
        break;
    case Variant::Type::DateTime:
        out << qint32(StoredType::DateTime) << v.FloatValue();
        break;
    case Variant::Type::String:
        out << qint32(StoredType::String) << v.StringValue();
        break;
    }
}

bool ReadVariant(QDataStream& in, Variant& v) {
    qint32 type = 0;
    in >> type;
    switch (static_cast<StoredType>(type)) {
    case StoredType::Empty:
        v = Variant();
        break;
    case StoredType::Null:
        v = Variant::Null();
        break;
    case StoredType::Integer: {
        qint64 i = 0;
        in >> i;
        v = Variant(static_cast<std::int64_t>(i));
        break;
    }
    case StoredType::Float: {
        double d = 0;
        in >> d;
        v = Variant(d);
        break;
    }
    case StoredType::Boolean: {
        bool b = false;
        in >> b;
        v = Variant(b);
        break;
    }
    case StoredType::DateTime: {
        double d = 0;
        in >> d;
        v = Variant::FromDays(d);
        break;
    }
    case StoredType::String: {
        QString s;
        in >> s;
        v = Variant(s);
        break;
    }
    default:
        return false;
    }
    return in.status() == QDataStream::Ok;
}

} // namespace

void TfrxReport::WriteBinaryProperties(QDataStream& out) const {
    if (m_variables.Count() > 0) {
        out << QStringLiteral("Variables") << qint32(m_variables.Count());
        for (int i = 0; i < m_variables.Count(); ++i) {
            out << m_variables.Items(i).Name;
            WriteVariant(out, m_variables.Items(i).Value);
        }
    }
    if (!m_datasets.isEmpty())
        out << QStringLiteral("Datasets") << m_datasets;
    if (!m_styles.isEmpty())
        out << QStringLiteral("Style") << m_styles;
}

bool TfrxReport::ReadBinaryProperties(QDataStream& in) {
    while (!in.atEnd()) {
        QString section;
        in >> section;
        if (in.status() != QDataStream::Ok)
            return false;
        if (section == QLatin1String("Variables")) {
            qint32 count = 0;
            in >> count;
            if (count < 0)
                return false;
            m_variables.Clear();
            for (qint32 i = 0; i < count; ++i) {
                QString name;
                Variant value;
                in >> name;
                if (!ReadVariant(in, value))
                    return false;
                m_variables.Add(name, value);
            }
        } else if (section == QLatin1String("Datasets")) {
            in >> m_datasets;
        } else if (section == QLatin1String("Style")) {
            in >> m_styles;
        } else {
            return false;
        }
        if (in.status() != QDataStream::Ok)
            return false;
    }
    return true;
}


#include "store/frxXMLSerializer.h"

#include "common/TestSupport.h"
#include "report/frxClass.h"
#include "report/frxProps.h"

#include <QBuffer>
#include <QDataStream>
#include <QMetaEnum>

#include <gtest/gtest.h>

#include <random>

using namespace frxClass;

namespace {

// A text object with binary properties, to exercise PropData. No meta-object of its own: it
// is written and read as the text object it extends.
class TestBinaryView : public TfrxMemoView {
public:
    explicit TestBinaryView(QObject* owner = nullptr) : TfrxMemoView(owner) {}
    QByteArray Blob;
    void WriteBinaryProperties(QDataStream& out) const override {
        if (!Blob.isEmpty())
            out << Blob;
    }
    bool ReadBinaryProperties(QDataStream& in) override {
        in >> Blob;
        return in.status() == QDataStream::Ok;
    }
};

// Attribute values of an attribute text, looked up the way readers do.
QByteArray Attr(const QByteArray& attrs, const char* name) {
    TfrxXMLItem item;
    item.SetAttributes(attrs.startsWith(' ') ? attrs.mid(1) : attrs);
    return item.GetAttr(name);
}
bool HasAttr(const QByteArray& attrs, const char* name) {
    return (QByteArray(" ") + attrs).contains(QByteArray(" ") + name + "=\"");
}

// Same class, name, text and stored properties; the first difference is reported.
::testing::AssertionResult SameObject(TfrxComponent* a, TfrxComponent* b) {
    if (!a || !b)
        return ::testing::AssertionFailure() << "missing object";
    if (QByteArray(a->metaObject()->className()) != b->metaObject()->className() ||
        a->Name() != b->Name())
        return ::testing::AssertionFailure()
               << a->metaObject()->className() << " " << a->Name().toStdString() << " vs "
               << b->metaObject()->className() << " " << b->Name().toStdString();
    const QStringList diff = frxProps::Differences(a, b);
    if (!diff.isEmpty())
        return ::testing::AssertionFailure()
               << a->Name().toStdString() << " differs in " << diff.join(QLatin1Char(',')).toStdString();
    auto* ma = qobject_cast<TfrxCustomMemoView*>(a);
    auto* mb = qobject_cast<TfrxCustomMemoView*>(b);
    if (ma && mb && ma->Memo() != mb->Memo())
        return ::testing::AssertionFailure()
               << a->Name().toStdString() << " text " << ma->Text().toStdString() << " vs "
               << mb->Text().toStdString();
    if (a->Objects().size() != b->Objects().size())
        return ::testing::AssertionFailure() << a->Name().toStdString() << " child count";
    for (qsizetype i = 0; i < a->Objects().size(); ++i) {
        auto r = SameObject(a->Objects()[i], b->Objects()[i]);
        if (!r)
            return r;
    }
    return ::testing::AssertionSuccess();
}

QString RandomText(std::mt19937& rng, int maxLen) {
    static const QString chars = QStringLiteral("abcXYZ 0123456789<>&\"';.,+-=[]加减乘除姓名");
    QString s;
    const int len = int(rng() % unsigned(maxLen + 1));
    for (int i = 0; i < len; ++i)
        s.append(chars[int(rng() % unsigned(chars.size()))]);
    return s;
}

// Random values for every stored published property of `obj` and its parts.
void Randomize(QObject* obj, std::mt19937& rng) {
    for (const QMetaProperty& prop : frxProps::Published(obj)) {
        if (!frxProps::IsStored(obj, prop))
            continue;
        switch (frxProps::KindOf(prop)) {
        case frxProps::Kind::Integer:
            if (prop.isWritable())
                frxProps::SetOrd(obj, prop, std::int64_t(rng() % 2000) - 1000);
            break;
        case frxProps::Kind::Bool:
            if (prop.isWritable())
                frxProps::SetOrd(obj, prop, rng() % 2);
            break;
        case frxProps::Kind::Enum: {
            const QMetaEnum e = prop.enumerator();
            if (prop.isWritable() && e.keyCount() > 0)
                frxProps::SetOrd(obj, prop, e.value(int(rng() % unsigned(e.keyCount()))));
            break;
        }
        case frxProps::Kind::Set: {
            const QMetaEnum e = prop.enumerator();
            std::int64_t mask = 0;
            for (int k = 0; k < e.keyCount(); ++k)
                if (rng() % 2)
                    mask |= e.value(k);
            if (prop.isWritable())
                frxProps::SetOrd(obj, prop, mask);
            break;
        }
        case frxProps::Kind::Float:
            if (prop.isWritable())
                frxProps::SetFloat(obj, prop, double(rng() % 1000000) / 97.0);
            break;
        case frxProps::Kind::String:
            // Not empty: without an ancestor an empty string is not written, so a property
            // whose constructor default is not empty would come back with that default.
            if (prop.isWritable())
                frxProps::SetString(obj, prop, QStringLiteral("s") + RandomText(rng, 40));
            break;
        case frxProps::Kind::StringList: {
            QStringList lines;
            const int n = int(rng() % 4);
            for (int i = 0; i < n; ++i)
                lines << QStringLiteral("L") + RandomText(rng, 20);
            if (prop.isWritable())
                frxProps::SetStrings(obj, prop, lines);
            break;
        }
        case frxProps::Kind::Persistent:
            Randomize(frxProps::GetObject(obj, prop), rng);
            break;
        case frxProps::Kind::Reference:
        case frxProps::Kind::Other:
            break;
        }
    }
}

QByteArray WriteToBytes(const TfrxComponent* c) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    TfrxXMLSerializer s(&buf);
    s.WriteTree(c, true);
    return buf.data();
}

QStringList ReadFromBytes(TfrxComponent* c, const QByteArray& bytes) {
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    TfrxXMLSerializer s(&buf);
    s.ReadTree(c);
    return s.Errors();
}

class Serializer : public ::testing::Test {};

} // namespace

TEST_F(Serializer, DefaultsAreLeftOutAndFloatsAlwaysWritten) {
    TfrxMemoView memo;
    TfrxXMLSerializer s;
    QByteArray attrs = s.PropertiesToAttributes(&memo);
    EXPECT_TRUE(attrs.startsWith(' '));
    EXPECT_FALSE(HasAttr(attrs, "HAlign")) << attrs.constData();
    EXPECT_FALSE(HasAttr(attrs, "WordWrap"));
    EXPECT_FALSE(HasAttr(attrs, "Visible"));
    EXPECT_FALSE(HasAttr(attrs, "TagStr")); // empty string
    EXPECT_FALSE(HasAttr(attrs, "Memo"));   // the lines go as Text
    EXPECT_FALSE(HasAttr(attrs, "PropData"));
    EXPECT_EQ(Attr(attrs, "GapX"), "2");
    EXPECT_EQ(Attr(attrs, "Left"), "0");
    EXPECT_TRUE(HasAttr(attrs, "Text"));
    EXPECT_EQ(Attr(attrs, "Text"), "");

    memo.SetHAlign(haRight);
    memo.SetWordWrap(false);
    memo.SetLeft(94.48818897637796L);
    memo.Frame()->SetTyp(ftLeft | ftTop);
    memo.Frame()->LeftLine()->SetWidth(2.5L);
    memo.SetTagStr(QStringLiteral("a<b"));
    memo.SetMemo({QStringLiteral("12 + 3 = 15"), QStringLiteral("姓名")});
    TfrxFont font;
    font.SetName(QStringLiteral("宋体"));
    font.SetStyle(fsBold | fsItalic);
    memo.SetFont(&font);
    attrs = s.PropertiesToAttributes(&memo);
    EXPECT_EQ(Attr(attrs, "HAlign"), "haRight");
    EXPECT_EQ(Attr(attrs, "WordWrap"), "False");
    EXPECT_EQ(Attr(attrs, "Left"), "94.48818897637796");
    EXPECT_EQ(Attr(attrs, "Frame.Typ"), "5");
    EXPECT_EQ(Attr(attrs, "Frame.LeftLine.Width"), "2.5");
    EXPECT_EQ(Attr(attrs, "TagStr"), "a<b");
    EXPECT_TRUE(attrs.contains("TagStr=\"a&#60;b\""));
    EXPECT_EQ(Attr(attrs, "ParentFont"), "False");
    EXPECT_EQ(Attr(attrs, "Font.Name"), platform::Gbk("宋体")); // the platform code page
    EXPECT_EQ(Attr(attrs, "Font.Style"), "3");
    EXPECT_TRUE(attrs.contains("Text=\"12 + 3 = 15&#13;&#10;" + QStringLiteral("姓名").toUtf8() +
                               "\""));
    // Declaration order: base class properties first, Text after the properties.
    EXPECT_LT(attrs.indexOf(" Left="), attrs.indexOf(" HAlign="));
    EXPECT_LT(attrs.indexOf(" HAlign="), attrs.indexOf(" Text="));
}

// A cleared text whose new object holds text is written empty, so it reads back cleared; a
// text that is empty in a new object too stays out.
TEST_F(Serializer, ClearedTextWithTextInANewObjectSurvivesTheRoundTrip) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    auto* memo = new TfrxMemoView(page);
    ASSERT_FALSE(memo->ExpressionDelimiters().isEmpty());
    memo->SetExpressionDelimiters(QString());
    TfrxXMLSerializer s;
    const QByteArray attrs = s.PropertiesToAttributes(memo);
    EXPECT_TRUE(attrs.contains(" ExpressionDelimiters=\"\"")) << attrs.constData();
    EXPECT_FALSE(HasAttr(attrs, "TagStr"));

    TfrxXMLSerializer r;
    TfrxComponent* copy = r.ObjectFromString(page, s.ObjectToString(memo));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<TfrxMemoView*>(copy)->ExpressionDelimiters(), QString());
}

// The same for the strings of an object's parts: a font name cleared in the object's font or
// in its highlight's font (the fuzz target's file read an unquoted font name as empty, and the
// saved file reopened with "Arial").
TEST_F(Serializer, ClearedTextOfAPartSurvivesTheRoundTrip) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    auto* memo = new TfrxMemoView(page);
    ASSERT_FALSE(memo->Highlight()->Font()->Name().isEmpty());
    memo->SetParentFont(false);
    memo->Font()->SetName(QString());
    memo->Highlight()->Font()->SetName(QString());
    TfrxXMLSerializer s;
    const QByteArray attrs = s.PropertiesToAttributes(memo);
    EXPECT_TRUE(attrs.contains(" Font.Name=\"\"")) << attrs.constData();
    EXPECT_TRUE(attrs.contains(" Highlight.Font.Name=\"\"")) << attrs.constData();
    EXPECT_FALSE(HasAttr(attrs, "Highlight.Condition"));

    TfrxXMLSerializer r;
    auto* copy = static_cast<TfrxMemoView*>(r.ObjectFromString(page, s.ObjectToString(memo)));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Font()->Name(), QString());
    EXPECT_EQ(copy->Highlight()->Font()->Name(), QString());
    EXPECT_EQ(s.PropertiesToAttributes(copy), attrs);
}

TEST_F(Serializer, WithAnAncestorOnlyDifferencesAreWritten) {
    TfrxMemoView ancestor, memo;
    ancestor.SetMemo({QStringLiteral("same")});
    memo.SetMemo({QStringLiteral("same")});
    memo.SetGapX(2.0000001L); // within 0.000001: equal
    memo.SetTop(10);
    memo.SetHAlign(haCenter);
    TfrxXMLSerializer s;
    EXPECT_EQ(s.PropertiesToAttributes(&memo, QByteArray(), &ancestor),
              " Top=\"10\" HAlign=\"haCenter\"");

    // An ancestor value is written even when it is the declared default.
    ancestor.SetHAlign(haRight);
    memo.SetHAlign(haLeft);
    memo.SetTop(0);
    memo.SetMemo({QStringLiteral("other")});
    EXPECT_EQ(s.PropertiesToAttributes(&memo, QByteArray(), &ancestor),
              " HAlign=\"haLeft\" Text=\"other\"");
}

TEST_F(Serializer, ReferencesAreWrittenByNameAndNilAgainstAnAncestor) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    auto* a = new TfrxMemoView(page);
    auto* b = new TfrxMemoView(page);
    a->SetName(QStringLiteral("MemoA"));
    b->SetName(QStringLiteral("MemoB"));
    a->SetFlowTo(b);
    TfrxXMLSerializer s;
    EXPECT_EQ(Attr(s.PropertiesToAttributes(a), "FlowTo"), "MemoB");
    EXPECT_FALSE(HasAttr(s.PropertiesToAttributes(b), "FlowTo"));
    EXPECT_EQ(Attr(s.PropertiesToAttributes(b, QByteArray(), a), "FlowTo"), "nil");
}

TEST_F(Serializer, ReportStringListsGoAsText) {
    TfrxReport report;
    TfrxXMLSerializer s;
    const QByteArray attrs = s.PropertiesToAttributes(&report);
    EXPECT_TRUE(attrs.contains(" ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\""))
        << attrs.constData();
    EXPECT_EQ(Attr(attrs, "Version"), "4.3");
}

TEST_F(Serializer, AttributesSetPropertiesAndCollectErrors) {
    TfrxMemoView memo;
    memo.SetName(QStringLiteral("Keep"));
    TfrxXMLSerializer s;
    s.AttributesToProperties(
        "Name=\"Other\" l=\"1,5\" t=\" 2 .25\" w=\"100\" h=\"20\" HAlign=\"HARIGHT\" VAlign=\"2\" "
        "WordWrap=\"False\" Rotation=\"abc\" GapX=\"x1\" Frame.Typ=\"12\" "
        "Frame.LeftLine.Width=\"3,5\" Font.Name=\"" +
            platform::Gbk("宋体") +
            "\" Frame.Nothing.Width=\"1\" NoSuchProperty=\"1\" HAlign=\"haNowhere\" "
            "TagStr=\"a&#60;b&quot;\" ParentFont=\"False\" Rotation=\"abc\" ShiftMode=\"14\" "
            "Frame.Typ=\"16\"",
        &memo);
    EXPECT_EQ(memo.Name(), QStringLiteral("Keep"));
    EXPECT_DOUBLE_EQ(double(memo.Left()), 1.5);
    EXPECT_DOUBLE_EQ(double(memo.Top()), 2.25);
    EXPECT_DOUBLE_EQ(double(memo.Width()), 100);
    EXPECT_DOUBLE_EQ(double(memo.Height()), 20);
    EXPECT_EQ(memo.HAlign(), haRight);
    EXPECT_EQ(memo.VAlign(), vaCenter);
    EXPECT_FALSE(memo.WordWrap());
    EXPECT_EQ(memo.Frame()->Typ(), ftTop | ftBottom); // 16 is no set of frame lines
    EXPECT_EQ(memo.ShiftMode(), smAlways);             // 14 is no shift mode
    EXPECT_DOUBLE_EQ(double(memo.Frame()->LeftLine()->Width()), 3.5);
    EXPECT_EQ(memo.Font()->Name(), QStringLiteral("宋体"));
    EXPECT_EQ(memo.TagStr(), QStringLiteral("a<b\""));
    EXPECT_EQ(s.Errors(), QStringList({QStringLiteral("'abc' is not a valid integer value"),
                                       QStringLiteral("'x1' is not a valid floating point value"),
                                       QStringLiteral("Invalid property value")}));
}

TEST_F(Serializer, TextAttributesOfTextObjects) {
    const struct {
        const char* name;
        QByteArray attrs;
        QStringList lines;
    } cases[] = {
        {"u is UTF-8", "u=\"" + QStringLiteral("姓名&#13;&#10;x").toUtf8() + "\"",
         {QStringLiteral("姓名"), QStringLiteral("x")}},
        {"x is the platform code page", "x=\"" + platform::Gbk("班级") + "\"",
         {QStringLiteral("班级")}},
        {"Text is UTF-8", "Text=\"a&#10;b&quot;\"", {QStringLiteral("a"), QStringLiteral("b\"")}},
        {"empty u empties", "u=\"\"", {}},
    };
    for (const auto& c : cases) {
        TfrxMemoView memo;
        memo.SetMemo({QStringLiteral("old")});
        TfrxXMLSerializer s;
        s.AttributesToProperties(c.attrs, &memo);
        EXPECT_EQ(memo.Memo(), c.lines) << c.name;
        EXPECT_TRUE(s.Errors().isEmpty()) << c.name;
    }
}

TEST_F(Serializer, ErrorListIsSortedWithoutDuplicates) {
    TfrxXMLSerializer s;
    s.AddError(QStringLiteral("b"));
    s.AddError(QStringLiteral("C"));
    s.AddError(QStringLiteral("a"));
    s.AddError(QStringLiteral("B"));
    EXPECT_EQ(s.Errors(), QStringList({QStringLiteral("a"), QStringLiteral("b"),
                                       QStringLiteral("C")}));
}

TEST_F(Serializer, ObjectStringRoundTrip) {
    std::mt19937 rng(3);
    for (int i = 0; i < 30; ++i) {
        TfrxReport report;
        auto* page = new TfrxReportPage(&report);
        auto* memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        Randomize(memo, rng);
        memo->SetMemo({RandomText(rng, 30), QStringLiteral("x") + RandomText(rng, 30)});
        TfrxXMLSerializer s;
        const QByteArray text = s.ObjectToString(memo);
        ASSERT_TRUE(text.startsWith("TfrxMemoView ")) << text.constData();

        TfrxReport other;
        auto* otherPage = new TfrxReportPage(&other);
        TfrxXMLSerializer r;
        TfrxComponent* copy = r.ObjectFromString(otherPage, "  " + text + " ");
        ASSERT_NE(copy, nullptr);
        EXPECT_FALSE(copy->IsLoading());
        EXPECT_EQ(copy->Parent(), otherPage);
        copy->SetName(QStringLiteral("Memo1"));
        EXPECT_TRUE(SameObject(memo, copy)) << text.constData();
        EXPECT_TRUE(r.Errors().isEmpty()) << r.Errors().join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(Serializer, UnknownClassIsCollected) {
    TfrxXMLSerializer s;
    TfrxReportPage page;
    EXPECT_EQ(s.ObjectFromString(&page, "TfrxNoSuchView l=\"1\""), nullptr);
    EXPECT_EQ(s.Errors(), QStringList({QStringLiteral("Cannot find class TfrxNoSuchView")}));
    EXPECT_TRUE(page.Objects().isEmpty());
}

TEST_F(Serializer, BinaryPropertiesGoAsPropData) {
    TestBinaryView view, ancestor;
    TfrxXMLSerializer s;
    EXPECT_FALSE(HasAttr(s.PropertiesToAttributes(&view), "PropData"));
    view.Blob = QByteArray("\x01\xab", 2);
    const QByteArray attrs = s.PropertiesToAttributes(&view);
    EXPECT_EQ(Attr(attrs, "PropData"), "0000000201AB");
    ancestor.Blob = view.Blob;
    EXPECT_FALSE(HasAttr(s.PropertiesToAttributes(&view, QByteArray(), &ancestor), "PropData"));
    ancestor.Blob = "x";
    EXPECT_TRUE(HasAttr(s.PropertiesToAttributes(&view, QByteArray(), &ancestor), "PropData"));

    TestBinaryView back;
    s.AttributesToProperties(attrs, &back);
    EXPECT_EQ(back.Blob, view.Blob);
}

TEST_F(Serializer, TreeRoundTripComparesPropertyByProperty) {
    std::mt19937 rng(11);
    for (int round = 0; round < 5; ++round) {
        TfrxReport report;
        report.SetName(QStringLiteral("frxReport1"));
        report.ReportOptions()->SetName(QStringLiteral("算术练习") + RandomText(rng, 10));
        report.SetScriptText({QStringLiteral("begin"), QStringLiteral("  x := 1;"),
                              QStringLiteral("end.")});
        auto* data = new TfrxDataPage(&report);
        data->SetName(QStringLiteral("Data"));
        auto* page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetLeftMargin(double(rng() % 200) / 10);
        page->SetColor(int(rng() % 0xFFFFFF));
        std::vector<TfrxMemoView*> memos;
        for (int i = 1; i <= 7; ++i) {
            auto* memo = new TfrxMemoView(page);
            Randomize(memo, rng);
            memo->SetName(QStringLiteral("Memo%1").arg(i));
            memo->SetMemo({QStringLiteral("[var%1]").arg(i)});
            memos.push_back(memo);
        }
        memos[0]->SetFlowTo(memos[5]); // a reference forward in the tree
        const QByteArray bytes = WriteToBytes(&report);
        ASSERT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TfrxReport "))
            << bytes.left(200).constData();
        EXPECT_TRUE(bytes.contains("\r\n  <TfrxReportPage Name=\"Page1\""));
        EXPECT_TRUE(bytes.contains("\r\n    <TfrxMemoView Name=\"Memo1\""));

        TfrxReport back;
        EXPECT_TRUE(ReadFromBytes(&back, bytes).isEmpty());
        back.SetName(QStringLiteral("frxReport1"));
        EXPECT_TRUE(SameObject(&report, &back)) << bytes.constData();
        auto* flow = qobject_cast<TfrxCustomMemoView*>(back.FindObject(QStringLiteral("Memo1")));
        ASSERT_NE(flow, nullptr);
        EXPECT_EQ(flow->FlowTo(), back.FindObject(QStringLiteral("Memo6")));
        for (TfrxComponent* c : back.AllObjects())
            EXPECT_FALSE(c->IsLoading()) << c->Name().toStdString();
    }
}

TEST_F(Serializer, ReadTreeSkipsUnknownClassesAndGoesOn) {
    const QByteArray bytes =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<TfrxReport><TfrxReportPage Name=\"Page1\">"
        "<TfrxGadget Name=\"G1\"><TfrxMemoView Name=\"Inside\"/></TfrxGadget>"
        "<TfrxMemoView Name=\"Memo1\" Left=\"10\" Rotation=\"q\" Text=\"ok\"/>"
        "<TfrxGadget Name=\"G2\"/></TfrxReportPage></TfrxReport>";
    TfrxReport report;
    const QStringList errors = ReadFromBytes(&report, bytes);
    EXPECT_EQ(errors, QStringList({QStringLiteral("'q' is not a valid integer value"),
                                   QStringLiteral("Cannot find class TfrxGadget")}));
    EXPECT_EQ(report.FindObject(QStringLiteral("Inside")), nullptr);
    auto* memo = qobject_cast<TfrxMemoView*>(report.FindObject(QStringLiteral("Memo1")));
    ASSERT_NE(memo, nullptr);
    EXPECT_DOUBLE_EQ(double(memo->Left()), 10);
    EXPECT_EQ(memo->Memo(), QStringList({QStringLiteral("ok")}));
    EXPECT_EQ(memo->Parent(), report.FindObject(QStringLiteral("Page1")));
}

TEST_F(Serializer, ReadTreeFillsExistingAndInheritedComponents) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto* memo = new TfrxMemoView(page);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetAncestor(true);

    TfrxXMLDocument doc;
    TfrxXMLSerializer w;
    w.WriteTree(&report, true, doc.Root());
    EXPECT_EQ(doc.Root()->Item(0)->Item(0)->Name(), "inherited");

    doc.Root()->Item(0)->Item(0)->SetAttr("Top", "33");
    TfrxXMLSerializer r;
    r.ReadTree(&report, doc.Root());
    EXPECT_TRUE(r.Errors().isEmpty());
    ASSERT_EQ(page->Objects().size(), 1);
    EXPECT_EQ(page->Objects()[0], memo);
    EXPECT_DOUBLE_EQ(double(memo->Top()), 33);
}

TEST_F(Serializer, BrokenDocumentRaisesInvalidFileFormat) {
    TfrxReport report;
    EXPECT_THROW(ReadFromBytes(&report, "<TfrxReport/>"), TfrxInvalidXMLException);
}

TEST_F(Serializer, ComponentsSaveAndLoadThroughTheInstalledSerializer) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto* memo = new TfrxMemoView(page);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetMemo({QStringLiteral("[var1]")});
    QBuffer buf;
    buf.open(QIODevice::ReadWrite);
    report.SaveToStream(buf);
    buf.seek(0);
    TfrxReport back;
    back.LoadFromStream(buf);
    EXPECT_TRUE(SameObject(page, back.FindObject(QStringLiteral("Page1"))));
    EXPECT_FALSE(back.IsLoading());
}

TEST_F(Serializer, WriteTreeLeavesOutWhatTheAncestorHas) {
    auto build = [](TfrxReport& r) {
        auto* page = new TfrxReportPage(&r);
        page->SetName(QStringLiteral("Page1"));
        auto* memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        memo->SetMemo({QStringLiteral("[var1]")});
        return memo;
    };
    TfrxReport ancestor, report;
    build(ancestor);
    TfrxMemoView* memo = build(report);
    memo->SetTop(5);
    TfrxXMLSerializer s;
    s.OnGetAncestor = [&](const TfrxComponent* c) -> const QObject* {
        if (qobject_cast<const TfrxReport*>(c))
            return &ancestor;
        return ancestor.FindObject(c->Name());
    };
    TfrxXMLDocument doc;
    s.WriteTree(&report, true, doc.Root());
    EXPECT_EQ(doc.Root()->Attributes(), "");
    EXPECT_EQ(doc.Root()->Item(0)->Attributes(), "Name=\"Page1\"");
    EXPECT_EQ(doc.Root()->Item(0)->Item(0)->Attributes(), "Name=\"Memo1\" Top=\"5\"");
}

TEST_F(Serializer, ReferencesResolveByNameAfterReading) {
    TfrxReport report;
    report.SetName(QStringLiteral("frxReport1"));
    auto* page = new TfrxReportPage(&report);
    auto* a = new TfrxMemoView(page);
    auto* b = new TfrxMemoView(page);
    a->SetName(QStringLiteral("MemoA"));
    b->SetName(QStringLiteral("MemoB"));
    const struct {
        const char* name;
        QByteArray value;
        TfrxCustomMemoView* expected;
    } cases[] = {
        {"plain name", "memob", b},
        {"report-qualified name", "frxReport1.MemoB", b},
        {"nil", "nil", nullptr},
        {"unknown name", "MemoZ", nullptr},
    };
    for (const auto& c : cases) {
        a->SetFlowTo(a);
        TfrxXMLSerializer s;
        s.SetRoot(&report);
        s.AttributesToProperties("FlowTo=\"" + c.value + "\"", a);
        s.ResolveFixUps();
        EXPECT_EQ(a->FlowTo(), c.expected) << c.name;
    }
}

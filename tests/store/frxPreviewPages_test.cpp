#include "store/frxPreviewPages.h"
#include "EngineParts.h"
#include "PreparedPages.h"
#include "preview/frxPreview.h"
#include "export/frxExportPDF.h"

#include "common/TestSupport.h"
#include "platform/CanvasRecording.h"
#include "store/frxXMLSerializer.h"
#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"
#include "report/frxProps.h"

#include <QDesktopServices>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace frxClass;

namespace {

struct TestEngine : TfrxCustomEngine {
    bool Run() override { return true; }
};

// A view with a picture, as the store expects of picture views; its delta carries the image
// index the store gives it.
class TestPictureView : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(QByteArray Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
public:
    Q_INVOKABLE explicit TestPictureView(QObject* owner = nullptr) : TfrxView(owner) {}
    QByteArray Picture() const { return m_picture; }
    void SetPicture(const QByteArray& v) { m_picture = v; }
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int v) { m_imageIndex = v; }
    QByteArray DifferenceText(const TfrxComponent* source) override {
        QByteArray out = TfrxView::DifferenceText(source);
        const auto* p = qobject_cast<const TestPictureView*>(source);
        if (!p || p->m_imageIndex != m_imageIndex)
            out += " ImageIndex=\"" + QByteArray::number(m_imageIndex) + '"';
        return out;
    }

private:
    QByteArray m_picture;
    int m_imageIndex = 0;
};

// Same class, name, stored properties, text and children; the first difference is reported.
::testing::AssertionResult SameTree(const TfrxComponent* a, const TfrxComponent* b) {
    if (!a || !b)
        return ::testing::AssertionFailure() << "missing object";
    if (QByteArray(a->metaObject()->className()) != b->metaObject()->className() ||
        a->Name() != b->Name())
        return ::testing::AssertionFailure() << a->Name().toStdString() << " vs "
                                             << b->Name().toStdString();
    const QStringList diff = frxProps::Differences(a, b);
    if (!diff.isEmpty())
        return ::testing::AssertionFailure() << a->Name().toStdString() << " differs in "
                                             << diff.join(QLatin1Char(',')).toStdString();
    auto* ma = qobject_cast<const TfrxCustomMemoView*>(a);
    auto* mb = qobject_cast<const TfrxCustomMemoView*>(b);
    if (ma && mb && ma->Memo() != mb->Memo())
        return ::testing::AssertionFailure() << a->Name().toStdString() << " text";
    if (a->Objects().size() != b->Objects().size())
        return ::testing::AssertionFailure() << a->Name().toStdString() << " child count";
    for (qsizetype i = 0; i < a->Objects().size(); ++i)
        if (auto r = SameTree(a->Objects()[i], b->Objects()[i]); !r)
            return r;
    return ::testing::AssertionSuccess();
}

QStringList Ls(std::initializer_list<const char*> names) {
    QStringList out;
    for (const char* n : names)
        out << QString::fromUtf8(n);
    return out;
}

QStringList ChildNames(const TfrxXMLItem* item) {
    QStringList names;
    for (int i = 0; item && i < item->Count(); ++i)
        names << QString::fromLatin1(item->Item(i)->Name());
    return names;
}

// A report with one A4 page whose text objects the tests add, and a store on it. Preparing goes
// the way the engine goes: register, start pages, append the page's objects through a
// temporary band.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        engine.FinalPass = true;
        store.SetEngine(&engine);
    }

    TfrxMemoView* AddMemo(const QString& name, long double l, long double t, long double w,
                          long double h, const QString& text, TfrxComponent* parent = nullptr) {
        auto* m = new TfrxMemoView(parent ? parent : page);
        m->SetName(name);
        m->SetBounds(l, t, w, h);
        TfrxFont f;
        f.SetName(QStringLiteral("Arial"));
        f.SetSize(12);
        m->SetFont(&f);
        m->SetText(text);
        return m;
    }

    void Register() {
        store.ClearAll();
        store.PrepareStart();
        store.RegisterSourcePage(page);
        engine.Running = true;
        store.PassStart();
    }
    void Finish() {
        engine.Running = false;
        store.PrepareFinish();
    }
    // The page's objects onto the current page, through a band that only borrows them.
    void AppendPageObjects() {
        TfrxNullBand band;
        band.Objects() = page->Objects();
        store.AppendObject(&band);
        band.Objects().clear();
    }
    // `pages` pages of the template; `each` may change the template objects before a page's
    // objects are appended (as evaluation does) and gets the page number.
    void Prepare(int pages = 1, const std::function<void(int)>& each = {}) {
        PrepareInto(store, engine, page, pages, each);
    }

    TfrxXMLItem* PageItem(int i) { return store.PagesItem()->Item(i); }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    TestEngine engine;
    TfrxPreviewPages store{&report};
};

// ---------------------------------------------------------------------------------------------
// Document layout and deltas

TEST_F(StoreTest, SevenTextObjectsGiveOnePageOfAliasedItemsEachWithItsText) {
    for (int i = 1; i <= 7; ++i)
        AddMemo(QStringLiteral("Memo%1").arg(i), 10 * i, 20, 50, 30, QStringLiteral("[var%1]").arg(i));
    // Memo3 keeps the template's text: it is still written.
    Prepare(1, [&](int) {
        for (int i = 1; i <= 7; ++i)
            if (i != 3)
                qobject_cast<TfrxMemoView*>(page->Objects()[i - 1])
                    ->SetText(QStringLiteral("value %1").arg(i));
    });

    ASSERT_EQ(store.PageCount(), 1);
    EXPECT_EQ(PageItem(0)->Name(), "page0");
    EXPECT_EQ(ChildNames(PageItem(0)),
              Ls({"m1", "m2", "m3", "m4", "m5", "m6", "m7"}));
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE((" " + PageItem(0)->Item(i)->Attributes()).contains(" u=\"")) << i;
    EXPECT_EQ(PageItem(0)->Item(0)->GetAttr("u"), "value 1");
    EXPECT_EQ(PageItem(0)->Item(2)->GetAttr("u"), "[var3]");
    // Unchanged positions are left out.
    EXPECT_FALSE(PageItem(0)->Item(0)->Attributes().contains("l=\""));

    EXPECT_EQ(store.Dictionary().Count(), 7);
    EXPECT_EQ(store.Dictionary().SourceName(QStringLiteral("m1")), QStringLiteral("Page0.Memo1"));
    EXPECT_EQ(store.Dictionary().SourceName(QStringLiteral("m7")), QStringLiteral("Page0.Memo7"));

    // Root children in order of first use.
    EXPECT_EQ(ChildNames(store.Document().Root()),
              Ls({"previewpages", "logicalpagenumbers"}));
    EXPECT_EQ(store.Document().Root()->Name(), "preparedreport");

    // The template is untouched by the store.
    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_TRUE(built);
    auto* m1 = qobject_cast<TfrxMemoView*>(built->FindObject(QStringLiteral("Memo1")));
    ASSERT_TRUE(m1);
    EXPECT_EQ(m1->Text(), QStringLiteral("value 1\r\n"));
    EXPECT_EQ(m1->Font()->Size(), 12);
    EXPECT_EQ(built->Objects().size(), 7);
}

TEST_F(StoreTest, AliasPrefixesAndSourceNamesFollowTheObjects) {
    auto* band = new TfrxBand(page);
    band->SetName(QStringLiteral("Band1"));
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"), band);
    auto* view = new TfrxView(page);
    view->SetName(QStringLiteral("View1"));
    Register();
    const TfrxDictionary& d = store.Dictionary();
    EXPECT_EQ(d.SourceName(QStringLiteral("b1")), QStringLiteral("Page0.Band1"));
    EXPECT_EQ(d.SourceName(QStringLiteral("m1")), QStringLiteral("Page0.Memo1"));
    EXPECT_EQ(d.SourceName(QStringLiteral("v1")), QStringLiteral("Page0.View1"));
    // Sorted aliases.
    EXPECT_EQ(d.Alias(0), QStringLiteral("b1"));
    EXPECT_EQ(d.Alias(2), QStringLiteral("v1"));
    // The copy is the store's own; the template object is not.
    EXPECT_NE(d.Object(QStringLiteral("m1")), page->FindObject(QStringLiteral("Memo1")));
    EXPECT_EQ(store.SourcePage(0)->FindObject(QStringLiteral("Memo1")), d.Object(QStringLiteral("m1")));
}

TEST_F(StoreTest, ACopiedTextObjectLosesItsDataBinding) {
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    memo->SetDataSetName(QStringLiteral("Pupils"));
    memo->SetDataField(QStringLiteral("Name"));
    Register();
    auto* copy = qobject_cast<TfrxMemoView*>(store.Dictionary().Object(QStringLiteral("m1")));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->DataField().isEmpty());
    EXPECT_TRUE(copy->DataSetName().isEmpty());
    EXPECT_EQ(memo->DataField(), QStringLiteral("Name"));
}

TEST(StoreDictionary, MakeUniqueNameHalvesFromTenThousandThenCountsUp) {
    struct Case {
        const char* name;
        std::vector<const char*> aliases;
        const char* expected;
    } cases[] = {
        {"empty", {}, "m1"},
        {"a run", {"m1", "m2", "m3", "m4", "m5", "m6", "m7"}, "m8"},
        {"a hole below the run is not refilled", {"m2", "m3", "m4", "m5"}, "m6"},
        {"halving stops at 5000", {"m5000"}, "m5001"},
        {"halving stops at 9", {"m9", "m10"}, "m11"},
        {"other prefixes do not count", {"b1", "b2"}, "m1"},
        {"only 1 taken", {"m1"}, "m2"},
    };
    for (const Case& c : cases) {
        TfrxDictionary d;
        for (const char* a : c.aliases)
            d.Add(QString::fromLatin1(a), QStringLiteral("Page0.X"), nullptr);
        EXPECT_EQ(d.MakeUniqueName(QStringLiteral("m")), QString::fromLatin1(c.expected)) << c.name;
    }
}

TEST(StoreDictionary, LookupsAreExactAndAReAddedAliasReplacesItsEntry) {
    TfrxDictionary d;
    d.Add(QStringLiteral("m2"), QStringLiteral("Page0.Memo2"), nullptr);
    d.Add(QStringLiteral("m10"), QStringLiteral("Page0.Memo10"), nullptr);
    d.Add(QStringLiteral("m1"), QStringLiteral("Page0.Memo1"), nullptr);
    EXPECT_EQ((QStringList{d.Alias(0), d.Alias(1), d.Alias(2)}),
              Ls({"m1", "m10", "m2"}));
    EXPECT_TRUE(d.SourceName(QStringLiteral("M1")).isEmpty());
    d.Add(QStringLiteral("m1"), QStringLiteral("Page1.Memo9"), nullptr);
    EXPECT_EQ(d.Count(), 3);
    EXPECT_EQ(d.SourceName(QStringLiteral("m1")), QStringLiteral("Page1.Memo9"));
}

// Every attribute of the delta table changed alone on the object being output comes back on
// the rebuilt page: an attribute missing from a class's delta writer shows up here.
TEST(StoreDelta, EveryDeltaAttributeSurvivesAppendAndRebuild) {
    using Change = std::function<void(TfrxMemoView&)>;
    struct Case {
        const char* name;
        Change change;
        std::vector<const char*> mayDiffer; // moved by the page's layout of aligned objects
    };
    auto line = [](TfrxMemoView& m, int i) -> TfrxFrameLine& {
        TfrxFrameLine* lines[] = {m.Frame()->LeftLine(), m.Frame()->TopLine(),
                                  m.Frame()->RightLine(), m.Frame()->BottomLine()};
        return *lines[i];
    };
    std::vector<Case> cases = {
        {"l", [](TfrxMemoView& m) { m.SetLeft(m.Left() + 7.25); }, {}},
        {"t", [](TfrxMemoView& m) { m.SetTop(m.Top() + 3.5); }, {}},
        {"w", [](TfrxMemoView& m) { m.SetWidth(m.Width() + 10); }, {}},
        {"h", [](TfrxMemoView& m) { m.SetHeight(m.Height() + 4); }, {}},
        {"Font.Name", [](TfrxMemoView& m) { m.Font()->SetName(QStringLiteral("宋体")); }, {}},
        {"Font.Size", [](TfrxMemoView& m) { m.Font()->SetSize(14); }, {}},
        {"Font.Color", [](TfrxMemoView& m) { m.Font()->SetColor(0x0000FF); }, {}},
        {"Font.Style",
         [](TfrxMemoView& m) { m.Font()->SetStyle(frxClass::fsBold | frxClass::fsStrikeOut); }, {}},
        {"Font.Charset", [](TfrxMemoView& m) { m.Font()->SetCharset(134); }, {}},
        {"ParentFont", [](TfrxMemoView& m) { m.SetParentFont(true); }, {}},
        {"Tag", [](TfrxMemoView& m) { m.SetTag(42); }, {}},
        {"BrushStyle", [](TfrxMemoView& m) { m.SetBrushStyle(frxClass::bsCross); }, {}},
        {"Align", [](TfrxMemoView& m) { m.SetAlign(frxClass::baBottom); }, {"Top"}},
        {"Color", [](TfrxMemoView& m) { m.SetColor(0x00FF00); }, {}},
        {"Cursor", [](TfrxMemoView& m) { m.SetCursor(-21); }, {}},
        {"Printable", [](TfrxMemoView& m) { m.SetPrintable(false); }, {}},
        {"Frame.Color", [](TfrxMemoView& m) { m.Frame()->SetColor(0xFF0000); }, {}},
        {"Frame.DropShadow", [](TfrxMemoView& m) { m.Frame()->SetDropShadow(true); }, {}},
        {"Frame.ShadowColor", [](TfrxMemoView& m) { m.Frame()->SetShadowColor(0x808080); }, {}},
        {"Frame.ShadowWidth", [](TfrxMemoView& m) { m.Frame()->SetShadowWidth(6); }, {}},
        {"Frame.Style", [](TfrxMemoView& m) { m.Frame()->SetStyle(frxClass::fsDashDot); }, {}},
        {"Frame.Typ",
         [](TfrxMemoView& m) { m.Frame()->SetTyp(frxClass::ftLeft | frxClass::ftBottom); }, {}},
        {"Frame.Width", [](TfrxMemoView& m) { m.Frame()->SetWidth(2.5); }, {}},
        {"TagStr", [](TfrxMemoView& m) { m.SetTagStr(QStringLiteral("tag \"1\" <b>")); }, {}},
        {"URL",
         [](TfrxMemoView& m) { m.SetURL(QStringLiteral("http://example.org/?a=1&b=\"2\"")); }, {}},
        {"AutoWidth", [](TfrxMemoView& m) { m.SetAutoWidth(true); }, {}},
        {"CharSpacing", [](TfrxMemoView& m) { m.SetCharSpacing(1.5); }, {}},
        {"GapX", [](TfrxMemoView& m) { m.SetGapX(5); }, {}},
        {"GapY", [](TfrxMemoView& m) { m.SetGapY(3); }, {}},
        {"HAlign", [](TfrxMemoView& m) { m.SetHAlign(frxClass::haRight); }, {}},
        {"Highlight.Active", [](TfrxMemoView& m) { m.Highlight()->SetActive(true); }, {}},
        {"LineSpacing", [](TfrxMemoView& m) { m.SetLineSpacing(4); }, {}},
        {"u", [](TfrxMemoView& m) { m.SetText(QStringLiteral("12 + 7 =\r\n\"19\" & <ok>")); }, {}},
        {"u empty", [](TfrxMemoView& m) { m.SetText(QString()); }, {}},
        {"ParagraphGap", [](TfrxMemoView& m) { m.SetParagraphGap(6); }, {}},
        {"Rotation", [](TfrxMemoView& m) { m.SetRotation(90); }, {}},
        {"RTLReading", [](TfrxMemoView& m) { m.SetRTLReading(true); }, {}},
        {"Underlines", [](TfrxMemoView& m) { m.SetUnderlines(true); }, {}},
        {"VAlign", [](TfrxMemoView& m) { m.SetVAlign(frxClass::vaCenter); }, {}},
        {"WordWrap", [](TfrxMemoView& m) { m.SetWordWrap(false); }, {}},
        {"FirstParaBreak", [](TfrxMemoView& m) { m.SetFirstParaBreak(true); }, {}},
        {"LastParaBreak", [](TfrxMemoView& m) { m.SetLastParaBreak(true); }, {}},
    };
    const char* lineNames[] = {"LeftLine", "TopLine", "RightLine", "BottomLine"};
    for (int i = 0; i < 4; ++i) {
        static std::vector<std::string> names;
        names.push_back(std::string("Frame.") + lineNames[i]);
        const char* n = names.back().c_str();
        cases.push_back({n, [=](TfrxMemoView& m) { line(m, i).SetColor(0x123456); }, {}});
        cases.push_back({n, [=](TfrxMemoView& m) { line(m, i).SetStyle(frxClass::fsDot); }, {}});
        cases.push_back({n, [=](TfrxMemoView& m) { line(m, i).SetWidth(3); }, {}});
    }

    for (const Case& c : cases) {
        TfrxReport report;
        auto* page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        auto* memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        memo->SetBounds(40, 60, 200, 80);
        TfrxFont f;
        f.SetSize(11);
        memo->SetFont(&f);
        memo->SetText(QStringLiteral("template"));
        TestEngine engine;
        engine.FinalPass = true;
        TfrxPreviewPages store(&report);
        store.SetEngine(&engine);
        store.RegisterSourcePage(page);
        store.StartPage(page);

        c.change(*memo);
        TfrxMemoView expected;
        expected.Assign(memo);
        expected.SetName(memo->Name());
        store.AppendObject(memo);

        TfrxReportPage* built = store.BuildPage(0);
        ASSERT_TRUE(built) << c.name;
        auto* got = qobject_cast<TfrxMemoView*>(built->FindObject(QStringLiteral("Memo1")));
        ASSERT_TRUE(got) << c.name;
        QStringList diff = frxProps::Differences(got, &expected);
        for (const char* allowed : c.mayDiffer)
            diff.removeAll(QString::fromLatin1(allowed));
        EXPECT_TRUE(diff.isEmpty()) << c.name << ": " << diff.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(got->Memo(), expected.Memo()) << c.name;
    }
}

// Rebuilt objects take their stored font, or their page's where they follow it.
TEST_F(StoreTest, FontsFollowThePageOnlyWhereTheTemplateSaysSo) {
    TfrxFont pageFont;
    pageFont.SetName(QStringLiteral("Times New Roman"));
    pageFont.SetSize(16);
    page->SetFont(&pageFont);
    TfrxMemoView* own = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    TfrxFont plain; // the default face, kept as the object's own
    own->SetFont(&plain);
    TfrxMemoView* follows = AddMemo(QStringLiteral("Memo2"), 0, 0, 10, 10, QStringLiteral("b"));
    follows->SetParentFont(true);
    Prepare(1);
    TfrxReportPage* built = store.BuildPage(0);
    EXPECT_TRUE(SameTree(built->Objects()[0], own));
    EXPECT_TRUE(SameTree(built->Objects()[1], follows));
    EXPECT_EQ(built->Objects()[0]->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(built->Objects()[1]->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_TRUE(built->Objects()[1]->ParentFont());
}

TEST_F(StoreTest, ParagraphFlagsMoveOnAsTheyAreWritten) {
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Register();
    store.StartPage(page);
    memo->SetLastParaBreak(true);
    store.AppendObject(memo);
    EXPECT_TRUE(memo->FirstParaBreak());
    EXPECT_FALSE(memo->LastParaBreak());
    store.AppendObject(memo);
    EXPECT_EQ(PageItem(0)->Item(0)->GetAttr("LastParaBreak"), "1");
    EXPECT_EQ(PageItem(0)->Item(1)->GetAttr("FirstParaBreak"), "1");
    EXPECT_TRUE(PageItem(0)->Item(1)->GetAttr("LastParaBreak").isEmpty());
}

TEST_F(StoreTest, ObjectsWithoutASourceAreStoredWholeAndRebuilt) {
    Prepare(1);
    store.StartPage(page); // a second page
    TfrxMemoView runtime;
    runtime.SetName(QStringLiteral("Extra"));
    runtime.SetBounds(5, 6, 70, 20);
    runtime.SetText(QStringLiteral("made while preparing"));
    runtime.SetHAlign(frxClass::haCenter);
    auto* band = new TfrxBand(&runtime); // not a memo child in real reports; any depth works
    band->SetName(QStringLiteral("Inner"));
    store.AppendObject(&runtime);
    const TfrxXMLItem* item = PageItem(1)->Item(0);
    EXPECT_EQ(item->Name(), "TfrxMemoView");
    EXPECT_EQ(item->GetAttr("HAlign"), "haCenter");
    EXPECT_EQ(item->Item(0)->Name(), "TfrxBand");

    auto* built = qobject_cast<TfrxMemoView*>(store.BuildPage(1)->Objects().value(0));
    ASSERT_TRUE(built);
    EXPECT_EQ(built->Text(), QStringLiteral("made while preparing\r\n"));
    EXPECT_EQ(built->HAlign(), frxClass::haCenter);
    EXPECT_DOUBLE_EQ(double(built->Width()), 70);
    ASSERT_EQ(built->Objects().size(), 1);
    EXPECT_TRUE(qobject_cast<TfrxBand*>(built->Objects()[0]));
}

TEST_F(StoreTest, InvisibleObjectsAndTheirChildrenAreNotStored) {
    auto* band = new TfrxBand(page);
    band->SetName(QStringLiteral("Band1"));
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"), band);
    AddMemo(QStringLiteral("Memo2"), 0, 0, 10, 10, QStringLiteral("b"));
    band->SetVisible(false);
    Prepare(1);
    EXPECT_EQ(ChildNames(PageItem(0)), Ls({"m2"}));
}

TEST_F(StoreTest, BandsAlwaysWriteTheirTopAndHoldTheirObjects) {
    auto* band = new TfrxBand(page);
    band->SetName(QStringLiteral("Band1"));
    band->SetBounds(0, 0, 700, 50);
    AddMemo(QStringLiteral("Memo1"), 3, 4, 10, 10, QStringLiteral("a"), band);
    Register();
    store.StartPage(page);
    store.AppendObject(band);
    band->SetTop(120);
    store.AppendObject(band);
    EXPECT_EQ(ChildNames(PageItem(0)), Ls({"b1", "b1"}));
    EXPECT_EQ(PageItem(0)->Item(0)->GetAttr("t"), "0");
    EXPECT_EQ(PageItem(0)->Item(1)->GetAttr("t"), "120");
    EXPECT_EQ(ChildNames(PageItem(0)->Item(1)), Ls({"m1"}));
    Finish();
    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_EQ(built->Objects().size(), 2);
    EXPECT_DOUBLE_EQ(double(built->Objects()[1]->Objects()[0]->AbsTop()), 124);
}

// ---------------------------------------------------------------------------------------------
// Passes and logical page numbers

TEST_F(StoreTest, AFirstPassStoresOnlyTheCommonDelta) {
    report.EngineOptions()->SetDoublePass(true);
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Register();
    engine.FinalPass = false;
    store.StartPage(page);
    memo->SetHAlign(frxClass::haRight);
    memo->SetLeft(5);
    store.AppendObject(memo);
    EXPECT_EQ(PageItem(0)->Item(0)->Attributes(), "l=\"5\"");
}

TEST_F(StoreTest, TwoPassReportKeepsTheFirstPassLogicalNumbers) {
    report.EngineOptions()->SetDoublePass(true);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Register();
    engine.FinalPass = false;
    for (int p = 0; p < 3; ++p) {
        store.StartPage(page);
        AppendPageObjects();
    }
    engine.TotalPages = store.PageCount();
    store.DiscardFirstPass();
    EXPECT_EQ(store.PageCount(), 0);
    EXPECT_EQ(store.CurrentPage, -1);
    engine.FinalPass = true;
    for (int p = 0; p < 3; ++p) {
        store.StartPage(page);
        AppendPageObjects();
        EXPECT_EQ(store.LogicalPageNumber(), p + 1);
        EXPECT_EQ(store.LogicalPageTotal(), 3);
    }
    Finish();
    const TfrxXMLItem* numbers = store.FindRootItem("logicalpagenumbers");
    ASSERT_TRUE(numbers);
    EXPECT_EQ(numbers->Count(), 3);
    EXPECT_EQ(store.PageCount(), 3);
    // The final pass wrote whole deltas.
    EXPECT_EQ(PageItem(2)->Item(0)->GetAttr("u"), "a");
}

TEST_F(StoreTest, LogicalNumbersRestartAndFallBackWithoutAnItem) {
    Register();
    for (int p = 0; p < 3; ++p)
        store.StartPage(page);
    store.LogicalPageRestart(); // a page that resets the numbers comes next
    for (int p = 0; p < 2; ++p)
        store.StartPage(page);
    const TfrxXMLItem* numbers = store.FindRootItem("logicalpagenumbers");
    QStringList n, t;
    for (int i = 0; i < numbers->Count(); ++i) {
        n << QString::fromLatin1(numbers->Item(i)->GetAttr("n"));
        t << QString::fromLatin1(numbers->Item(i)->GetAttr("t"));
    }
    EXPECT_EQ(n, Ls({"1", "2", "3", "1", "2"}));
    EXPECT_EQ(t, Ls({"3", "3", "3", "", ""}));
    EXPECT_EQ(store.LogicalPageNumber(), 2);
    EXPECT_EQ(store.LogicalPageTotal(), 0);

    store.CurrentPage = 7;
    store.FirstPage = 2;
    engine.TotalPages = 10;
    EXPECT_EQ(store.LogicalPageNumber(), 6);
    EXPECT_EQ(store.LogicalPageTotal(), 8);
}

TEST_F(StoreTest, DiscardFirstPassKeepsWhatWasThereBefore) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    AddMemo(QStringLiteral("Memo2"), 0, 20, 10, 10, QStringLiteral("b"));
    Register();
    store.StartPage(page);
    store.AppendObject(page->Objects()[0]);
    store.PassStart(); // from here on, a pass that will be thrown away
    store.AppendObject(page->Objects()[1]);
    store.StartPage(page);
    AppendPageObjects();
    store.DiscardFirstPass();
    EXPECT_EQ(store.PageCount(), 1);
    EXPECT_EQ(ChildNames(PageItem(0)), Ls({"m1"}));
    EXPECT_EQ(store.CurrentPage, 0);
    EXPECT_EQ(store.SizeEstimate(), 0);
}

TEST_F(StoreTest, RevisitingAPageWritesOverItAndAppendModeAddsOne) {
    Register();
    store.StartPage(page);
    store.StartPage(page);
    store.CurrentPage = -1;
    store.StartPage(page); // revisits page 0
    EXPECT_EQ(store.PageCount(), 2);
    EXPECT_EQ(store.CurrentPage, 0);
    store.AddPageMode = apAppend;
    store.StartPage(page);
    EXPECT_EQ(store.PageCount(), 3);
    EXPECT_EQ(store.CurrentPage, 2);
    EXPECT_EQ(store.AddPageMode, apRevisit);
}

TEST_F(StoreTest, ProgressReportsEachStartedPage) {
    QList<int> seen;
    report.OnProgressStart = [&](TfrxReport*, int kind, int) { seen << -100 - kind; };
    report.OnProgress = [&](TfrxReport*, int kind, int n) { seen << n + 10 * kind; };
    report.OnProgressStop = [&](TfrxReport*, int kind, int) { seen << -200 - kind; };
    Prepare(3);
    EXPECT_EQ(seen, (QList<int>{-100, 1, 2, 3, -200}));
}

// ---------------------------------------------------------------------------------------------
// Spilling and the page cache

TEST_F(StoreTest, WithoutTheFileCacheNothingSpillsWhateverTheSize) {
    report.EngineOptions()->SetUseFileCache(false);
    report.EngineOptions()->SetMaxMemSize(0);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(8);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(PageItem(i)->InMemory()) << i;
    EXPECT_TRUE(store.Document().TempFileName().isEmpty());
}

TEST_F(StoreTest, SpillingSparesTheFirstTwoPagesAndThePageBeingWritten) {
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    QTemporaryDir dir;
    report.EngineOptions()->SetTempDir(dir.path());
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Register();
    for (int p = 0; p < 8; ++p) {
        store.StartPage(page);
        AppendPageObjects();
        EXPECT_TRUE(PageItem(p)->InMemory()) << "page being written " << p;
    }
    Finish();
    QList<bool> inMemory;
    for (int i = 0; i < 8; ++i)
        inMemory << PageItem(i)->InMemory();
    // The spill check runs as a page starts, before it is added: the page before it stays.
    EXPECT_EQ(inMemory, (QList<bool>{true, true, false, false, false, false, true, true}));
    EXPECT_TRUE(store.Document().TempFileName().startsWith(dir.path()));

    // Clearing the store deletes its temporary file.
    const QString file = store.Document().TempFileName();
    EXPECT_TRUE(QFile::exists(file));
    store.ClearAll();
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(StoreTest, ASpilledPageRebuildsEqualToOneNeverSpilled) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 100, 10, QStringLiteral("a"));
    AddMemo(QStringLiteral("Memo2"), 0, 20, 100, 10, QStringLiteral("b"));
    auto each = [&](int p) {
        qobject_cast<TfrxMemoView*>(page->Objects()[0])->SetText(QStringLiteral("页 %1 \"x\"").arg(p));
        page->Objects()[1]->SetTop(20 + p);
    };
    TfrxReport otherReport;
    TfrxPreviewPages plain(&otherReport);
    plain.SetEngine(&engine);
    plain.RegisterSourcePage(page);
    for (int p = 0; p < 6; ++p) {
        plain.StartPage(page);
        each(p);
        TfrxNullBand band;
        band.Objects() = page->Objects();
        plain.AppendObject(&band);
        band.Objects().clear();
    }

    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    Prepare(6, each);
    ASSERT_FALSE(PageItem(3)->InMemory());
    for (int p = 0; p < 6; ++p)
        EXPECT_TRUE(SameTree(store.BuildPage(p), plain.BuildPage(p))) << p;
}

TEST_F(StoreTest, BuildingPastPagesInCacheEvictsTheOldestAndAHitSwapsToTheFront) {
    report.PreviewOptions()->SetPagesInCache(50);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(53);
    for (int i = 0; i <= 50; ++i)
        store.BuildPage(i);
    QList<int> cached = store.CachedPages();
    EXPECT_EQ(cached.size(), 50);
    EXPECT_EQ(cached.front(), 50);
    EXPECT_FALSE(cached.contains(0));
    EXPECT_EQ(cached.back(), 1);

    TfrxReportPage* p10 = store.BuildPage(10);
    const int at = int(cached.indexOf(10));
    cached = store.CachedPages();
    EXPECT_EQ(cached.front(), 10);
    EXPECT_EQ(cached[at], 50);
    EXPECT_EQ(store.BuildPage(10), p10);
}

TEST_F(StoreTest, EvictionSpillsOnlyPagesThatMayUnload) {
    report.PreviewOptions()->SetPagesInCache(2);
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(1000); // never reached while preparing
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(5);
    for (int i = 0; i < 5; ++i)
        store.BuildPage(i);
    QList<bool> inMemory;
    for (int i = 0; i < 5; ++i)
        inMemory << PageItem(i)->InMemory();
    // Pages 0, 1 and 2 were evicted; only page 2 may unload. 3 and 4 are in the cache.
    EXPECT_EQ(inMemory, (QList<bool>{true, true, false, true, true}));
    EXPECT_EQ(store.BuildPage(2)->Objects().size(), 1);
}

TEST_F(StoreTest, EvictedPagesAreWrittenAgainOnlyWhenTheyChanged) {
    report.PreviewOptions()->SetPagesInCache(1);
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(6);
    ASSERT_FALSE(PageItem(2)->InMemory());
    const qint64 size = QFileInfo(store.Document().TempFileName()).size();
    for (int p : {2, 3, 2, 3, 0, 2}) // pages read back from the file, and a first page
        EXPECT_EQ(store.BuildPage(p)->Objects().size(), 1) << p;
    EXPECT_EQ(QFileInfo(store.Document().TempFileName()).size(), size);

    // A later pass writes to a spilled page: evicting it must keep what was written.
    engine.Running = true;
    store.CurrentPage = 2;
    memo->SetText(QStringLiteral("added later"));
    store.AppendObject(memo);
    Finish();
    EXPECT_EQ(store.BuildPage(2)->Objects().size(), 2);
    store.BuildPage(3);
    EXPECT_FALSE(PageItem(2)->InMemory());
    EXPECT_GT(QFileInfo(store.Document().TempFileName()).size(), size);
    TfrxReportPage* again = store.BuildPage(2);
    ASSERT_EQ(again->Objects().size(), 2);
    EXPECT_EQ(qobject_cast<TfrxMemoView*>(again->Objects()[1])->Text(),
              QStringLiteral("added later\r\n"));
}

TEST_F(StoreTest, WhilePreparingTheCacheIsNotConsulted) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Register();
    store.StartPage(page);
    AppendPageObjects();
    EXPECT_EQ(store.BuildPage(0)->Objects().size(), 1);
    AppendPageObjects();
    EXPECT_EQ(store.BuildPage(0)->Objects().size(), 2); // not the stale one
    Finish();
    EXPECT_TRUE(store.CachedPages().isEmpty());
}

TEST_F(StoreTest, ASpillThatCannotWriteSaysWhereAndKeepsThePages) {
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    const QString missing = QDir::tempPath() + QStringLiteral("/sumdrill-no-such-dir/sub");
    report.EngineOptions()->SetTempDir(missing);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    CollectedErrors boxes;
    const QStringList& told = boxes.texts;
    Register();
    // Preparation goes on to the end: the pages stay in memory, and the user hears it once.
    for (int p = 0; p < 6; ++p) {
        store.StartPage(page);
        AppendPageObjects();
    }
    Finish();
    QCoreApplication::processEvents();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QDir::toNativeSeparators(missing))) << told[0].toStdString();
    ASSERT_EQ(store.PageCount(), 6);
    for (int p = 0; p < 6; ++p) {
        EXPECT_TRUE(PageItem(p)->InMemory());
        EXPECT_EQ(store.BuildPage(p)->Objects().size(), 1) << p;
    }
}

TEST_F(StoreTest, AStaleTemporaryFileIsNeverReadAsOurs) {
    QTemporaryDir dir;
    // What a crashed run might have left, named as our files are.
    const QString stale = dir.filePath(QStringLiteral("sdxml_AAAAAA.tmp"));
    const QByteArray junk = "<page0><m1 u=\"not ours\"/></page0>";
    ASSERT_TRUE(WriteFileBytes(stale, junk));
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    report.EngineOptions()->SetTempDir(dir.path());
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(6, [&](int p) { memo->SetText(QStringLiteral("page %1").arg(p)); });
    ASSERT_FALSE(PageItem(3)->InMemory());
    EXPECT_NE(store.Document().TempFileName(), stale);
    for (int p = 0; p < 6; ++p) {
        auto* m = qobject_cast<TfrxMemoView*>(store.BuildPage(p)->Objects()[0]);
        EXPECT_EQ(m->Text(), QStringLiteral("page %1\r\n").arg(p));
    }
    EXPECT_EQ(ReadFileBytes(stale), junk);
}

// ---------------------------------------------------------------------------------------------
// Bad input

TEST_F(StoreTest, IndexesOutsideThePagesGiveNothing) {
    platform::RecordingCanvas canvas;
    EXPECT_EQ(store.BuildPage(0), nullptr);
    EXPECT_EQ(store.PageSizeOf(0), QPoint(0, 0));
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(2);
    for (int index : {-1, 2, 1000000}) {
        EXPECT_EQ(store.BuildPage(index), nullptr) << index;
        EXPECT_EQ(store.PageSizeOf(index), QPoint(0, 0)) << index;
        store.RenderPage(index, &canvas, 1, 1, 0, 0);
        EXPECT_FALSE(store.HitTest(index, 1, 1, 1, 0, 0).OnPage) << index;
    }
    EXPECT_TRUE(canvas.Records().empty());
}

TEST_F(StoreTest, AnAliasMissingFromTheDictionaryIsReadAsAClassAndReported) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(1);
    TfrxXMLItem* unknown = PageItem(0)->AddChild("m99");
    unknown->SetAttributes("u=\"lost\"");
    unknown->AddChild("m1"); // below an object that cannot be read: skipped with it
    PageItem(0)->AddChild("TfrxReport"); // a class, but not one of a page's objects
    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->Objects().size(), 1);
    EXPECT_EQ(store.Errors(),
              Ls({"Cannot find class m99", "Cannot find class TfrxReport"}));
    EXPECT_TRUE(report.Errors().contains(QStringLiteral("Cannot find class m99")));
}

// What a damaged file could hold: positions and sizes no device has, numbers that are not.
TEST_F(StoreTest, AbsurdNumbersBuildDrawAndHitTestWithoutHarm) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(1);
    TfrxXMLItem* m = PageItem(0)->Item(0);
    m->SetAttributes("l=\"1e308\" t=\"-1e308\" w=\"nan\" h=\"inf\" GapX=\"1e300\" "
                     "Frame.Width=\"1e300\" Frame.Typ=\"15\" u=\"huge\"");
    PageItem(0)->AddChild("m1")->SetAttributes("LineSpacing=\"1e9\" CharSpacing=\"-1e9\" u=\"x y\"");
    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_TRUE(built);
    EXPECT_TRUE(store.Errors().contains(QStringLiteral("'nan' is not a valid floating point value")));
    EXPECT_TRUE(store.Errors().contains(QStringLiteral("'inf' is not a valid floating point value")));
    platform::RecordingCanvas canvas;
    store.RenderPage(0, &canvas, 1, 1, 0, 0);
    EXPECT_TRUE(store.HitTest(0, 5, 5, 1, 0, 0).OnPage);
    EXPECT_EQ(frxRoundEven(1e308L), 1 << 29);
    EXPECT_EQ(frxRoundEven(-1e308L), -(1 << 29));
    EXPECT_EQ(frxRoundEven(std::nanl("")), 0);
    EXPECT_EQ(frxRoundEven(2.5L), 2);
}

TEST_F(StoreTest, AWholePageOfAnUnknownClassBuildsEmptyAndIsReported) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(1);
    PageItem(0)->SetName("TfrxChartPage");
    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_TRUE(built);
    EXPECT_TRUE(built->Objects().isEmpty());
    EXPECT_EQ(store.Errors(), Ls({"Cannot find class TfrxChartPage"}));
}

// ---------------------------------------------------------------------------------------------
// Drawing

TEST_F(StoreTest, ARebuiltPageDrawsTheSameTextAsTheOriginalObjects) {
    TfrxMemoView* a = AddMemo(QStringLiteral("Memo1"), 10, 20, 200, 40, QStringLiteral("12 + 7 = 19"));
    TfrxMemoView* b = AddMemo(QStringLiteral("Memo2"), 30, 90, 120, 200,
                              QStringLiteral("姓名：\r\n班级： 得分：\r\na long line that has to wrap twice at least"));
    b->SetHAlign(frxClass::haCenter);
    b->SetVAlign(frxClass::vaCenter);
    b->Frame()->SetTyp(frxClass::ftLeft | frxClass::ftTop);
    TfrxMemoView* c = AddMemo(QStringLiteral("Memo3"), 400, 500, 90, 30, QStringLiteral("right"));
    c->SetHAlign(frxClass::haRight);
    c->Font()->SetStyle(frxClass::fsBold);
    Prepare(1);

    platform::RecordingCanvas original, rendered;
    for (TfrxMemoView* m : {a, b, c})
        m->Draw(&original, 1.5, 1.5, 7, 9);
    store.RenderPage(0, &rendered, 1.5, 1.5, 7, 9);
    const auto want = original.TextRecords();
    const auto got = rendered.TextRecords();
    ASSERT_EQ(got.size(), want.size());
    ASSERT_FALSE(got.empty());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i]->Text, want[i]->Text) << i;
        EXPECT_EQ(got[i]->Origin, want[i]->Origin) << i;
        EXPECT_EQ(got[i]->Advances, want[i]->Advances) << i;
        EXPECT_EQ(got[i]->Bounds, want[i]->Bounds) << i;
    }
}

TEST_F(StoreTest, RenderingClipsToThePaperAndSkipsObjectsOutOfSight) {
    page->SetLeftMargin(10);
    page->SetTopMargin(5);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 100, 20, QStringLiteral("top left"));
    TfrxMemoView* far = AddMemo(QStringLiteral("Memo2"), 0, 900, 100, 20, QStringLiteral("far below"));
    TfrxMemoView* hidden = AddMemo(QStringLiteral("Memo3"), 0, 40, 100, 20, QStringLiteral("screen only"));
    hidden->SetPrintable(false);
    Q_UNUSED(far);
    Prepare(1);

    // A recording counts as seeing everything; the clip is the paper, at the offsets.
    platform::RecordingCanvas all;
    store.RenderPage(0, &all, 1, 1, 100, 200);
    EXPECT_EQ(all.TextRecords().size(), 3u);
    ASSERT_FALSE(all.Records().empty());
    EXPECT_EQ(all.Records()[0].Kind, platform::CanvasRecord::Type::SaveClip);
    EXPECT_EQ(all.Records()[1].Bounds, (platform::Rect{100, 200, 100 + 793, 200 + 1122}));
    EXPECT_EQ(all.Records().back().Kind, platform::CanvasRecord::Type::RestoreClip);
    // The margins move the objects.
    EXPECT_EQ(all.TextRecords()[0]->Text, QStringLiteral("top left"));
    EXPECT_GE(all.TextRecords()[0]->Origin.x(), 100 + 37);
    EXPECT_GE(all.TextRecords()[0]->Origin.y(), 200 + 18);

    // On a printer, no clip of our own and nothing that is not printable.
    platform::RecordingCanvas printer(600, 600, true);
    store.RenderPage(0, &printer, 6.25, 6.25, 0, 0);
    QStringList printed;
    for (const auto* r : printer.TextRecords())
        printed << r->Text;
    EXPECT_FALSE(printed.contains(QStringLiteral("screen only")));
    EXPECT_TRUE(printed.contains(QStringLiteral("far below")));
    EXPECT_NE(printer.Records()[0].Kind, platform::CanvasRecord::Type::SaveClip);
}

TEST_F(StoreTest, MirroredMarginsSwapOnOddPagesOnlyWhileDrawing) {
    page->SetMirrorMargins(true);
    page->SetLeftMargin(10);
    page->SetRightMargin(30);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 100, 20, QStringLiteral("x"));
    Prepare(2);
    platform::RecordingCanvas even, odd;
    store.RenderPage(0, &even, 1, 1, 0, 0);
    store.RenderPage(1, &odd, 1, 1, 0, 0);
    ASSERT_EQ(even.TextRecords().size(), 1u);
    ASSERT_EQ(odd.TextRecords().size(), 1u);
    const int shift = odd.TextRecords()[0]->Origin.x() - even.TextRecords()[0]->Origin.x();
    EXPECT_NEAR(shift, 20 * 3.77953, 1.0);
    EXPECT_DOUBLE_EQ(double(store.BuildPage(1)->LeftMargin()), 10);
}

TEST_F(StoreTest, TextObjectsAreToldPageCountCopyAndScale) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 200, 20, QStringLiteral("page of [TotalPages#]"));
    Prepare(3);
    store.CopyNo = 2;
    store.PrintScale = 0.5;
    platform::RecordingCanvas canvas;
    store.RenderPage(1, &canvas, 1, 1, 0, 0);
    ASSERT_EQ(canvas.TextRecords().size(), 1u);
    EXPECT_EQ(canvas.TextRecords()[0]->Text, QStringLiteral("page of 3"));
    auto* memo = qobject_cast<TfrxMemoView*>(store.BuildPage(1)->Objects()[0]);
    EXPECT_EQ(memo->CopyNumber, 2);
    EXPECT_EQ(double(memo->PrintScale), 0.5);
    EXPECT_FALSE(memo->IsPrinting());
}

TEST_F(StoreTest, PageSizeIsThePaperInWholePixelsMarginsIncluded) {
    page->SetLeftMargin(10);
    page->SetBottomMargin(15);
    Prepare(1);
    EXPECT_EQ(store.PageSizeOf(0), QPoint(794, 1123));
    page->SetOrientation(poLandscape);
    store.StartPage(nullptr); // a page without a source page: built to learn its size
    EXPECT_EQ(PageItem(1)->Name(), "page-1");
    EXPECT_EQ(store.PageSizeOf(1), QPoint(794, 1123));
}

TEST_F(StoreTest, SetSourcePaperGivesTheSourcePageACustomPaper) {
    Register();
    store.SetSourcePaper(page, 800, 2000);
    store.StartPage(page);
    Finish();
    auto* source = qobject_cast<TfrxReportPage*>(store.SourcePage(0));
    EXPECT_EQ(source->PaperSize(), 256);
    EXPECT_NEAR(double(source->PaperWidth()), 800 / 3.77953, 1e-6);
    EXPECT_EQ(store.PageSizeOf(0), QPoint(800, 2000));
    EXPECT_EQ(page->PaperSize(), 9); // the template keeps its own
}

// ---------------------------------------------------------------------------------------------
// Cut and paste, bands on the page

TEST_F(StoreTest, CutAndPasteMoveTheTailByTheOffsetFromItsFirstObject) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 50, 10, QStringLiteral("stays"));
    AddMemo(QStringLiteral("Memo2"), 50, 100, 50, 10, QStringLiteral("first cut"));
    AddMemo(QStringLiteral("Memo3"), 80, 130, 50, 10, QStringLiteral("second cut"));
    Register();
    store.StartPage(page);
    AppendPageObjects();
    EXPECT_EQ(store.ObjectPosition(), 3);
    EXPECT_EQ(store.CutTail(1), 1);
    EXPECT_EQ(ChildNames(store.FindRootItem("cutted")), Ls({"m2", "m3"}));
    store.StartPage(page);
    store.PasteTail(10, 20);
    EXPECT_EQ(store.FindRootItem("cutted"), nullptr);
    EXPECT_EQ(ChildNames(PageItem(1)), Ls({"m2", "m3"}));
    Finish();

    TfrxReportPage* built = store.BuildPage(1);
    ASSERT_EQ(built->Objects().size(), 2);
    EXPECT_DOUBLE_EQ(double(built->Objects()[0]->Left()), 10);
    EXPECT_DOUBLE_EQ(double(built->Objects()[0]->Top()), 20);
    EXPECT_DOUBLE_EQ(double(built->Objects()[1]->Left()), 40);
    EXPECT_DOUBLE_EQ(double(built->Objects()[1]->Top()), 50);
    EXPECT_EQ(store.BuildPage(0)->Objects().size(), 1);
}

TEST_F(StoreTest, BottomOfBandsAndBandOnPageReadTheCurrentPage) {
    auto* header = new TfrxBand(page);
    header->SetName(QStringLiteral("Header"));
    header->SetBounds(0, 0, 700, 40);
    auto* data = new TfrxBand(page);
    data->SetName(QStringLiteral("Data"));
    data->SetBounds(0, 0, 700, 25);
    Register();
    store.StartPage(page);
    EXPECT_EQ(double(store.BottomOfBands()), 0);
    EXPECT_FALSE(store.BandOnPage(header));
    store.AppendObject(header);
    data->SetTop(40);
    store.AppendObject(data);
    data->SetTop(65);
    data->SetHeight(30);
    store.AppendObject(data);
    EXPECT_DOUBLE_EQ(double(store.BottomOfBands()), 95);
    EXPECT_TRUE(store.BandOnPage(header));
    EXPECT_FALSE(store.BandOnPage(nullptr));
    store.StartPage(page);
    EXPECT_FALSE(store.BandOnPage(header));
}

// ---------------------------------------------------------------------------------------------
// Outline and anchors

TEST_F(StoreTest, OutlineItemsNestAndLevelUpStopsAtTheRoot) {
    TfrxOutline* outline = store.Outline();
    outline->LevelUp(); // on the root: stays
    EXPECT_EQ(outline->CurrentItem(), store.FindRootItem("outline"));
    store.CurrentPage = 3;
    outline->AddItem(QStringLiteral("第一章 \"A\""), 120);
    outline->AddItem(QStringLiteral("1.1"), 300);
    outline->LevelUp();
    outline->AddItem(QStringLiteral("1.2"), 500);
    outline->LevelRoot();
    outline->AddItem(QStringLiteral("Chapter 2"), 0);
    outline->LevelRoot();

    EXPECT_EQ(outline->ItemCount(), 2);
    QString text;
    int pageNo = -5, top = -5;
    outline->ItemAt(0, text, pageNo, top);
    EXPECT_EQ(text, QStringLiteral("第一章 \"A\""));
    EXPECT_EQ(pageNo, 3);
    EXPECT_EQ(top, 120);
    outline->LevelInto(0);
    EXPECT_EQ(outline->ItemCount(), 2);
    outline->ItemAt(1, text, pageNo, top);
    EXPECT_EQ(text, QStringLiteral("1.2"));
    EXPECT_EQ(outline->LastItem()->GetAttr("top"), "500");
    outline->LevelInto(0);
    EXPECT_EQ(outline->ItemCount(), 0);
    EXPECT_EQ(outline->LastItem(), nullptr);
    outline->LevelUp();
    outline->LevelUp();
    outline->LevelUp();
    EXPECT_EQ(outline->ItemCount(), 2);
    // Outside the children: nothing changes.
    text = QStringLiteral("kept");
    outline->ItemAt(7, text, pageNo, top);
    EXPECT_EQ(text, QStringLiteral("kept"));
}

TEST_F(StoreTest, ShiftFollowingMovesOnlyTheNextSiblingAndItsChildren) {
    TfrxOutline* outline = store.Outline();
    store.CurrentPage = 0;
    outline->AddItem(QStringLiteral("a"), 100);
    outline->LevelUp();
    outline->AddItem(QStringLiteral("b"), 400);
    outline->AddItem(QStringLiteral("b.1"), 450);
    outline->LevelRoot();
    outline->AddItem(QStringLiteral("c"), 600);
    TfrxXMLItem* root = store.FindRootItem("outline");
    outline->ShiftFollowing(root->Item(0), 10);
    auto at = [](const TfrxXMLItem* i) {
        return QString::fromLatin1(i->GetAttr("page") + "/" + i->GetAttr("top"));
    };
    EXPECT_EQ(at(root->Item(0)), QStringLiteral("0/100"));
    EXPECT_EQ(at(root->Item(1)), QStringLiteral("1/10"));
    EXPECT_EQ(at(root->Item(1)->Item(0)), QStringLiteral("1/60"));
    EXPECT_EQ(at(root->Item(2)), QStringLiteral("0/600"));
    outline->ShiftFollowing(root->Item(2), 0); // no next sibling
    EXPECT_EQ(at(root->Item(2)), QStringLiteral("0/600"));
}

TEST_F(StoreTest, AnchorsAreFoundFromTheLastWithoutCaseAndMoveTogether) {
    EXPECT_EQ(store.AnchorPosition(), -1);
    EXPECT_EQ(store.GetAnchorPage(QStringLiteral("never added")), 1);
    store.CurrentPage = 0;
    engine.CurY = 99.5;
    store.AddAnchor(QStringLiteral("Total"));
    store.CurrentPage = 4;
    engine.CurY = 10.4;
    store.AddAnchor(QStringLiteral("total"));
    store.AddAnchor(QStringLiteral("其他"));
    EXPECT_EQ(store.AnchorPosition(), 2);
    EXPECT_EQ(store.GetAnchorPage(QStringLiteral("TOTAL")), 5);
    EXPECT_EQ(store.GetAnchorPage(QStringLiteral("其他")), 5);
    const TfrxXMLItem* anchors = store.FindRootItem("anchors");
    EXPECT_EQ(anchors->Item(0)->GetAttr("top"), "100");

    store.MoveAnchors(0, 50);
    EXPECT_EQ(anchors->Item(0)->GetAttr("page"), "0");
    EXPECT_EQ(anchors->Item(1)->GetAttr("page"), "5");
    EXPECT_EQ(anchors->Item(1)->GetAttr("top"), "50");
    EXPECT_EQ(anchors->Item(2)->GetAttr("top"), "50");
    store.MoveAnchors(2, 0); // nothing follows
    EXPECT_EQ(anchors->Item(2)->GetAttr("page"), "5");
}

// ---------------------------------------------------------------------------------------------
// Page editing

TEST_F(StoreTest, PageEditingInsertsRemovesAndReplacesWholePages) {
    TfrxMemoView* memo = AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(1, [&](int) { memo->SetText(QStringLiteral("only page")); });
    store.RemovePage(0); // the only page stays
    EXPECT_EQ(store.PageCount(), 1);

    store.BuildPage(0);
    store.InsertBlankPage(0);
    EXPECT_TRUE(store.CachedPages().isEmpty());
    EXPECT_EQ(store.PageCount(), 2);
    EXPECT_EQ(PageItem(0)->Name(), "page0");
    EXPECT_TRUE(store.BuildPage(0)->Objects().isEmpty());
    store.InsertBlankPage(5);
    EXPECT_EQ(store.PageCount(), 2);
    store.RemovePage(0);
    EXPECT_EQ(store.PageCount(), 1);

    // Replacing turns the delta page into a whole page that builds from itself.
    TfrxReportPage* live = store.BuildPage(0);
    live->SetOrientation(poLandscape);
    qobject_cast<TfrxMemoView*>(live->Objects()[0])->SetText(QStringLiteral("edited"));
    store.ReplacePage(0, live);
    EXPECT_EQ(PageItem(0)->Name(), "TfrxReportPage");
    EXPECT_FALSE(PageItem(0)->MayUnload());
    store.Dictionary().Clear(); // no deltas involved any more
    TfrxReportPage* rebuilt = store.BuildPage(0);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->Orientation(), poLandscape);
    ASSERT_EQ(rebuilt->Objects().size(), 1);
    EXPECT_EQ(rebuilt->Objects()[0]->Name(), QStringLiteral("Memo1"));
    EXPECT_EQ(qobject_cast<TfrxMemoView*>(rebuilt->Objects()[0])->Text(), QStringLiteral("edited\r\n"));
    EXPECT_EQ(store.PageSizeOf(0), QPoint(1123, 794));
}

TEST_F(StoreTest, ReplacingASpilledPageKeepsTheNewContent) {
    report.EngineOptions()->SetUseFileCache(true);
    report.EngineOptions()->SetMaxMemSize(0);
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(6);
    ASSERT_FALSE(PageItem(2)->InMemory());
    TfrxReportPage fresh;
    auto* m = new TfrxMemoView(&fresh);
    m->SetName(QStringLiteral("New"));
    m->SetText(QStringLiteral("fresh"));
    store.ReplacePage(2, &fresh);
    TfrxReportPage* built = store.BuildPage(2);
    ASSERT_EQ(built->Objects().size(), 1);
    EXPECT_EQ(built->Objects()[0]->Name(), QStringLiteral("New"));
}

TEST_F(StoreTest, AppendingAnotherStoreAddsItsPagesWhole) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(2);
    TfrxReport other;
    auto* otherPage = new TfrxReportPage(&other);
    otherPage->SetName(QStringLiteral("Page1"));
    auto* m = new TfrxMemoView(otherPage);
    m->SetName(QStringLiteral("Memo1"));
    m->SetText(QStringLiteral("from the other report"));
    TfrxPreviewPages otherStore(&other);
    otherStore.RegisterSourcePage(otherPage);
    otherStore.StartPage(otherPage);
    otherStore.AppendObject(m);

    store.AppendPages(otherStore);
    ASSERT_EQ(store.PageCount(), 3);
    EXPECT_EQ(PageItem(2)->Name(), "TfrxReportPage");
    auto* built = qobject_cast<TfrxMemoView*>(store.BuildPage(2)->Objects().value(0));
    ASSERT_TRUE(built);
    EXPECT_EQ(built->Text(), QStringLiteral("from the other report\r\n"));
}

// ---------------------------------------------------------------------------------------------
// Hit testing

struct TestPreview : TfrxPreviewLink {
    void PrepareStarted() override {}
    void PageArrived(int) override {}
    void PrepareStopped() override {}
    void ShowMessage(const QString& text) override { messages << text; }
    void ShowPageAt(int pageNo, int top) override { shown << QPoint(pageNo, top); }
    void RepaintPages() override { ++repaints; }
    QStringList messages;
    QList<QPoint> shown;
    int repaints = 0;
};

// Stands in for the desktop's handler of web addresses.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class HitTestTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        report.Runtime().Preview = &preview;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &opened, "open");
        page->SetLeftMargin(10); // 37.8 px
        page->SetTopMargin(5);   // 18.9 px
        link = AddMemo(QStringLiteral("Link"), 100, 100, 200, 50, QStringLiteral("link"));
        plain = AddMemo(QStringLiteral("Plain"), 100, 300, 200, 50, QStringLiteral("plain"));
        plain->SetCursor(-4); // the I-beam
        front = AddMemo(QStringLiteral("Front"), 150, 300, 50, 50, QStringLiteral("on top"));
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        report.Runtime().Preview = nullptr;
    }
    // Page coordinates (px at zoom 1) to the point HitTest gets at `scale` and offsets 5, 7.
    int Test(int index, long double x, long double y, bool click, long double scale = 1,
             int button = Qt::LeftButton) {
        const int px = int(5 + (x + 10 * 3.77953) * scale);
        const int py = int(7 + (y + 5 * 3.77953) * scale);
        return frxPointAtPage(store, index, px, py, scale, 5, 7, click, button, 0,
                              Qt::ArrowCursor);
    }

    UrlCatcher opened;
    TestPreview preview;
    TfrxMemoView* link = nullptr;
    TfrxMemoView* plain = nullptr;
    TfrxMemoView* front = nullptr;
};

TEST_F(HitTestTest, UrlsShowAsStatusTextWithTheHandAndOpenOnClick) {
    struct Case {
        const char* url;
        QList<QPoint> shown;
        QList<QUrl> opened;
    } cases[] = {
        {"@3", {QPoint(3, 0)}, {}},
        {"#Totals", {QPoint(2, 140)}, {}},
        {"#nowhere", {QPoint(1, 0)}, {}},
        {"@x", {}, {}},
        {"http://example.org/a b", {}, {QUrl(QStringLiteral("http://example.org/a%20b"))}},
    };
    for (const Case& c : cases) {
        const QString url = QString::fromLatin1(c.url);
        Prepare(3, [&](int p) { link->SetURL(p == 1 ? url : QString()); });
        store.CurrentPage = 1;
        engine.CurY = 140;
        store.AddAnchor(QStringLiteral("totals"));
        preview.messages.clear();
        preview.shown.clear();
        opened.urls.clear();

        EXPECT_EQ(Test(1, 150, 120, false), Qt::PointingHandCursor) << c.url;
        EXPECT_EQ(preview.messages, QStringList{url}) << c.url;
        EXPECT_TRUE(preview.shown.isEmpty()) << c.url;
        Test(1, 150, 120, true);
        EXPECT_EQ(preview.shown, c.shown) << c.url;
        EXPECT_EQ(opened.urls, c.opened) << c.url;
        // The same object without a URL on another page: nothing.
        preview.messages.clear();
        EXPECT_EQ(Test(0, 150, 120, true), Qt::ArrowCursor) << c.url;
        EXPECT_EQ(preview.messages, QStringList{QString()}) << c.url;
    }
}

TEST_F(HitTestTest, TheTopmostObjectAtThePointAnswersAtAnyZoom) {
    QList<QString> over;
    report.OnMouseOverObject = [&](TfrxView* v) { over << v->Name(); };
    Prepare(1);
    for (long double scale : {1.0L, 2.0L, 0.5L}) {
        over.clear();
        EXPECT_EQ(Test(0, 120, 320, false, scale), Qt::IBeamCursor) << double(scale);
        EXPECT_EQ(Test(0, 160, 320, false, scale), Qt::ArrowCursor) << double(scale);
        EXPECT_EQ(Test(0, 99, 320, false, scale), Qt::ArrowCursor) << double(scale);
        EXPECT_EQ(Test(0, 120, 260, false, scale), Qt::ArrowCursor) << double(scale);
        EXPECT_EQ(over, (QList<QString>{QStringLiteral("Plain"), QStringLiteral("Front")}))
            << double(scale);
    }
}

TEST_F(HitTestTest, AClickThatModifiesTheObjectStoresThePageBack) {
    Prepare(2);
    QString clicked;
    report.OnClickObject = [&](TfrxView* v, int button, int, bool& modified) {
        clicked = v->Name() + QString::number(button);
        qobject_cast<TfrxMemoView*>(v)->SetText(QStringLiteral("clicked"));
        modified = v->Name() == QStringLiteral("Plain");
    };
    Test(1, 150, 120, true, 1, Qt::RightButton);
    EXPECT_EQ(clicked, QStringLiteral("Link2"));
    EXPECT_EQ(PageItem(1)->Name(), "page0"); // not modified: nothing stored
    EXPECT_EQ(preview.repaints, 0);
    Test(1, 120, 320, true);
    EXPECT_EQ(clicked, QStringLiteral("Plain1"));
    EXPECT_EQ(PageItem(1)->Name(), "TfrxReportPage");
    EXPECT_EQ(preview.repaints, 1);
    auto* m = qobject_cast<TfrxMemoView*>(store.BuildPage(1)->FindObject(QStringLiteral("Plain")));
    EXPECT_EQ(m->Text(), QStringLiteral("clicked\r\n"));
    // Nothing answers while preparing.
    clicked.clear();
    engine.Running = true;
    Test(1, 120, 320, true);
    EXPECT_TRUE(clicked.isEmpty());
    engine.Running = false;
}

TEST_F(HitTestTest, MirroredMarginsMoveTheObjectsOfOddPages) {
    page->SetMirrorMargins(true);
    page->SetRightMargin(30); // odd pages start 30 mm in instead of 10
    Prepare(2);
    EXPECT_EQ(Test(0, 120, 320, false), Qt::IBeamCursor);
    EXPECT_EQ(Test(1, 120, 320, false), Qt::ArrowCursor);
    EXPECT_EQ(Test(1, 120 + 20 * 3.77953, 320, false), Qt::IBeamCursor);
}

TEST(StoreFactory, ReportsMakeThisStoreOnceInstalled) {
    startup::EngineScope installed{startup::PreparedPages};
    TfrxReport report;
    auto* pages = dynamic_cast<TfrxPreviewPages*>(report.Runtime().PreviewPages());
    ASSERT_TRUE(pages);
    EXPECT_EQ(pages->Report, &report);
    EXPECT_EQ(report.Runtime().PreviewPages(), pages);

    // Another report's pages appended through its store.
    TfrxReport other;
    auto* page = new TfrxReportPage(&other);
    page->SetName(QStringLiteral("Page1"));
    auto* m = new TfrxMemoView(page);
    m->SetName(QStringLiteral("Memo1"));
    m->SetText(QStringLiteral("other"));
    TfrxCustomPreviewPages* theirs = other.Runtime().PreviewPages();
    theirs->RegisterSourcePage(page);
    theirs->StartPage(page);
    theirs->StartPage(page);
    theirs->AppendObject(m);
    pages->AppendReport(&other);
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->BuildPage(1)->Objects().size(), 1);
    EXPECT_TRUE(pages->BuildPage(0)->Objects().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Pictures, printing

TEST_F(StoreTest, PicturesAreCachedAndRefilledOnRebuild) {
    frxRegisterClass(&TestPictureView::staticMetaObject);
    auto* pic = new TestPictureView(page);
    pic->SetName(QStringLiteral("Picture1"));
    Register();
    store.StartPage(page);
    pic->SetPicture("first");
    store.CachePicture(pic);
    EXPECT_EQ(pic->ImageIndex(), 1);
    store.AppendObject(pic);
    pic->SetPicture("first"); // the same picture again is stored again
    store.CachePicture(pic);
    EXPECT_EQ(pic->ImageIndex(), 2);
    pic->SetPicture(QByteArray());
    store.CachePicture(pic);
    EXPECT_EQ(pic->ImageIndex(), 0);
    store.AppendObject(pic);
    pic->SetImageIndex(9); // outside the cache
    store.AppendObject(pic);
    Finish();
    EXPECT_EQ(store.PictureCache().Count(), 2);

    TfrxReportPage* built = store.BuildPage(0);
    ASSERT_EQ(built->Objects().size(), 3);
    EXPECT_EQ(qobject_cast<TestPictureView*>(built->Objects()[0])->Picture(), "first");
    EXPECT_TRUE(qobject_cast<TestPictureView*>(built->Objects()[1])->Picture().isEmpty());
    EXPECT_TRUE(qobject_cast<TestPictureView*>(built->Objects()[2])->Picture().isEmpty());
}

TEST_F(StoreTest, PrintAndExportNeedTheirHandlers) {
    platform::RegistryScope services;
    platform::Registry::Remove<TfrxExportHandler>();
    TfrxPDFExport filter;
    EXPECT_FALSE(frxHasPrintHandler());
    EXPECT_FALSE(store.Print());
    EXPECT_FALSE(store.Export(filter));
    int printed = 0;
    platform::Registry::Install(TfrxPrintHandler([&](TfrxPreviewPages& pages) {
        printed = pages.PageCount() + 1;
        return true;
    }));
    TfrxCustomExportFilter* handed = nullptr;
    platform::Registry::Install(
        TfrxExportHandler([&](TfrxPreviewPages&, TfrxCustomExportFilter& f) {
            handed = &f;
            return true;
        }));
    EXPECT_TRUE(store.Print());
    EXPECT_EQ(printed, 1);
    EXPECT_TRUE(store.Export(filter));
    EXPECT_EQ(handed, &filter);
    platform::Registry::Remove<TfrxPrintHandler>();
    EXPECT_FALSE(store.Print());
}

TEST_F(StoreTest, ClearAllEmptiesEverything) {
    AddMemo(QStringLiteral("Memo1"), 0, 0, 10, 10, QStringLiteral("a"));
    Prepare(2);
    store.AddAnchor(QStringLiteral("x"));
    store.Outline()->AddItem(QStringLiteral("y"), 0);
    store.BuildPage(0);
    store.ClearAll();
    EXPECT_EQ(store.PageCount(), 0);
    EXPECT_EQ(store.CurrentPage, -1);
    EXPECT_EQ(store.Dictionary().Count(), 0);
    EXPECT_EQ(store.SourcePageCount(), 0);
    EXPECT_TRUE(store.CachedPages().isEmpty());
    EXPECT_EQ(store.Document().Root()->Count(), 0);
    EXPECT_EQ(store.AnchorPosition(), -1);
    // The template's objects no longer point at freed copies.
    Prepare(1);
    EXPECT_EQ(store.PageCount(), 1);
    EXPECT_EQ(ChildNames(PageItem(0)), Ls({"m1"}));
}

} // namespace

#include "frxPreviewPages_test.moc"


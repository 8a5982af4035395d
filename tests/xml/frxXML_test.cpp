#include "xml/frxXML.h"

#include "common/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray Save(TfrxXMLDocument& doc) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    doc.SaveToStream(&buf);
    return buf.data();
}

void Load(TfrxXMLDocument& doc, const QByteArray& bytes, bool partial = false) {
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    doc.LoadFromStream(&buf, partial);
}

// Name, attributes and children, recursively (trees in these tests are shallow enough).
::testing::AssertionResult SameTree(const TfrxXMLItem* a, const TfrxXMLItem* b) {
    if (a->Name() != b->Name() || a->Attributes() != b->Attributes() || a->Count() != b->Count())
        return ::testing::AssertionFailure()
               << "<" << a->Name().toStdString() << " " << a->Attributes().toStdString() << "> ("
               << a->Count() << " children) vs <" << b->Name().toStdString() << " "
               << b->Attributes().toStdString() << "> (" << b->Count() << " children)";
    for (int i = 0; i < a->Count(); ++i) {
        auto r = SameTree(a->Item(i), b->Item(i));
        if (!r)
            return r;
    }
    return ::testing::AssertionSuccess();
}

QByteArray RandomWord(std::mt19937& rng, int maxLen) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._";
    QByteArray s;
    const int len = 1 + int(rng() % unsigned(maxLen));
    for (int i = 0; i < len; ++i)
        s.append(letters[rng() % (sizeof(letters) - 1)]);
    return s;
}

// Attribute text the way the writer's users make it: name="escaped value" pairs.
QByteArray RandomAttributes(std::mt19937& rng) {
    TfrxXMLItem tmp;
    const int n = int(rng() % 5);
    for (int i = 0; i < n; ++i) {
        QByteArray value;
        const int len = int(rng() % 60);
        for (int k = 0; k < len; ++k)
            value.append(char(1 + rng() % 255)); // any byte but NUL, escaped by SetAttr
        tmp.SetAttr(RandomWord(rng, 8) + QByteArray::number(i), value);
    }
    return tmp.Attributes();
}

void FillRandom(TfrxXMLItem* root, std::mt19937& rng, int items) {
    std::vector<TfrxXMLItem*> all{root};
    root->SetName(RandomWord(rng, 12));
    root->SetAttributes(RandomAttributes(rng));
    for (int i = 0; i < items; ++i) {
        TfrxXMLItem* parent = all[rng() % all.size()];
        TfrxXMLItem* child = parent->AddChild(RandomWord(rng, 12));
        child->SetAttributes(RandomAttributes(rng));
        all.push_back(child);
    }
}

// A device that records the size of every write, and may refuse them.
class RecordingDevice : public QIODevice {
public:
    std::vector<qint64> writes;
    QByteArray data;
    bool refuse = false;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* d, qint64 len) override {
        if (refuse) {
            setErrorString(QStringLiteral("disk full"));
            return -1;
        }
        writes.push_back(len);
        data.append(d, len);
        return len;
    }
};

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

} // namespace

// ----- escaping -----

struct EscapeCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

TEST(XmlEscape, ShortAndLongStringRules) {
    const QByteArray long40 = QByteArray(20, 'x') + "&" + QByteArray(19, 'y');
    const EscapeCase cases[] = {
        {"short: < becomes a reference", "a<b", "a&#60;b"},
        {"short: bare & stays", "a&b", "a&b"},
        {"short: a & that starts &quot; is escaped", "x&quot;y", "x&#38;quot;y"},
        {"short: quote, > and line breaks", "\"a>\r\n", "&#34;a&#62;&#13;&#10;"},
        {"short: a & that starts a reference is escaped", "&#60;", "&#38;#60;"},
        {"short: & before a number that is no reference stays", "&#300;&#;&#6", "&#300;&#;&#6"},
        {"31 bytes keep &", QByteArray(30, 'x') + "&", QByteArray(30, 'x') + "&"},
        {"32 bytes escape &", QByteArray(31, 'x') + "&", QByteArray(31, 'x') + "&#38;"},
        {"long: & becomes &#38; in place", long40,
         QByteArray(20, 'x') + "&#38;" + QByteArray(19, 'y')},
        {"long: &quot; is escaped like every &", QByteArray(40, 'x') + "&quot;",
         QByteArray(40, 'x') + "&#38;quot;"},
        {"bytes from 128 up pass", "\xe4\xb8\xad<\xff", "\xe4\xb8\xad&#60;\xff"},
        {"empty", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XmlEscape(c.in), c.out) << c.name;
}

TEST(XmlUnescape, KnownReferencesOnly) {
    const EscapeCase cases[] = {
        {"numeric quote", "a&#34;b", "a\"b"},
        {"named quote", "&quot;x&quot;", "\"x\""},
        {"bare & stays", "a&b", "a&b"},
        {"references of every special byte", "&#10;&#13;&#38;&#60;&#62;", "\n\r&<>"},
        {"a produced & is not read again", "&#38;#60;", "&#60;"},
        {"no semicolon", "&#65", "&#65"},
        {"empty number", "&#;", "&#;"},
        {"hexadecimal is not known", "&#x41;", "&#x41;"},
        {"above 255 stays", "&#300;", "&#300;"},
        {"leading zeros", "&#0065;", "A"},
        {"other names stay", "&lt;&amp;", "&lt;&amp;"},
        {"& at the end", "ab&", "ab&"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XmlUnescape(c.in), c.out) << c.name;
}

TEST(XmlEscape, EveryTextRoundTrips) {
    // Texts that look like references, short and long, then random bytes rich in the
    // characters references are made of.
    QList<QByteArray> texts = {"&quot;", "a&#38;", "&#38;", "&#60;x", "&#0065;", "&&quot;;",
                               "&#255;", "&#256;", "x&quot", QByteArray(30, 'x') + "&#34;",
                               QByteArray(40, 'y') + "&quot;&#38;"};
    std::mt19937 rng(7);
    const char alphabet[] = "&#;quot0123456789<>\"\r\n ab\xe4\xff";
    for (int i = 0; i < 4000; ++i) {
        QByteArray s;
        const int len = int(rng() % 70);
        for (int k = 0; k < len; ++k)
            s.append(i % 2 ? char(rng() % 256) : alphabet[rng() % (sizeof alphabet - 1)]);
        texts.append(s);
    }
    for (const QByteArray& s : texts) {
        const QByteArray escaped = XmlEscape(s);
        EXPECT_FALSE(escaped.contains('"') || escaped.contains('<') || escaped.contains('>') ||
                     escaped.contains('\n') || escaped.contains('\r'));
        EXPECT_EQ(XmlUnescape(escaped), s) << s.toStdString();
    }
}

// ----- attributes -----

TEST(XmlItemAttr, GetAttrMatchesWholeNamesIgnoringCase) {
    TfrxXMLItem item;
    item.SetAttributes("apage=\"1\" text=\"a&#60;b&quot;\" page=\"2\" Top=\"3\"");
    EXPECT_EQ(item.GetAttr("page"), "2");
    EXPECT_EQ(item.GetAttr("PAGE"), "2");
    EXPECT_EQ(item.GetAttr("apage"), "1");
    EXPECT_EQ(item.GetAttr("top"), "3");
    EXPECT_EQ(item.GetAttr("text"), "a<b\"");
    EXPECT_EQ(item.GetAttr("age"), "");
    EXPECT_EQ(item.GetAttr("missing"), "");
}

// A value may hold what looks like another attribute: only names count.
TEST(XmlItemAttr, TextInsideAValueIsNeverAName) {
    TfrxXMLItem item;
    item.SetAttributes("text=\"see page=\" page=\"7\" top=\"5\"");
    EXPECT_EQ(item.GetAttr("page"), "7");
    EXPECT_EQ(item.GetAttr("text"), "see page=");
    item.SetAttr("page", "8");
    EXPECT_EQ(item.Attributes(), "text=\"see page=\" page=\"8\" top=\"5\"");
    item.SetAttributes("a=1 b=\" c=\"2\"\"\n\tc=\"3\"");
    EXPECT_EQ(item.GetAttr("c"), "3") << "unquoted values and other blanks";
}

TEST(XmlItemAttr, SetAttrReplacesInPlaceOrAppends) {
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray attr;
        QByteArray value;
        QByteArray after;
    } cases[] = {
        {"into empty text", "", "n", "1", "n=\"1\""},
        {"appended after a blank", "a=\"1\"", "b", "2", "a=\"1\" b=\"2\""},
        {"first replaced in place", "a=\"1\" b=\"2\"", "a", "9", "a=\"9\" b=\"2\""},
        {"last replaced in place", "a=\"1\" b=\"2\"", "B", "9", "a=\"1\" B=\"9\""},
        {"value escaped", "", "t", "x<\"y\"", "t=\"x&#60;&#34;y&#34;\""},
        {"longer name not touched", "apage=\"1\"", "page", "2", "apage=\"1\" page=\"2\""},
        {"unterminated value removed to the end", "a=\"1\" b=\"2", "b", "3",
         "a=\"1\" b=\"3\""},
    };
    for (const auto& c : cases) {
        TfrxXMLItem item;
        item.SetAttributes(c.before);
        item.SetAttr(c.attr, c.value);
        EXPECT_EQ(item.Attributes(), c.after) << c.name;
    }
}

// ----- items -----

TEST(XmlItem, ChildrenMoveBetweenParentsAndLeaveOnDestruction) {
    TfrxXMLItem a("a"), b("b");
    TfrxXMLItem* x = a.AddChild("x");
    TfrxXMLItem* y = a.AddChild("y");
    TfrxXMLItem* z = a.AddChild("z");
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.IndexOf(y), 1);
    EXPECT_EQ(a.Find("Z"), 2);
    EXPECT_EQ(a.Find("w"), -1);
    EXPECT_EQ(a.FindOrAdd("Y"), y);
    TfrxXMLItem* w = a.FindOrAdd("w");
    EXPECT_EQ(a.IndexOf(w), 3);

    b.Append(y);
    EXPECT_EQ(y->Parent(), &b);
    EXPECT_EQ(a.Count(), 3);
    EXPECT_EQ(a.IndexOf(y), -1);
    b.Insert(0, z);
    EXPECT_EQ(b.Item(0), z);
    EXPECT_EQ(b.Item(1), y);
    a.Insert(99, y); // clamped to the end
    EXPECT_EQ(a.Item(a.Count() - 1), y);

    delete x;
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Item(0), w);

    // Moving an item under its own descendant would cut the branch off: refused.
    TfrxXMLItem* inner = w->AddChild("inner");
    inner->Append(w);
    EXPECT_EQ(w->Parent(), &a);
}

// Items freed in any order make room for new ones, and every item stays intact while others
// come and go, also after all of them were freed once.
TEST(XmlItem, ManyItemsFreedAndMadeAgainKeepTheirContent) {
    for (int round = 0; round < 2; ++round) {
        auto root = std::make_unique<TfrxXMLItem>("root");
        for (int i = 0; i < 3000; ++i)
            root->AddChild("i" + QByteArray::number(i))->SetAttributes("n=\"" + QByteArray::number(i) + '"');
        for (int i = root->Count() - 1; i >= 0; i -= 2)
            delete root->Item(i); // every second item, from the end
        ASSERT_EQ(root->Count(), 1500);
        for (int i = 0; i < 2000; ++i)
            root->Item(i % 1500)->AddChild("c")->AddChild("d");
        for (int i = 0; i < root->Count(); ++i) {
            const TfrxXMLItem* item = root->Item(i);
            ASSERT_EQ(item->Name(), "i" + QByteArray::number(2 * i)) << round;
            ASSERT_EQ(item->GetAttr("n"), QByteArray::number(2 * i)) << round;
            ASSERT_EQ(item->Count(), i < 500 ? 2 : 1) << round;
            ASSERT_EQ(item->Item(0)->Item(0)->Name(), "d") << round;
        }
    }
}

TEST(XmlItem, ClearUnloadsOnlyItemsThatMayUnload) {
    TfrxXMLItem plain, page;
    plain.AddChild("c");
    page.AddChild("c");
    page.SetMayUnload(true);
    plain.Clear();
    page.Clear();
    EXPECT_EQ(plain.Count(), 0);
    EXPECT_TRUE(plain.InMemory());
    EXPECT_EQ(page.Count(), 0);
    EXPECT_FALSE(page.InMemory());
}

// ----- writer -----

TEST(XmlWriter, OneLineUnlessIndented) {
    TfrxXMLDocument doc;
    TfrxXMLItem* root = doc.Root();
    root->SetName("preparedreport");
    TfrxXMLItem* pages = root->AddChild("previewpages");
    TfrxXMLItem* page = pages->AddChild("page0");
    page->AddChild("m1")->SetAttributes("l=\"1\" u=\"x\"");
    pages->AddChild("page0")->SetMayUnload(true);
    TfrxXMLItem* withAttrs = pages->AddChild("p");
    withAttrs->SetAttributes("a=\"1\"");
    withAttrs->SetMayUnload(true);
    withAttrs->AddChild("c")->SetContent("text");

    EXPECT_EQ(Save(doc), kHeader +
                             "<preparedreport><previewpages><page0><m1 l=\"1\" u=\"x\"/></page0>"
                             "<page0 ld=\"0\"/><p a=\"1\" ld=\"0\"><c>text</c></p></previewpages>"
                             "</preparedreport>");

    doc.SetIndented(true);
    EXPECT_EQ(Save(doc), kHeader + "\r\n"
                                   "<preparedreport>\r\n"
                                   "  <previewpages>\r\n"
                                   "    <page0>\r\n"
                                   "      <m1 l=\"1\" u=\"x\"/>\r\n"
                                   "    </page0>\r\n"
                                   "    <page0 ld=\"0\"/>\r\n"
                                   "    <p a=\"1\" ld=\"0\">\r\n"
                                   "      <c>text</c>\r\n"
                                   "    </p>\r\n"
                                   "  </previewpages>\r\n"
                                   "</preparedreport>\r\n");
}

TEST(XmlWriter, ContentIsWrittenOnlyWithoutChildren) {
    TfrxXMLDocument doc;
    doc.Root()->SetName("r");
    doc.Root()->SetContent("lost");
    doc.Root()->AddChild("c");
    EXPECT_EQ(Save(doc), kHeader + "<r><c/></r>");
}

TEST(XmlWriter, FlushesWhenTheBufferPassesFourKilobytes) {
    TfrxXMLDocument doc;
    doc.Root()->SetName("r");
    for (int i = 0; i < 2000; ++i)
        doc.Root()->AddChild("item")->SetAttributes("a=\"" + QByteArray::number(i) + "\"");
    RecordingDevice dev;
    dev.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    doc.SaveToStream(&dev);
    ASSERT_GT(dev.writes.size(), 3u);
    for (size_t i = 0; i + 1 < dev.writes.size(); ++i) {
        EXPECT_GT(dev.writes[i], 4096);
        EXPECT_LT(dev.writes[i], 4096 + 64);
    }
    TfrxXMLDocument back;
    Load(back, dev.data);
    EXPECT_TRUE(SameTree(doc.Root(), back.Root()));
}

TEST(XmlWriter, RefusedWriteRaisesTheDeviceError) {
    TfrxXMLDocument doc;
    doc.Root()->SetName("r");
    RecordingDevice dev;
    dev.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    dev.refuse = true;
    try {
        doc.SaveToStream(&dev);
        FAIL() << "no error";
    } catch (const TfrxXMLException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("disk full"));
    }
}

// ----- reader -----

TEST(XmlReader, BadDocumentsAreInvalidFileFormat) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty stream", ""},
        {"no tag at all", "just text"},
        {"first tag is not the declaration", "<report/>"},
        {"comment before the declaration", "<!-- c --><?xml?><r/>"},
        {"declaration only", "<?xml?>"},
        {"< inside a tag", "<?xml?><r a=\"<\"/>"},
        {"tag open at the end", "<?xml?><r><c"},
        {"comment open at the end", "<?xml?><r><!-- c -></r>"},
        {"element open at the end", "<?xml?><r><c></c>"},
        {"mismatched end tag", "<?xml?><r><c></d></r>"},
        {"end tag first", "<?xml?></r>"},
        {"declaration unterminated", "<?xml version"},
        {"element without a name", "<?xml?><r><></></r>"},
        {"element with a blank first", "<?xml?>< r/>"},
        {"end tag without a name", "<?xml?><r></>"},
    };
    for (const auto& c : cases) {
        TfrxXMLDocument doc;
        try {
            Load(doc, c.bytes);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const TfrxInvalidXMLException& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid file format")) << c.name;
        }
    }
}

TEST(XmlReader, AcceptsWhatTheFormatAllows) {
    const struct {
        const char* name;
        QByteArray bytes;
        QByteArray expected; // the tree written back
    } cases[] = {
        {"text between tags ignored", "<?xml ?>junk<r>text<c a=\"1\">more</c> tail</r>after",
         "<r><c a=\"1\"/></r>"},
        {"comments skipped, < and > inside them",
         "<?xml?><!-- <x> --><r><!--a>b<c--><c/><!----></r>", "<r><c/></r>"},
        {"end tag ignores case", "<?xml?><Page><M1></m1></PAGE>", "<Page><M1/></Page>"},
        {"self-closing forms", "<?xml?><r><a/><b /><c x=\"1\"/><d x=\"1\" /></r>",
         "<r><a/><b/><c x=\"1\"/><d x=\"1\"/></r>"},
        {"trailing blank dropped", "<?xml?><r a=\"1\" ></r >", "<r a=\"1\"/>"},
        {"marker becomes the item's flag", "<?xml?><r><p ld=\"0\"><c/></p>"
                                           "<q a=\"1\" LD=\"0\" b=\"2\"/></r>",
         "<r><p ld=\"0\"><c/></p><q a=\"1\" b=\"2\" ld=\"0\"/></r>"},
        {"reading stops after the root", "<?xml?><r/><s><", "<r/>"},
        {"line breaks between tags", "<?xml?>\r\n<r>\r\n  <c/>\r\n</r>\r\n", "<r><c/></r>"},
    };
    for (const auto& c : cases) {
        TfrxXMLDocument doc;
        try {
            Load(doc, c.bytes);
        } catch (const TfrxXMLException& e) {
            ADD_FAILURE() << c.name << ": " << e.what();
            continue;
        }
        EXPECT_EQ(Save(doc), kHeader + c.expected) << c.name;
        EXPECT_TRUE(doc.Root()->Content().isEmpty()) << c.name;
    }
}

TEST(XmlReader, FailureKeepsWhatWasRead) {
    TfrxXMLDocument doc;
    EXPECT_THROW(Load(doc, "<?xml?><r><a/><b><c/></x>"), TfrxInvalidXMLException);
    ASSERT_EQ(doc.Root()->Name(), "r");
    ASSERT_EQ(doc.Root()->Count(), 2);
    EXPECT_EQ(doc.Root()->Item(1)->Count(), 1);
}

TEST(XmlReader, TagsAndCommentsAcrossBufferBoundaries) {
    // Pad so that tags and a comment straddle every position of the 4096-byte refill.
    for (int pad = 4070; pad < 4100; ++pad) {
        QByteArray bytes = "<?xml?><r>" + QByteArray(pad - 10, ' ') +
                           "<item a=\"one two\" b=\"3\"/><!-- > < --><x/></r>";
        TfrxXMLDocument doc;
        Load(doc, bytes);
        ASSERT_EQ(doc.Root()->Count(), 2) << pad;
        EXPECT_EQ(doc.Root()->Item(0)->GetAttr("a"), "one two") << pad;
        EXPECT_EQ(doc.Root()->Item(1)->Name(), "x") << pad;
    }
}

TEST(XmlRoundTrip, RandomTreesComeBackIdentical) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        TfrxXMLDocument doc;
        FillRandom(doc.Root(), rng, int(rng() % 400));
        doc.SetIndented(seed % 2 == 0);
        const QByteArray bytes = Save(doc);
        TfrxXMLDocument back;
        Load(back, bytes);
        EXPECT_TRUE(SameTree(doc.Root(), back.Root())) << "seed " << seed;
        back.SetIndented(doc.Indented());
        EXPECT_EQ(Save(back), bytes) << "seed " << seed;
    }
}

TEST(XmlRoundTrip, HundredThousandDeepNestingReadsWritesAndFrees) {
    const int depth = 100000;
    QByteArray bytes = kHeader;
    for (int i = 0; i < depth; ++i)
        bytes += "<d>";
    for (int i = 0; i < depth; ++i)
        bytes += "</d>";
    auto doc = std::make_unique<TfrxXMLDocument>();
    Load(*doc, bytes);
    int levels = 0;
    for (const TfrxXMLItem* it = doc->Root(); it->Count() > 0; it = it->Item(0))
        ++levels;
    EXPECT_EQ(levels, depth - 1);
    QByteArray expected = kHeader;
    for (int i = 0; i < depth - 1; ++i)
        expected += "<d>";
    expected += "<d/>";
    for (int i = 0; i < depth - 1; ++i)
        expected += "</d>";
    EXPECT_EQ(Save(*doc), expected);
    doc.reset();

    TfrxXMLItem top("t");
    TfrxXMLItem* it = &top;
    for (int i = 0; i < depth; ++i)
        it = it->AddChild("d");
    top.Clear();
    EXPECT_EQ(top.Count(), 0);
}

// ----- partial loading and spilling -----

namespace {
// A prepared-report-like tree: five pages, the third and later may unload.
void FillPages(TfrxXMLDocument& doc) {
    doc.Root()->SetName("preparedreport");
    TfrxXMLItem* pages = doc.Root()->AddChild("previewpages");
    for (int p = 0; p < 5; ++p) {
        TfrxXMLItem* page = pages->AddChild("page0");
        page->SetMayUnload(p >= 2);
        for (int m = 1; m <= 3; ++m)
            page->AddChild("m" + QByteArray::number(m))
                ->SetAttributes("l=\"" + QByteArray::number(p * 10 + m) + "\" u=\"text\"");
    }
    doc.Root()->AddChild("logicalpagenumbers")->AddChild("page")->SetAttr("n", "1");
}
} // namespace

TEST(XmlPartialLoading, MarkedItemsStayInTheStreamUntilReloaded) {
    TfrxXMLDocument original;
    FillPages(original);
    const QByteArray bytes = Save(original);

    QBuffer source;
    source.setData(bytes);
    source.open(QIODevice::ReadOnly);
    TfrxXMLDocument doc;
    doc.LoadFromStream(&source, true);
    TfrxXMLItem* pages = doc.Root()->Item(0);
    ASSERT_EQ(pages->Count(), 5);
    for (int p = 0; p < 5; ++p) {
        TfrxXMLItem* page = pages->Item(p);
        EXPECT_EQ(page->InMemory(), p < 2) << p;
        EXPECT_EQ(page->MayUnload(), p >= 2) << p;
        EXPECT_EQ(page->Count(), p < 2 ? 3 : 0) << p;
        EXPECT_EQ(page->Attributes(), "") << p;
    }
    const qsizetype firstMarked = bytes.indexOf("<page0 ld=\"0\">");
    EXPECT_EQ(pages->Item(2)->CacheOffset(), firstMarked);
    EXPECT_EQ(pages->Item(3)->CacheOffset(), bytes.indexOf("<page0 ld=\"0\">", firstMarked + 1));
    // Reading back in any order gives the original children.
    doc.ReloadItem(pages->Item(4));
    doc.ReloadItem(pages->Item(2));
    EXPECT_TRUE(pages->Item(4)->InMemory());
    EXPECT_TRUE(SameTree(pages->Item(4), original.Root()->Item(0)->Item(4)));
    EXPECT_TRUE(SameTree(pages->Item(2), original.Root()->Item(0)->Item(2)));
    // Saving reads the others from the source and leaves them unloaded.
    EXPECT_EQ(Save(doc), bytes);
    EXPECT_FALSE(pages->Item(3)->InMemory());

    TfrxXMLDocument whole;
    Load(whole, bytes, false);
    for (int p = 0; p < 5; ++p) {
        EXPECT_TRUE(whole.Root()->Item(0)->Item(p)->InMemory());
        EXPECT_EQ(whole.Root()->Item(0)->Item(p)->MayUnload(), p >= 2);
        EXPECT_EQ(whole.Root()->Item(0)->Item(p)->Count(), 3);
    }
}

TEST(XmlSpill, SpilledItemsLiveInATemporaryFileUntilReloaded) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TfrxXMLDocument original, doc;
    FillPages(original);
    FillPages(doc);
    doc.SetTempDir(dir.path());
    TfrxXMLItem* pages = doc.Root()->Item(0);

    doc.SpillItem(pages->Item(0)); // may not unload: stays
    EXPECT_TRUE(pages->Item(0)->InMemory());
    EXPECT_TRUE(doc.TempFileName().isEmpty());

    doc.SpillItem(pages->Item(2));
    doc.SpillItem(pages->Item(3));
    doc.SpillItem(pages->Item(3)); // already spilled: nothing
    const QString temp = doc.TempFileName();
    ASSERT_FALSE(temp.isEmpty());
    EXPECT_TRUE(temp.startsWith(dir.path()));
    EXPECT_TRUE(QFile::exists(temp));
    EXPECT_FALSE(pages->Item(2)->InMemory());
    EXPECT_EQ(pages->Item(2)->Count(), 0);
    EXPECT_EQ(pages->Item(2)->CacheOffset(), 0);
    EXPECT_GT(pages->Item(3)->CacheOffset(), 0);

    // Writing the document reads spilled items back and releases them again.
    EXPECT_EQ(Save(doc), Save(original));
    EXPECT_FALSE(pages->Item(2)->InMemory());

    doc.ReloadItem(pages->Item(3));
    EXPECT_TRUE(SameTree(pages->Item(3), original.Root()->Item(0)->Item(3)));
    // Changed after reloading and spilled again: the new state comes back.
    pages->Item(3)->AddChild("extra");
    doc.SpillItem(pages->Item(3));
    doc.ReloadItem(pages->Item(3));
    EXPECT_EQ(pages->Item(3)->Count(), 4);

    doc.Clear();
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(doc.TempFileName().isEmpty());
}

TEST(XmlSpill, PartlyLoadedDocumentSpillsWithoutTouchingItsSource) {
    TfrxXMLDocument original;
    FillPages(original);
    const QByteArray bytes = Save(original);
    QBuffer source;
    source.setData(bytes);
    source.open(QIODevice::ReadOnly);
    TfrxXMLDocument doc;
    doc.LoadFromStream(&source, true);
    TfrxXMLItem* pages = doc.Root()->Item(0);

    doc.ReloadItem(pages->Item(2));
    pages->Item(2)->AddChild("added");
    doc.SpillItem(pages->Item(2)); // goes to the temporary file, not into the source
    EXPECT_EQ(source.data(), bytes);
    doc.ReloadItem(pages->Item(2));
    doc.ReloadItem(pages->Item(3));
    EXPECT_EQ(pages->Item(2)->Count(), 4);
    EXPECT_TRUE(SameTree(pages->Item(3), original.Root()->Item(0)->Item(3)));
}

TEST(XmlSpill, NestedSpilledItemsSurviveTheirParentsSpill) {
    TfrxXMLDocument doc;
    doc.Root()->SetName("r");
    TfrxXMLItem* outer = doc.Root()->AddChild("outer");
    outer->SetMayUnload(true);
    TfrxXMLItem* inner = outer->AddChild("inner");
    inner->SetMayUnload(true);
    inner->AddChild("leaf")->SetAttr("v", "1");
    doc.SpillItem(inner);
    doc.SpillItem(outer);
    doc.ReloadItem(outer);
    ASSERT_EQ(outer->Count(), 1);
    EXPECT_TRUE(outer->Item(0)->MayUnload());
    EXPECT_EQ(outer->Item(0)->Count(), 1);
    EXPECT_EQ(Save(doc), kHeader + "<r><outer ld=\"0\"><inner ld=\"0\"><leaf v=\"1\"/></inner>"
                                   "</outer></r>");
}

TEST(XmlSpill, UnusableTemporaryDirectoryRaisesAndKeepsTheItem) {
    TfrxXMLDocument doc;
    FillPages(doc);
    doc.SetTempDir(QStringLiteral("/nonexistent-sumdrill-dir/sub"));
    TfrxXMLItem* page = doc.Root()->Item(0)->Item(3);
    EXPECT_THROW(doc.SpillItem(page), TfrxXMLException);
    EXPECT_TRUE(page->InMemory());
    EXPECT_EQ(page->Count(), 3);
}

#include "store/frxPreviewPages.h"
#include "EngineParts.h"
#include "preview/frxPreview.h"

#include "common/ReadBack.h"
#include "common/TestSupport.h"
#include "platform/CanvasRecording.h"
#include "platform/Error.h"
#include "PreparedPages.h"
#include "xml/frxXML.h"
#include "report/frxClass.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace frxClass;

namespace {

const QString kDecl = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>");

QByteArray Save(TfrxPreviewPages& store) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    store.WriteToStream(buf);
    return buf.data();
}

// Reads `bytes` into `store`; the error's message, or empty when it loaded.
QString Load(TfrxPreviewPages& store, const QByteArray& bytes) {
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    try {
        store.ReadFromStream(buf);
    } catch (const std::exception& e) {
        return platform::MessageOf(e);
    }
    return QString();
}

// The text records of a page drawn at zoom 1 onto a recording: text and where it stands.
QStringList RecordedText(TfrxPreviewPages& store, int index) {
    platform::RecordingCanvas canvas;
    store.RenderPage(index, &canvas, 1, 1, 0, 0);
    QStringList out;
    for (const platform::CanvasRecord* r : canvas.TextRecords())
        out << QStringLiteral("%1 @%2,%3").arg(r->Text).arg(r->Bounds.Left).arg(r->Bounds.Top);
    return out;
}

QByteArray ReplaceFirst(QByteArray bytes, const QByteArray& what, const QByteArray& with) {
    const qsizetype at = bytes.indexOf(what);
    return at < 0 ? bytes : bytes.replace(at, what.size(), with);
}

QStringList ChildNames(const TfrxXMLItem* item) {
    QStringList names;
    for (int i = 0; item && i < item->Count(); ++i)
        names << QString::fromLatin1(item->Item(i)->Name());
    return names;
}

// Empty, and every operation works on it.
::testing::AssertionResult EmptyAndUsable(TfrxPreviewPages& store) {
    if (store.PageCount() != 0 || store.SourcePageCount() != 0 || store.Dictionary().Count() != 0 ||
        store.PictureCache().Count() != 0)
        return ::testing::AssertionFailure() << "not empty: " << store.PageCount() << " pages";
    if (store.BuildPage(0) || store.PageSizeOf(0) != QPoint(0, 0))
        return ::testing::AssertionFailure() << "a page builds";
    platform::RecordingCanvas canvas;
    store.RenderPage(0, &canvas, 1, 1, 0, 0);
    if (!canvas.Records().empty())
        return ::testing::AssertionFailure() << "something was drawn";
    const QByteArray saved = Save(store);
    if (!saved.startsWith(kDecl.toLatin1() + "<preparedreport>"))
        return ::testing::AssertionFailure() << "saves as " << saved.left(80).toStdString();
    return ::testing::AssertionSuccess();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Saving

TEST(PreparedReportFile, TheWorksheetSavesAsOneWellFormedLineWithItsFourSections) {
    // Short texts with "&" and text in the 8-bit code page (a font name) are what other
    // parsers trip over.
    Prepared w(1, [](Prepared& r, int) {
        r.memos[0]->SetText(QStringLiteral("a&b <c>"));
        r.memos[1]->Font()->SetName(QStringLiteral("宋体"));
    });
    w.report.ReportOptions()->SetName(QStringLiteral("口算 <练习> & \"A\""));
    w.report.PreviewOptions()->SetOutlineWidth(150);
    w.store.PictureCache().Add(QByteArray("\x01\xab\xff", 3));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.pgx"));
    w.store.WriteToFile(path);
    const QByteArray bytes = ReadFileBytes(path);

    EXPECT_TRUE(bytes.startsWith(kDecl.toLatin1() + "<preparedreport><previewpages><page0>"));
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_EQ(XmlLint(path), QString());

    // Other parsers read the texts of text objects as they are.
    EXPECT_TRUE(bytes.contains(QStringLiteral("3 + 3 = 6 ÷ 第1页").toUtf8()));

    TfrxXMLDocument doc;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    doc.LoadFromStream(&f);
    const TfrxXMLItem* root = doc.Root();
    EXPECT_EQ(ChildNames(root), QStringList({QStringLiteral("previewpages"),
                                             QStringLiteral("logicalpagenumbers"),
                                             QStringLiteral("report"), QStringLiteral("sourcepages"),
                                             QStringLiteral("dictionary"),
                                             QStringLiteral("picturecache")}));
    const TfrxXMLItem* page0 = root->Item(0)->Item(0);
    EXPECT_EQ(ChildNames(page0), QStringList({QStringLiteral("m1"), QStringLiteral("m2"),
                                              QStringLiteral("m3"), QStringLiteral("m4"),
                                              QStringLiteral("m5"), QStringLiteral("m6"),
                                              QStringLiteral("m7")}));
    EXPECT_EQ(QString::fromUtf8(page0->Item(3)->GetAttr("u")), QStringLiteral("3 + 3 = 6 ÷ 第1页"));

    EXPECT_EQ(QString::fromUtf8(page0->Item(0)->GetAttr("u")), QStringLiteral("a&b <c>"));
    EXPECT_EQ(platform::FromGbk(page0->Item(1)->GetAttr("Font.Name")), QStringLiteral("宋体"));

    const TfrxXMLItem* settings = root->Item(2)->Item(0);
    EXPECT_EQ(settings->Name(), "TfrxReport");
    EXPECT_TRUE(settings->Attributes().startsWith(
        "DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"0\" "
        "PreviewOptions.OutlineWidth=\"150\" ReportOptions.Name=\""));
    EXPECT_EQ(platform::FromGbk(settings->GetAttr("ReportOptions.Name")),
              QStringLiteral("口算 <练习> & \"A\""));

    const TfrxXMLItem* sources = root->Item(3);
    ASSERT_EQ(sources->Count(), 1);
    EXPECT_EQ(sources->Item(0)->Name(), "TfrxReportPage");
    ASSERT_EQ(sources->Item(0)->Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(sources->Item(0)->Item(i)->Name(), "TfrxMemoView");
        EXPECT_TRUE(sources->Item(0)->Item(i)->Attributes().startsWith(
            "Name=\"Memo" + QByteArray::number(i + 1) + '"'));
    }
    const TfrxXMLItem* dictionary = root->Item(4);
    ASSERT_EQ(dictionary->Count(), 7);
    EXPECT_EQ(dictionary->Item(0)->Name(), "m1");
    EXPECT_EQ(dictionary->Item(0)->Attributes(), "name=\"Page0.Memo1\"");
    EXPECT_EQ(root->Item(5)->Item(0)->Attributes(), "stream=\"01ABFF\"");
}

TEST(PreparedReportFile, SaveOpenSaveGivesTheSameBytesAndTheSamePages) {
    struct Case {
        const char* name;
        int pages;
        bool fileCache;
        bool partial;
    } cases[] = {
        {"the worksheet", 1, false, false},
        {"1,000 pages", 1000, false, false},
        {"pages spilled to the temporary file", 40, true, false},
        {"partly loaded", 40, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepared p(c.pages, [&](Prepared& r, int n) {
            r.report.EngineOptions()->SetUseFileCache(c.fileCache);
            r.report.EngineOptions()->SetMaxMemSize(0);
            if (n % 3 == 1) // some objects move, some change font
                r.memos[2]->SetTop(r.memos[2]->Top() + 1);
            r.memos[4]->Font()->SetStyle(n % 2 ? fsBold : TFontStyles());
        });
        p.store.Outline()->AddItem(QStringLiteral("章节"), 40);
        p.store.AddAnchor(QStringLiteral("end"));
        const QByteArray first = Save(p.store);

        TfrxReport other;
        TfrxPreviewPages opened(&other);
        QBuffer in;
        in.setData(first);
        in.open(QIODevice::ReadOnly);
        opened.ReadFromStream(in, c.partial);
        EXPECT_TRUE(opened.Errors().isEmpty()) << opened.Errors().join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(opened.PageCount(), c.pages);
        if (c.partial) {
            EXPECT_FALSE(opened.PagesItem()->Item(c.pages - 1)->InMemory());
        }
        for (int i : {0, c.pages / 2, c.pages - 1})
            EXPECT_EQ(RecordedText(opened, i), RecordedText(p.store, i)) << "page " << i;
        EXPECT_EQ(Save(opened), first);
    }
}

TEST(PreparedReportFile, ThirdAndLaterPagesCarryTheMarkerAndOpenInMemory) {
    Prepared p(4);
    const QByteArray bytes = Save(p.store);
    EXPECT_TRUE(bytes.contains("<page0><m1 "));
    EXPECT_TRUE(bytes.contains("<page0 ld=\"0\"><m1 "));
    EXPECT_EQ(bytes.count("ld=\"0\""), 2);

    TfrxReport other;
    TfrxPreviewPages opened(&other);
    ASSERT_EQ(Load(opened, bytes), QString());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(opened.PagesItem()->Item(i)->InMemory()) << i;
}

TEST(PreparedReportFile, OpeningSetsTheReportsFourSettingsAndNothingElse) {
    Prepared p;
    p.report.SetDotMatrixReport(true);
    p.report.PreviewOptions()->SetOutlineVisible(true);
    p.report.PreviewOptions()->SetOutlineWidth(222);
    p.report.ReportOptions()->SetName(QStringLiteral("第三单元"));
    QByteArray bytes = Save(p.store);
    // A file may not set anything else on the live report.
    bytes.replace("<TfrxReport ", "<TfrxReport ScriptText.Text=\"begin end.\" IniFile=\"x\" ");

    TfrxReport other;
    TfrxPreviewPages opened(&other);
    ASSERT_EQ(Load(opened, bytes), QString());
    EXPECT_TRUE(other.DotMatrixReport());
    EXPECT_TRUE(other.PreviewOptions()->OutlineVisible());
    EXPECT_EQ(other.PreviewOptions()->OutlineWidth(), 222);
    EXPECT_EQ(other.ReportOptions()->Name(), QStringLiteral("第三单元"));
    EXPECT_EQ(other.ScriptText(), TfrxReport().ScriptText());
    EXPECT_EQ(other.IniFile(), QStringLiteral("\\Software\\Brindle"));
}

// ---------------------------------------------------------------------------------------------
// Files on disk

TEST(PreparedReportFile, ReadFromFileReportsWhetherTheFileExisted) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.pgx"));
    Prepared p(2);
    p.store.WriteToFile(path);

    Prepared other(3);
    EXPECT_FALSE(other.store.ReadFromFile(dir.filePath(QStringLiteral("none.pgx"))));
    EXPECT_EQ(other.store.PageCount(), 3) << "a missing file leaves the pages";
    try {
        other.store.ReadFromFile(dir.filePath(QStringLiteral("none.pgx")), true);
        ADD_FAILURE() << "a missing file that must exist";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open file \""))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("none.pgx")));
    }
    EXPECT_EQ(other.store.PageCount(), 3);
    EXPECT_TRUE(other.store.ReadFromFile(path));
    EXPECT_EQ(other.store.PageCount(), 2);
}

TEST(PreparedReportFile, AFailedSaveLeavesTheOldFileWholeAndSaysWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.pgx"));
    Prepared small(1);
    small.store.WriteToFile(path);
    const QByteArray old = ReadFileBytes(path);

    auto messageOf = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const platform::Error& e) {
            return e.Message();
        }
        return QString();
    };

    // A folder that is not there.
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.pgx"));
    const QString noFolder = messageOf([&] { small.store.WriteToFile(missing); });
    EXPECT_TRUE(noFolder.startsWith(QStringLiteral("Cannot create file \""))) << noFolder.toStdString();
    EXPECT_TRUE(noFolder.contains(QStringLiteral("x.pgx")));

    // A disk that fills up half-way: the file size limit stands in for it.
    Prepared big(300);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    const QString full = messageOf([&] { big.store.WriteToFile(path); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(full.startsWith(QStringLiteral("Cannot write file \""))) << full.toStdString();
    EXPECT_GT(full.size(), QStringLiteral("Cannot write file \"\". ").size() + path.size());
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.pgx")})
        << "no temporary file is left";

    // The store is unharmed and saves once there is room.
    big.store.WriteToFile(path);
    EXPECT_GT(ReadFileBytes(path).size(), old.size());
}

// ---------------------------------------------------------------------------------------------
// Bad input

TEST(PreparedReportFile, BadFilesSayInvalidFileFormatAndLeaveTheStoreEmpty) {
    Prepared good(3);
    const QByteArray valid = Save(good.store);
    QByteArray deep = kDecl.toLatin1() + "<preparedreport><previewpages><page0>";
    for (int i = 0; i < 200000; ++i)
        deep += "<a>";
    // Objects nested far deeper than any report nests them, closed properly.
    QByteArray deepObjects;
    for (int i = 0; i < 20000; ++i)
        deepObjects += "<TfrxMemoView Name=\"Deep" + QByteArray::number(i) + "\">";
    for (int i = 0; i < 20000; ++i)
        deepObjects += "</TfrxMemoView>";
    deepObjects = QByteArray(valid).replace("</TfrxReportPage>", deepObjects + "</TfrxReportPage>");
    struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"plain text", "hello, this is not a report"},
        {"no declaration", valid.mid(kDecl.size())},
        {"truncated in a tag", valid.left(valid.size() / 2 + 3)},
        {"truncated after a tag", valid.left(valid.indexOf("</page0>") + 8)},
        {"mismatched end tag", QByteArray(valid).replace("</previewpages>", "</previewpagez>")},
        {"a < inside a tag", QByteArray(valid).replace("<m1 ", "<m1 <")},
        {"another document", kDecl.toLatin1() + "<html><body/></html>"},
        {"deep nesting left open", deep},
        {"deeply nested objects", deepObjects},
        {"compressed", qCompress(valid)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepared p(2);
        EXPECT_EQ(Load(p.store, c.bytes), QStringLiteral("Invalid file format"));
        EXPECT_TRUE(EmptyAndUsable(p.store));
        // ... and the next file opens.
        EXPECT_EQ(Load(p.store, valid), QString());
        EXPECT_EQ(RecordedText(p.store, 2), RecordedText(good.store, 2));
    }
}

TEST(PreparedReportFile, UnknownNamesAreCollectedAndTheRestOpens) {
    Prepared p(2);
    const QByteArray valid = Save(p.store);
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList errors;
        int objectsOnPage0;
    } cases[] = {
        {"an unknown class among the source objects",
         QByteArray(valid).replace("<TfrxMemoView Name=\"Memo7\"", "<TfrxWhatView Name=\"Memo7\""),
         {QStringLiteral("Cannot find class TfrxWhatView"), QStringLiteral("Cannot find class m7")},
         6},
        {"a dictionary entry naming an object that is not there",
         QByteArray(valid).replace("\"Page0.Memo2\"", "\"Page0.Memo99\""),
         {QStringLiteral("Cannot find class m2")}, 6},
        {"a dictionary entry naming a page that is not there",
         QByteArray(valid).replace("\"Page0.Memo3\"", "\"Page7.Memo3\""),
         {QStringLiteral("Cannot find class m3")}, 6},
        {"a dictionary entry without a page part",
         QByteArray(valid).replace("\"Page0.Memo4\"", "\"Memo4\""),
         {QStringLiteral("Cannot find class m4")}, 6},
        {"an unknown class on a page", ReplaceFirst(valid, "<m5 ", "<zz "),
         {QStringLiteral("Cannot find class zz")}, 6},
        {"a huge attribute",
         ReplaceFirst(valid, "<m6 ", "<m6 Tag=\"" + QByteArray(8 << 20, '7') + "\" "),
         {}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TfrxReport other;
        TfrxPreviewPages opened(&other);
        EXPECT_EQ(Load(opened, c.bytes), QString());
        for (const QString& e : c.errors)
            EXPECT_TRUE(opened.Errors().contains(e)) << opened.Errors().join(QLatin1Char('|')).toStdString();
        if (c.errors.isEmpty()) {
            EXPECT_TRUE(opened.Errors().isEmpty()) << opened.Errors().join(QLatin1Char('|')).toStdString();
        }
        ASSERT_EQ(opened.PageCount(), 2);
        TfrxReportPage* built = opened.BuildPage(0);
        ASSERT_TRUE(built);
        EXPECT_EQ(built->Objects().size(), c.objectsOnPage0);
        EXPECT_FALSE(Save(opened).isEmpty());
        opened.ClearAll();
        EXPECT_TRUE(EmptyAndUsable(opened));
    }
}

// ---------------------------------------------------------------------------------------------
// Texts, attributes and files from elsewhere

// Every text comes back from a saved file as it was, those that look like escapes included.
TEST(PreparedReportFile, TextsThatLookLikeEscapesComeBackAsTheyWere) {
    const QStringList texts = {
        QStringLiteral("&quot;"),     QStringLiteral("a&#38;"),   QStringLiteral("&#60;b&#62;"),
        QStringLiteral("x & y"),      QStringLiteral("\"quoted\""), QStringLiteral("&amp;&#0065;"),
        QStringLiteral("一个很长的文本 &quot; 和 &#38; 以及更多的字 &#34; 结束"),
    };
    Prepared p(1, [&](Prepared& r, int) {
        for (int i = 0; i < texts.size(); ++i)
            r.memos[i]->SetText(texts[i]);
    });
    const QByteArray saved = Save(p.store);
    TfrxReport other;
    TfrxPreviewPages opened(&other);
    ASSERT_EQ(Load(opened, saved), QString());
    TfrxReportPage* page = opened.BuildPage(0);
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < texts.size(); ++i) {
        auto* memo = qobject_cast<TfrxCustomMemoView*>(page->FindObject(QStringLiteral("Memo%1").arg(i + 1)));
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->Memo().join(QLatin1Char('\n')), texts[i]);
    }
    EXPECT_EQ(Save(opened), saved);
}

// An outline entry whose text ends in " page=" still leads to its own page.
TEST(PreparedReportFile, AnAttributeTextThatLooksLikeAnotherAttributeIsOnlyText) {
    Prepared p(3);
    p.store.Outline()->AddItem(QStringLiteral("see page="), 12);
    QString text;
    int page = -1, top = -1;
    p.store.Outline()->LevelRoot();
    p.store.Outline()->ItemAt(0, text, page, top);
    EXPECT_EQ(text, QStringLiteral("see page="));
    EXPECT_EQ(page, 2);
    EXPECT_EQ(top, 12);
}

// A dot-matrix page in a file reads as such a page, with its texts.
TEST(PreparedReportFile, DotMatrixPagesOpenWithTheirObjects) {
    const QByteArray file =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport>"
        "<previewpages><TfrxDMPPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" "
        "PaperSize=\"9\"><TfrxDMPMemoView Name=\"DMPMemo1\" Left=\"10\" Top=\"20\" "
        "Width=\"300\" Height=\"20\" FontStyle=\"3\" Text=\"Invoice 42\"/></TfrxDMPPage>"
        "</previewpages></preparedreport>";
    TfrxReport report;
    TfrxPreviewPages store(&report);
    ASSERT_EQ(Load(store, file), QString());
    ASSERT_EQ(store.PageCount(), 1);
    TfrxReportPage* page = store.BuildPage(0);
    ASSERT_NE(page, nullptr);
    EXPECT_STREQ(page->metaObject()->className(), "TfrxDMPPage");
    EXPECT_TRUE(store.Errors().isEmpty()) << store.Errors().join(QLatin1Char('|')).toStdString();
    auto* memo = qobject_cast<TfrxDMPMemoView*>(page->FindObject(QStringLiteral("DMPMemo1")));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->FontStyle(), 3);
    const QStringList drawn = RecordedText(store, 0);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_TRUE(drawn.first().startsWith(QStringLiteral("Invoice 42"))) << drawn.first().toStdString();
}

// Links from a file open only on the web or in mail; anything else is refused by name.
TEST(PreparedReportFile, OnlyWebAndMailLinksGoToTheDesktop) {
    const struct {
        const char* link;
        bool opens;
    } links[] = {
        {"https://example.org/a", true}, {"http://example.org", true}, {"mailto:a@b.c", true},
        {"www.example.org", true},       {"file:///etc/passwd", false}, {"/etc/passwd", false},
        {"ssh://host", false},           {"javascript:alert(1)", false}, {"custom-app:run", false},
    };
    for (const auto& l : links)
        EXPECT_EQ(frxIsOpenableLink(QUrl::fromUserInput(QString::fromLatin1(l.link))), l.opens)
            << l.link;

    Prepared p(1, [](Prepared& r, int) { r.memos[0]->SetURL(QStringLiteral("file:///etc/passwd")); });
    TfrxReportPage* page = p.store.BuildPage(0);
    ASSERT_NE(page, nullptr);
    const TfrxComponent* memo = page->FindObject(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    const int x = int((memo->AbsLeft() + page->LeftMargin() * fr01cm) + 5);
    const int y = int((memo->AbsTop() + page->TopMargin() * fr01cm) + 5);
    try {
        frxPointAtPage(p.store, 0, x, y, 1, 0, 0, true, Qt::LeftButton, 0, Qt::ArrowCursor);
        ADD_FAILURE() << "the link was not refused";
    } catch (const platform::Error& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The link \"file:///etc/passwd\" was not opened: "
                                              "only http, https and mailto links are"));
    }
}

// A temporary folder that cannot be used while pages are painted: the pages stay in memory and
// the user is told once (the paint event must not raise).
TEST(PreparedReportFile, AnUnusableTemporaryFolderKeepsThePagesInMemory) {
    CollectedErrors boxes;
    const QStringList& told = boxes.texts;
    const QString noFolder = QStringLiteral("/nonexistent-sumdrill-temp");
    Prepared p(60);
    p.report.EngineOptions()->SetUseFileCache(true);
    p.report.PreviewOptions()->SetPagesInCache(2);
    p.store.Document().SetTempDir(noFolder);
    ASSERT_EQ(p.store.PageCount(), 60);
    for (int i = 0; i < 60; ++i) // the paint path: pages built one after another, evicting
        ASSERT_NE(p.store.BuildPage(i), nullptr) << i;
    QCoreApplication::processEvents();
    ASSERT_EQ(told.size(), 1) << told.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Cannot create a temporary file in ") + noFolder))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QStringLiteral("The pages are kept in memory")));
    EXPECT_EQ(RecordedText(p.store, 59).size(), 7);
}

// A writable file in a folder that takes no new files (no temporary file can go beside it) is
// written in place. Root passes every access check, so the save runs as another user there.
TEST(PreparedReportFile, AWritableFileInAReadOnlyFolderIsSavedInPlace) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.pgx"));
    Prepared small(1);
    small.store.WriteToFile(path);
    Prepared bigger(3);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOther | QFileDevice::WriteOther |
                                    QFileDevice::ReadGroup | QFileDevice::WriteGroup);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    auto save = [&]() -> QString {
        try {
            bigger.store.WriteToFile(path);
        } catch (const std::exception& e) {
            return platform::MessageOf(e);
        }
        return QString();
    };
    bool saved = false;
    if (geteuid() == 0) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // 3: this machine lets no other user in here (no setuid, a private temporary folder).
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            if (!dropped || access(QFile::encodeName(path).constData(), W_OK) != 0)
                _exit(3);
            _exit(save().isEmpty() ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 1) << "the save as another user failed";
        saved = WEXITSTATUS(status) == 0;
    }
    if (!saved) {
        EXPECT_EQ(save(), QString());
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    TfrxReport other;
    TfrxPreviewPages opened(&other);
    ASSERT_TRUE(opened.ReadFromFile(path, true));
    EXPECT_EQ(opened.PageCount(), 3);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("shared.pgx")});
}

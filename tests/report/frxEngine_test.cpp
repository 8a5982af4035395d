// Preparation: the worksheet's page, template restore, errors and their display, page sizes,
// stretching, and the bands of a multi-page report over data sets.

#include "report/frxEngine.h"
#include "EngineParts.h"

#include "store/frxPreviewPages.h"
#include "report/frxDataSets.h"
#include "report/frxExpression.h"
#include "report/frxScript.h"

#include "platform/CanvasRecording.h"
#include "platform/Error.h"

#include "TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

void SetFont(TfrxComponent* c, int pixels, bool bold) {
    TfrxFont font;
    font.SetName(S("Arial"));
    font.SetHeight(-pixels);
    font.SetStyle(bold ? TFontStyles(fsBold) : TFontStyles());
    c->SetFont(&font);
}

TfrxMemoView* AddMemo(TfrxComponent* parent, const char* name, long double l, long double t,
                      long double w, long double h, const char* text) {
    auto* m = new TfrxMemoView(parent);
    m->SetName(S(name));
    m->SetBounds(l, t, w, h);
    m->SetText(S(text));
    return m;
}

template <class Band>
Band* AddBand(TfrxReportPage* page, const char* name, long double top, long double height) {
    auto* b = new Band(page);
    b->SetName(S(name));
    b->SetBounds(0, top, 0, height);
    return b;
}

// The worksheet's template: a data page and one A4 page with seven text objects.
void BuildWorksheet(TfrxReport& report) {
    auto* data = new TfrxDataPage(&report);
    data->SetName(S("Data"));
    auto* page = new TfrxReportPage(&report);
    page->SetName(S("Page1"));
    struct M {
        const char* name;
        long double l, t, w, h;
        const char* text;
    } memos[] = {
        {"Memo1", 18.89762559, 196.53551118, 151.1812, 827.71707, "[var1]"},
        {"Memo6", 56.69295, 158.74026, 710.55164, 30.23624, "[var6]"},
        {"Memo7", 260.78757, 79.37013, 306.14193, 34.01577, "[var7]"},
        {"Memo2", 170.07885, 196.53556, 151.1812, 827.71707, "[var2]"},
        {"Memo3", 321.26005, 196.53556, 151.1812, 827.71707, "[var3]"},
        {"Memo4", 472.44125, 196.53556, 151.1812, 827.71707, "[var4]"},
        {"Memo5", 623.62245, 196.53556, 151.1812, 827.71707, "[var5]"},
    };
    for (const M& m : memos) {
        TfrxMemoView* memo = AddMemo(page, m.name, m.l, m.t, m.w, m.h, m.text);
        memo->DisplayFormat()->SetDecimalSeparator(S("."));
        const bool column = m.name[4] >= '1' && m.name[4] <= '5';
        if (column) {
            SetFont(memo, 19, false);
            memo->SetHAlign(haRight);
            memo->SetLineSpacing(20);
            memo->SetStretchMode(smMaxHeight);
            memo->SetAutoWidth(true);
            memo->SetSuppressRepeated(true);
        } else {
            SetFont(memo, m.name[4] == '7' ? 27 : 16, true);
        }
    }
    for (int i = 1; i <= 7; ++i)
        report.Variables().Add(S(" var%1").arg(i).trimmed().prepend(QLatin1Char(' ')));
}

QString Column(int n) {
    QString s;
    for (int r = 0; r < 4; ++r)
        s += S("%1 + %2 = %3    \r").arg(10 * n + r).arg(r + 1).arg(10 * n + 2 * r + 1);
    return s;
}

QByteArray Saved(const TfrxComponent& c) {
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    c.SaveToStream(b, true);
    return b.data();
}

// A text object that needs a given height, whatever its text.
class NeedMemo : public TfrxMemoView {
    Q_OBJECT
    Q_PROPERTY(double Need READ Need WRITE SetNeed)
public:
    Q_INVOKABLE explicit NeedMemo(QObject* owner = nullptr) : TfrxMemoView(owner) {}
    double Need() const { return m_need; }
    void SetNeed(double v) { m_need = v; }
    long double CalcHeight() override { return m_need; }

private:
    double m_need = 0;
};

// An object of a prepared page as the store rebuilds it.
struct ObjectRecord {
    QString cls, name, text;
    long double left = 0, top = 0, width = 0, height = 0; // top and left on the page
};

TfrxPreviewPages& StoreOf(TfrxReport& report) {
    return *static_cast<TfrxPreviewPages*>(report.Runtime().PreviewPages());
}

QList<ObjectRecord> PageObjectsOf(TfrxReport& report, int index) {
    QList<ObjectRecord> out;
    TfrxReportPage* page = StoreOf(report).BuildPage(index);
    if (!page)
        return out;
    for (TfrxComponent* c : page->AllObjects()) {
        ObjectRecord r;
        r.cls = QString::fromLatin1(c->metaObject()->className());
        r.name = c->Name();
        if (auto* m = qobject_cast<TfrxCustomMemoView*>(c))
            r.text = m->Memo().join(QLatin1Char('\n'));
        r.left = c->AbsLeft();
        r.top = c->AbsTop();
        r.width = c->Width();
        r.height = c->Height();
        out.append(r);
    }
    return out;
}

// The store's whole document as the serializer writes it.
QByteArray StoreBytes(TfrxReport& report) {
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    StoreOf(report).Document().SaveToStream(&b);
    return b.data();
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        report.EngineOptions()->SetNewSilentMode(simSilent);
        report.OnGetValue = [this](const QString& name, Variant& value) {
            ++asked[name];
            if (answers.contains(name))
                value = answers.value(name);
        };
    }
    TfrxPreviewPages& Store() { return StoreOf(report); }
    QList<ObjectRecord> PageObjects(int page) { return PageObjectsOf(report, page); }
    // The records of one class on a page.
    QList<ObjectRecord> Of(int page, const char* cls) {
        QList<ObjectRecord> out;
        for (const ObjectRecord& r : PageObjects(page))
            if (r.cls == S(cls))
                out.append(r);
        return out;
    }
    TfrxReportPage* NewPage(long double margin = 0) {
        auto* page = new TfrxReportPage(&report);
        page->SetName(S("Page%1").arg(report.PagesCount()));
        page->SetLeftMargin(margin);
        page->SetRightMargin(margin);
        page->SetTopMargin(margin);
        page->SetBottomMargin(margin);
        return page;
    }

    TfrxReport report;
    QHash<QString, int> asked;
    QHash<QString, Variant> answers;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The worksheet's page

TEST_F(Engine, WorksheetPreparesToOnePageAskingEachNameOnce) {
    BuildWorksheet(report);
    for (int n = 1; n <= 5; ++n)
        answers[S("var%1").arg(n)] = Variant(Column(n));
    answers[S("var6")] = Variant(S("题数：20      姓名"));
    answers[S("var7")] = Variant(S("数  学  运  算  练  习"));

    // The prepared bounds, as the objects have them when they are appended.
    QHash<QString, long double> bottoms, heights;
    report.OnAfterPrint = [&](TfrxReportComponent* c) {
        bottoms[c->Name()] = c->Top() + c->Height();
        heights[c->Name()] = c->Height();
    };
    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    ASSERT_EQ(Store().PageCount(), 1);
    for (int n = 1; n <= 7; ++n)
        EXPECT_EQ(asked.value(S("var%1").arg(n)), 1) << "var" << n;

    const QList<ObjectRecord> memos = Of(0, "TfrxMemoView");
    QStringList order;
    for (const ObjectRecord& r : memos)
        order << r.name;
    EXPECT_EQ(order, (QStringList{S("Memo1"), S("Memo6"), S("Memo7"), S("Memo2"), S("Memo3"),
                                  S("Memo4"), S("Memo5")}));
    // The columns end at the lowest bottom; the one whose top is a hair higher grows by it.
    const long double bottom = 196.53556L + 827.71707L;
    for (const char* name : {"Memo1", "Memo2", "Memo3", "Memo4", "Memo5"})
        EXPECT_NEAR(static_cast<double>(bottoms.value(S(name))), static_cast<double>(bottom), 1e-9)
            << name;
    EXPECT_NEAR(static_cast<double>(heights.value(S("Memo1"))), 827.71707 + 0.00004882, 1e-9);
    EXPECT_EQ(static_cast<double>(heights.value(S("Memo2"))), 827.71707) << "none stretches";
    // The store keeps only differences above 0.0001 px.
    EXPECT_EQ(static_cast<double>(memos[0].height), 827.71707);
    EXPECT_EQ(memos[1].text, S("题数：20      姓名"));
    EXPECT_EQ(memos[0].text.split(QLatin1Char('\n')).first(), S("10 + 1 = 11    "));
    EXPECT_NEAR(static_cast<double>(report.Runtime().Engine()->PageHeight), 1122.52041, 1e-9);
    EXPECT_NEAR(static_cast<double>(report.Runtime().Engine()->PageWidth), 793.7013, 1e-9);
}

TEST_F(Engine, TwoPreparationsGiveTheSameOutputAndLeaveTheTemplateAlone) {
    BuildWorksheet(report);
    for (int n = 1; n <= 7; ++n)
        answers[S("var%1").arg(n)] = Variant(Column(n));
    const QByteArray before = Saved(report);
    ASSERT_TRUE(report.Prepare(true));
    const QByteArray first = StoreBytes(report);
    ASSERT_TRUE(report.Prepare(true));
    EXPECT_EQ(Store().PageCount(), 1) << "cleared and prepared afresh, not accumulated";
    EXPECT_EQ(StoreBytes(report), first);
    EXPECT_EQ(Saved(report), before);
    auto* memo = qobject_cast<TfrxMemoView*>(report.FindObject(S("Memo1")));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Text(), S("[var1]\r\n"));
    EXPECT_TRUE(memo->LastValue.IsNull()) << "the template's repeat memory starts over";
}

TEST_F(Engine, FailingExpressionGivesItsErrorAndOneEmptyPage) {
    BuildWorksheet(report);
    for (int n = 1; n <= 7; ++n)
        answers[S("var%1").arg(n)] = Variant(S("x"));
    qobject_cast<TfrxMemoView*>(report.FindObject(S("Memo2")))->SetText(S("[1 div 0]"));
    EXPECT_FALSE(report.Prepare(true));
    ASSERT_EQ(report.Errors().size(), 1);
    EXPECT_TRUE(report.Errors()[0].startsWith(S("Memo2: Error in expression '1 div 0': ")))
        << report.Errors()[0].toStdString();
    ASSERT_EQ(Store().PageCount(), 1) << "the page was started";
    EXPECT_TRUE(PageObjects(0).isEmpty()) << "the band was never appended";
    EXPECT_FALSE(report.Runtime().Engine()->Running);
    EXPECT_TRUE(report.CurrentObjectName.isEmpty());
}

// A template whose third object fails comes back byte for byte, whatever preparation did
// to the objects before the failure (texts evaluated, heights stretched, bounds aligned).
TEST_F(Engine, TemplateIsRestoredByteForByteAfterAFailure) {
    TfrxReportPage* page = NewPage(10);
    TfrxMemoView* a = AddMemo(page, "MemoA", 10, 10, 200, 20, "[var1] and more text to wrap");
    a->SetStretchMode(smActualHeight);
    a->SetSuppressRepeated(true);
    AddMemo(page, "MemoB", 10, 40, 100, 20, "[var2]")->SetAlign(baWidth);
    AddMemo(page, "MemoC", 10, 70, 100, 20, "[Missing(1)]");
    AddMemo(page, "MemoD", 10, 100, 100, 20, "[var2]");
    report.ReportOptions()->SetPassword(S("secret"));
    answers[S("var1")] = Variant(S("a long value that wraps onto several lines in its box"));
    answers[S("var2")] = Variant(S("b"));
    const QByteArray before = Saved(report);

    EXPECT_FALSE(report.Prepare(true));
    EXPECT_EQ(Saved(report), before);
    EXPECT_EQ(report.ReportOptions()->Password(), S("secret"));
    ASSERT_FALSE(report.Errors().isEmpty());
    EXPECT_TRUE(report.Errors()[0].startsWith(S("MemoC: "))) << report.Errors()[0].toStdString();
}

TEST_F(Engine, ErrorDisplayFollowsTheSilentMode) {
    TfrxReportPage* page = NewPage();
    AddMemo(page, "Memo1", 0, 0, 100, 20, "[1 div 0]");
    const QString expected = S("The following error(s) have occured:\r\nMemo1: Error in "
                               "expression '1 div 0': ");

    report.EngineOptions()->SetNewSilentMode(simReThrow);
    try {
        report.Prepare(true);
        ADD_FAILURE() << "simReThrow raises";
    } catch (const TfrxException& e) {
        EXPECT_TRUE(e.Message().startsWith(expected)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().endsWith(S("\r\n")));
    }

    report.EngineOptions()->SetNewSilentMode(simMessageBoxes);
    QString title, text;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                title = box->windowTitle();
                text = box->text();
                box->accept();
            }
    });
    closer.start(10);
    EXPECT_FALSE(report.Prepare(true));
    EXPECT_EQ(title, S("Error"));
    EXPECT_TRUE(text.startsWith(expected)) << text.toStdString();
}

TEST_F(Engine, ScriptThatDoesNotCompileStopsBeforeAnyPage) {
    NewPage();
    report.SetScriptText({S("begin"), S("  x := ;"), S("end.")});
    EXPECT_FALSE(report.Prepare(true));
    ASSERT_EQ(report.Errors().size(), 1);
    EXPECT_TRUE(report.Errors()[0].startsWith(S("Script error at 2:"))) << report.Errors()[0].toStdString();
    EXPECT_EQ(Store().PageCount(), 0);
}

TEST_F(Engine, MissingDataSetsAreNamed) {
    NewPage();
    report.Datasets() << S("Orders") << S("Customers");
    EXPECT_FALSE(report.Prepare(true));
    EXPECT_EQ(report.Errors(), (QStringList{S("Dataset \"Customers\" does not exist"),
                                            S("Dataset \"Orders\" does not exist")}));
    EXPECT_EQ(Store().PageCount(), 0) << "nothing ran";
}

TEST_F(Engine, PageHeightFromPaperAndMargins) {
    struct Row {
        long double margin;
        double height, width;
    } rows[] = {{0, 1122.52041, 793.7013}, {10, 1046.92981, 718.1107}};
    for (const Row& r : rows) {
        TfrxReport rep;
        auto* page = new TfrxReportPage(&rep);
        page->SetName(S("Page1"));
        page->SetLeftMargin(r.margin);
        page->SetRightMargin(r.margin);
        page->SetTopMargin(r.margin);
        page->SetBottomMargin(r.margin);
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        ASSERT_TRUE(rep.Prepare(true));
        EXPECT_NEAR(static_cast<double>(rep.Runtime().Engine()->PageHeight), r.height, 1e-9);
        EXPECT_NEAR(static_cast<double>(rep.Runtime().Engine()->PageWidth), r.width, 1e-9);
    }
}

// ---------------------------------------------------------------------------------------------
// Stretching on a band

TEST_F(Engine, MaxHeightObjectsEndAtTheLowestBottom) {
    frxRegisterClass(&NeedMemo::staticMetaObject);
    struct Row {
        const char* name;
        double need; // what the 100-high object at top 0 needs
        double expected;
    } rows[] = {
        {"bottoms 100 and 150 both end at 150", 40, 150},
        {"one needing 200 takes both to 200", 200, 200},
    };
    for (const Row& r : rows) {
        TfrxReport rep;
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        auto* page = new TfrxReportPage(&rep);
        page->SetName(S("Page1"));
        auto* m1 = new NeedMemo(page);
        m1->SetName(S("Memo1"));
        m1->SetBounds(0, 0, 100, 100);
        m1->SetNeed(r.need);
        auto* m2 = new NeedMemo(page);
        m2->SetName(S("Memo2"));
        m2->SetBounds(200, 50, 100, 100);
        m2->SetNeed(10);
        for (TfrxMemoView* m : {static_cast<TfrxMemoView*>(m1), static_cast<TfrxMemoView*>(m2)})
            m->SetStretchMode(smMaxHeight);
        ASSERT_TRUE(rep.Prepare(true)) << r.name;
        const QList<ObjectRecord> objs = PageObjectsOf(rep, 0);
        ASSERT_EQ(objs.size(), 2) << r.name;
        EXPECT_EQ(static_cast<double>(objs[0].top + objs[0].height), r.expected) << r.name;
        EXPECT_EQ(static_cast<double>(objs[1].top + objs[1].height), r.expected) << r.name;
        // The template is read back after preparing: its objects are new ones.
        auto* kept = qobject_cast<TfrxView*>(rep.FindObject(S("Memo1")));
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(static_cast<double>(kept->Height()), 100) << "the template keeps its height";
    }
}

TEST_F(Engine, ActualHeightNeverShrinksAndInvisibleObjectsCountButAreNotEvaluated) {
    TfrxReportPage* page = NewPage();
    auto* band = AddBand<TfrxReportTitle>(page, "Title", 0, 40);
    band->SetStretched(true);
    AddMemo(band, "Short", 0, 0, 300, 80, "[var1]")->SetStretchMode(smActualHeight);
    auto* hidden = AddMemo(band, "Hidden", 0, 0, 300, 120, "[var2]");
    hidden->SetVisible(false);
    answers[S("var1")] = Variant(S("one line"));
    ASSERT_TRUE(report.Prepare(true));
    EXPECT_EQ(asked.value(S("var2")), 0) << "an invisible object is not evaluated";
    const auto titles = Of(0, "TfrxReportTitle");
    ASSERT_EQ(titles.size(), 1);
    EXPECT_EQ(static_cast<double>(titles[0].height), 120) << "the invisible object's bottom counts";
    const auto memos = Of(0, "TfrxMemoView");
    ASSERT_EQ(memos.size(), 1) << "only the visible object is on the page";
    EXPECT_EQ(static_cast<double>(memos[0].height), 80) << "smActualHeight never shrinks";
}

TEST_F(Engine, StretchedObjectShiftsTheObjectsBelowAndTheBandPushesTheNextOne) {
    TfrxReportPage* page = NewPage();
    auto* data = AddBand<TfrxMasterData>(page, "Data", 100, 30);
    data->SetRowCount(2);
    data->SetStretched(true);
    auto* body = AddMemo(data, "Body", 0, 0, 120, 20, "[var1]");
    body->SetStretchMode(smActualHeight);
    AddMemo(data, "Below", 0, 22, 120, 8, "below");
    auto* beside = AddMemo(data, "Beside", 200, 22, 120, 8, "beside");
    beside->SetShiftMode(smWhenOverlapped);
    AddMemo(data, "Pinned", 0, 25, 50, 5, "pinned")->SetShiftMode(smDontShift);
    answers[S("var1")] = Variant(S("1\r2\r3\r4\r5"));

    ASSERT_TRUE(report.Prepare(true));
    const auto bands = Of(0, "TfrxMasterData");
    ASSERT_EQ(bands.size(), 2);
    const auto memos = Of(0, "TfrxMemoView");
    ASSERT_EQ(memos.size(), 8);
    const long double grown = memos[0].height - 20;
    ASSERT_GT(static_cast<double>(grown), 20);
    EXPECT_NEAR(static_cast<double>(memos[1].top - bands[0].top), static_cast<double>(22 + grown), 1e-6);
    EXPECT_NEAR(static_cast<double>(memos[2].top - bands[0].top), 22, 1e-6) << "not under Body";
    EXPECT_NEAR(static_cast<double>(memos[3].top - bands[0].top), 25, 1e-6) << "smDontShift";
    EXPECT_NEAR(static_cast<double>(bands[0].height), static_cast<double>(30 + grown), 1e-6);
    EXPECT_NEAR(static_cast<double>(bands[1].top), static_cast<double>(bands[0].top + bands[0].height), 1e-9)
        << "the next record starts below the stretched one";
}

// ---------------------------------------------------------------------------------------------
// Bands over data

namespace {

// A user data set of `rows` customers with the fields Name and Id.
std::unique_ptr<TfrxUserDataSet> Customers(int rows) {
    auto ds = std::make_unique<TfrxUserDataSet>();
    ds->SetUserName(S("Customers"));
    ds->Fields = {S("Name"), S("Id")};
    ds->RangeEndCount = rows;
    TfrxUserDataSet* p = ds.get();
    ds->OnGetValue = [p](const QString& field, Variant& value) {
        if (field == S("Name"))
            value = Variant(S("Customer %1").arg(p->RecNo() + 1));
        else
            value = Variant(p->RecNo() + 1);
    };
    return ds;
}

} // namespace

TEST_F(Engine, ListOverPagesWithHeaderFooterTitleAndSummary) {
    auto ds = Customers(25);
    TfrxReportPage* page = NewPage(10); // 1046.92981 px high
    AddMemo(AddBand<TfrxReportTitle>(page, "Title", 0, 50), "TitleText", 0, 0, 300, 20, "Customers");
    AddMemo(AddBand<TfrxPageHeader>(page, "Head", 60, 30), "HeadText", 0, 0, 300, 20,
            "Page [Page#]");
    auto* data = AddBand<TfrxMasterData>(page, "Data", 100, 100);
    data->SetDataSetName(S("Customers"));
    AddMemo(data, "Name", 0, 0, 300, 20, "[Line]. [Customers.\"Name\"]");
    AddMemo(AddBand<TfrxReportSummary>(page, "Summary", 300, 40), "End", 0, 0, 300, 20, "end");
    auto* footer = AddBand<TfrxPageFooter>(page, "Foot", 400, 25);
    AddMemo(footer, "FootText", 0, 0, 300, 20, "footer [Page#]");

    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    // Page 1: title 50 + header 30 leaves 1046.92981 - 25 - 80 = 941.9 for 9 records;
    // later pages: 30 header, 991.9 for 9 records; 25 records -> 9 + 9 + 7, then the summary.
    ASSERT_EQ(Store().PageCount(), 3);
    QList<int> perPage;
    for (int p = 0; p < 3; ++p)
        perPage << Of(p, "TfrxMasterData").size();
    EXPECT_EQ(perPage, (QList<int>{9, 9, 7}));
    EXPECT_EQ(Of(0, "TfrxReportTitle").size(), 1);
    EXPECT_EQ(Of(1, "TfrxReportTitle").size(), 0) << "the title prints once";
    for (int p = 0; p < 3; ++p) {
        const auto heads = Of(p, "TfrxPageHeader");
        ASSERT_EQ(heads.size(), 1) << "page " << p;
        const auto feet = Of(p, "TfrxPageFooter");
        ASSERT_EQ(feet.size(), 1) << "page " << p;
        EXPECT_NEAR(static_cast<double>(feet[0].top), 1046.92981 - 25, 1e-9) << "footer at the bottom";
    }
    EXPECT_EQ(static_cast<double>(Of(0, "TfrxPageHeader")[0].top), 50) << "title before header";
    EXPECT_EQ(static_cast<double>(Of(1, "TfrxPageHeader")[0].top), 0);
    EXPECT_EQ(Of(2, "TfrxReportSummary").size(), 1);

    QStringList texts;
    for (int p = 0; p < 3; ++p)
        for (const ObjectRecord& r : PageObjects(p))
            if (r.name == S("Name") || r.name == S("HeadText") || r.name == S("FootText"))
                texts << r.text;
    EXPECT_EQ(texts.mid(0, 3), (QStringList{S("Page 1"), S("1. Customer 1"), S("2. Customer 2")}));
    EXPECT_TRUE(texts.contains(S("10. Customer 10")));
    const qsizetype page2 = texts.indexOf(S("Page 2"));
    ASSERT_GE(page2, 0);
    EXPECT_EQ(texts.at(page2 + 1), S("10. Customer 10")) << "page 2 starts with the 10th record";
    EXPECT_EQ(texts.last(), S("footer 3"));
}

TEST_F(Engine, StartNewPageAndItemModelDataSet) {
    QStandardItemModel model(3, 2);
    model.setHorizontalHeaderLabels({S("Name"), S("Amount")});
    for (int r = 0; r < 3; ++r) {
        model.setItem(r, 0, new QStandardItem(S("Item %1").arg(r)));
        auto* amount = new QStandardItem;
        amount->setData(r * 10, Qt::DisplayRole);
        model.setItem(r, 1, amount);
    }
    TfrxItemModelDataSet ds;
    ds.SetUserName(S("Items"));
    ds.SetModel(&model);
    TfrxReportPage* page = NewPage();
    auto* data = AddBand<TfrxMasterData>(page, "Data", 0, 20);
    data->SetDataSetName(S("Items"));
    data->SetStartNewPage(true);
    AddMemo(data, "Row", 0, 0, 300, 20, "[Items.\"Name\"]: [<Items.\"Amount\"> + 1]");

    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    ASSERT_EQ(Store().PageCount(), 3) << "no empty first page";
    for (int p = 0; p < 3; ++p) {
        const auto rows = Of(p, "TfrxMemoView");
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].text, S("Item %1: %2").arg(p).arg(p * 10 + 1));
    }
}

TEST_F(Engine, HeaderReprintedOnEachPageOfItsData) {
    auto ds = Customers(6);
    TfrxReportPage* page = NewPage();
    auto* head = AddBand<TfrxHeader>(page, "Columns", 0, 20);
    head->SetReprintOnNewPage(true);
    AddMemo(head, "Caption", 0, 0, 100, 20, "Name");
    auto* data = AddBand<TfrxMasterData>(page, "Data", 30, 400);
    data->SetDataSetName(S("Customers"));
    AddMemo(AddBand<TfrxFooter>(page, "Total", 500, 20), "Sum", 0, 0, 100, 20, "[Line#] rows");

    ASSERT_TRUE(report.Prepare(true));
    ASSERT_EQ(Store().PageCount(), 3); // 20 + 2 x 400 per page
    for (int p = 0; p < 3; ++p) {
        const auto heads = Of(p, "TfrxHeader");
        ASSERT_EQ(heads.size(), 1) << "page " << p;
        EXPECT_EQ(static_cast<double>(heads[0].top), 0);
        EXPECT_EQ(Of(p, "TfrxMasterData").size(), 2);
    }
    const auto footers = Of(2, "TfrxFooter");
    ASSERT_EQ(footers.size(), 1);
    EXPECT_EQ(Of(2, "TfrxMemoView").last().text, S("6 rows"));
}

TEST_F(Engine, TwoPassReportKnowsItsPageCount) {
    report.EngineOptions()->SetDoublePass(true);
    TfrxReportPage* page = NewPage();
    auto* data = AddBand<TfrxMasterData>(page, "Data", 0, 300);
    data->SetRowCount(20);
    AddMemo(data, "Row", 0, 0, 300, 20, "Page [Page#] of [Engine.TotalPages]");
    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    ASSERT_EQ(Store().PageCount(), 7); // three 300-px records per 1122-px page
    EXPECT_EQ(Of(2, "TfrxMemoView").first().text, S("Page 3 of 7"));
}

TEST_F(Engine, PageOfTotalPagesOnATwoPassReport) {
    report.EngineOptions()->SetDoublePass(true);
    TfrxReportPage* page = NewPage();
    AddBand<TfrxMasterData>(page, "Data", 0, 300)->SetRowCount(20);
    auto* footer = AddBand<TfrxPageFooter>(page, "Foot", 400, 30);
    auto* text = AddMemo(footer, "PageOf", 0, 0, 400, 30,
                         "Page [Page#] of [TotalPages#], logically [Page] of [TotalPages]");
    text->SetWordWrap(false);
    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    ASSERT_EQ(Store().PageCount(), 7);
    platform::RecordingCanvas canvas;
    Store().RenderPage(2, &canvas, 1, 1, 0, 0);
    QString shown;
    for (const platform::CanvasRecord* r : canvas.TextRecords())
        shown += r->Text;
    EXPECT_EQ(shown, S("Page 3 of 7, logically 3 of 7"));
}

TEST_F(Engine, UnsupportedFeaturesAreRefusedBeforeAnyOutput) {
    struct Row {
        const char* name;
        std::function<void(TfrxReportPage*)> build;
        const char* error;
    } rows[] = {
        {"group header", [](TfrxReportPage* p) { AddBand<TfrxGroupHeader>(p, "Group1", 0, 20); },
         "Group1: groups are not supported yet"},
        {"page columns", [](TfrxReportPage* p) { p->SetColumns(2); },
         "Page0: columns are not supported yet"},
        {"split band",
         [](TfrxReportPage* p) { AddBand<TfrxMasterData>(p, "Data1", 0, 20)->SetAllowSplit(true); },
         "Data1: splitting a band across pages is not supported yet"},
        {"keep together",
         [](TfrxReportPage* p) {
             AddBand<TfrxMasterData>(p, "Data1", 0, 20)->SetKeepTogether(true);
         },
         "Data1: keeping bands together is not supported yet"},
        {"sub-report",
         [](TfrxReportPage* p) {
             auto* s = new TfrxSubreport(AddBand<TfrxReportTitle>(p, "Title1", 0, 20));
             s->SetName(S("Subreport1"));
         },
         "Subreport1: sub-reports are not supported yet"},
        {"detail band", [](TfrxReportPage* p) { AddBand<TfrxDetailData>(p, "Detail1", 0, 20); },
         "Detail1: detail data bands are not supported yet"},
        {"plain band", [](TfrxReportPage* p) { AddBand<TfrxBand>(p, "Band1", 0, 20); },
         "Band1: a band of class TfrxBand has no place on a report page"},
        {"data set missing",
         [](TfrxReportPage* p) { AddBand<TfrxMasterData>(p, "Data1", 0, 20)->SetDataSetName(S("Nope")); },
         "Dataset \"Nope\" does not exist"},
    };
    for (const Row& r : rows) {
        TfrxReport rep;
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        auto* page = new TfrxReportPage(&rep);
        page->SetName(S("Page0"));
        r.build(page);
        EXPECT_FALSE(rep.Prepare(true)) << r.name;
        EXPECT_EQ(rep.Errors(), QStringList{S(r.error)}) << r.name;
        EXPECT_EQ(rep.Runtime().PreviewPages()->PageCount(), 0) << r.name;
    }
}

TEST_F(Engine, AggregatesAreRefusedWithAClearError) {
    TfrxReportPage* page = NewPage();
    AddBand<TfrxMasterData>(page, "Data1", 0, 20)->SetRowCount(2);
    AddMemo(page, "Total", 0, 0, 100, 20, "[SUM(1)]");
    EXPECT_FALSE(report.Prepare(true));
    ASSERT_EQ(report.Errors().size(), 1);
    EXPECT_TRUE(report.Errors()[0].contains(S("not supported"))) << report.Errors()[0].toStdString();
}

TEST_F(Engine, ScriptEventsSeeTheirObjectAndRunOnlyWhileRunning) {
    TfrxReportPage* page = NewPage();
    auto* data = AddBand<TfrxMasterData>(page, "Data1", 0, 20);
    data->SetRowCount(3);
    auto* memo = AddMemo(data, "Memo1", 0, 0, 100, 20, "[Line]");
    memo->SetOnBeforePrint(S("MemoBefore"));
    report.SetScriptText({S("var n: Integer;"),
                          S("procedure MemoBefore(Sender: TfrxComponent);"),
                          S("begin n := n + 1; Sender.Tag := n * 10; end;"),
                          S("begin n := 0; end.")});
    QList<int> tags;
    report.OnAfterPrint = [&](TfrxReportComponent* c) {
        if (c->Name() == S("Memo1"))
            tags << c->Tag();
    };
    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    EXPECT_EQ(tags, (QList<int>{10, 20, 30}));
    EXPECT_EQ(Of(0, "TfrxMemoView").size(), 3);
}

// ---------------------------------------------------------------------------------------------
// The engine's other roads: page options, dialogs, cancelling, the preview link

namespace {

// What the report tells the preview control showing it.
struct PreviewRecord : TfrxPreviewLink {
    int started = 0, stopped = 0, closed = 0;
    void PrepareStarted() override { ++started; }
    void PageArrived(int) override {}
    void PrepareStopped() override { ++stopped; }
    void ShowMessage(const QString&) override {}
    void ShowPageAt(int, int) override {}
    void RepaintPages() override {}
    void CloseOwnWindow() override { ++closed; }
};

} // namespace

// Page options of the engine, each through the engine and the store.
TEST_F(Engine, PageOptionsShapeThePreparedPages) {
    auto newPage = [](TfrxReport& r) {
        auto* page = new TfrxReportPage(&r);
        page->SetName(S("Page%1").arg(r.PagesCount()));
        return page;
    };
    auto of = [](TfrxReport& r, int page, const char* cls) {
        QList<ObjectRecord> out;
        for (const ObjectRecord& o : PageObjectsOf(r, page))
            if (o.cls == S(cls))
                out.append(o);
        return out;
    };
    struct Row {
        const char* name;
        std::function<void(TfrxReport&)> build;
        std::function<void(TfrxReport&)> check;
    } rows[] = {
        {"PrintOnPreviousPage goes on below the last bands, without the new page's headers",
         [&](TfrxReport& r) {
             TfrxReportPage* first = newPage(r);
             AddBand<TfrxPageHeader>(first, "Head1", 0, 30);
             AddBand<TfrxMasterData>(first, "Rows1", 40, 100)->SetRowCount(2);
             TfrxReportPage* second = newPage(r);
             second->SetPrintOnPreviousPage(true);
             AddBand<TfrxPageHeader>(second, "Head2", 0, 30);
             AddBand<TfrxMasterData>(second, "Rows2", 40, 50)->SetRowCount(2);
         },
         [&](TfrxReport& r) {
             ASSERT_EQ(StoreOf(r).PageCount(), 1);
             QStringList bands;
             for (const ObjectRecord& o : PageObjectsOf(r, 0))
                 bands << S("%1@%2").arg(o.name).arg(double(o.top));
             EXPECT_EQ(bands, (QStringList{S("Head1@0"), S("Rows1@30"), S("Rows1@130"),
                                           S("Rows2@230"), S("Rows2@280")}));
         }},
        {"ResetPageNumbers starts the logical numbers again",
         [&](TfrxReport& r) {
             r.EngineOptions()->SetDoublePass(true);
             for (int i = 0; i < 2; ++i) {
                 TfrxReportPage* page = newPage(r);
                 page->SetResetPageNumbers(i == 1);
                 auto* rows = AddBand<TfrxMasterData>(page, i ? "RowsB" : "RowsA", 0, 600);
                 rows->SetRowCount(3);
                 AddMemo(rows, i ? "B" : "A", 0, 0, 200, 20, "[Page] of [TotalPages]")
                     ->SetWordWrap(false);
             }
         },
         [&](TfrxReport& r) {
             ASSERT_EQ(StoreOf(r).PageCount(), 6);
             QStringList numbers;
             for (int p = 0; p < 6; ++p) {
                 platform::RecordingCanvas canvas;
                 StoreOf(r).RenderPage(p, &canvas, 1, 1, 0, 0);
                 ASSERT_FALSE(canvas.TextRecords().empty());
                 numbers << canvas.TextRecords().front()->Text;
             }
             EXPECT_EQ(numbers, (QStringList{S("1 of 3"), S("2 of 3"), S("3 of 3"), S("1 of 3"),
                                             S("2 of 3"), S("3 of 3")}));
         }},
        {"a page's OutlineText is an entry at the top of its page",
         [&](TfrxReport& r) {
             newPage(r)->SetOutlineText(S("'Chapter ' + '1'"));
             newPage(r)->SetOutlineText(S("'Chapter 2'"));
         },
         [&](TfrxReport& r) {
             TfrxCustomOutline* outline = StoreOf(r).Outline();
             outline->LevelRoot();
             ASSERT_EQ(outline->ItemCount(), 2);
             QString text;
             int page = -1, top = -1;
             outline->ItemAt(0, text, page, top);
             EXPECT_EQ(text, S("Chapter 1"));
             outline->ItemAt(1, text, page, top);
             EXPECT_EQ(text, S("Chapter 2"));
             EXPECT_EQ(page, 1);
             EXPECT_EQ(top, 0);
         }},
        {"TitleBeforeHeader off puts the page header above the title",
         [&](TfrxReport& r) {
             TfrxReportPage* page = newPage(r);
             page->SetTitleBeforeHeader(false);
             AddBand<TfrxReportTitle>(page, "Title", 0, 50);
             AddBand<TfrxPageHeader>(page, "Head", 60, 30);
         },
         [&](TfrxReport& r) {
             ASSERT_EQ(of(r, 0, "TfrxPageHeader").size(), 1);
             ASSERT_EQ(of(r, 0, "TfrxReportTitle").size(), 1);
             EXPECT_EQ(double(of(r, 0, "TfrxPageHeader")[0].top), 0);
             EXPECT_EQ(double(of(r, 0, "TfrxReportTitle")[0].top), 30);
         }},
        {"PrintIfEmpty off leaves out a page whose data has no record",
         [&](TfrxReport& r) {
             r.EngineOptions()->SetPrintIfEmpty(false);
             AddBand<TfrxMasterData>(newPage(r), "Empty", 0, 20)->SetRowCount(0);
             AddBand<TfrxMasterData>(newPage(r), "Full", 0, 20)->SetRowCount(1);
         },
         [&](TfrxReport& r) {
             ASSERT_EQ(StoreOf(r).PageCount(), 1);
             EXPECT_EQ(of(r, 0, "TfrxMasterData").size(), 1);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TfrxReport rep;
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        row.build(rep);
        ASSERT_TRUE(rep.Prepare(true)) << rep.Errors().join(S("\n")).toStdString();
        row.check(rep);
    }
}

// A run that does not go on (errors found first, dialogs declined) closes the report's own
// preview window; an error raised while running leaves it open with what was prepared.
TEST_F(Engine, ARunThatDoesNotGoOnClosesThePreviewWindow) {
    struct Row {
        const char* name;
        std::function<void(TfrxReport&)> build;
        int closed;
    } rows[] = {
        {"template errors", [](TfrxReport& r) {
             AddBand<TfrxGroupHeader>(new TfrxReportPage(&r), "Group1", 0, 20);
         }, 1},
        {"OnRunDialogs says no", [](TfrxReport& r) {
             new TfrxReportPage(&r);
             r.SetOnRunDialogs(S("Ask"));
             r.SetScriptText({S("function Ask(Show: Boolean): Boolean;"), S("begin Result := False; end;"),
                              S("begin end.")});
         }, 1},
        {"an error while running", [](TfrxReport& r) {
             AddMemo(new TfrxReportPage(&r), "Bad", 0, 0, 100, 20, "[1 +]");
         }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TfrxReport rep;
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        PreviewRecord preview;
        rep.Runtime().Preview = &preview;
        row.build(rep);
        EXPECT_FALSE(rep.Prepare(true));
        EXPECT_EQ(preview.closed, row.closed);
        rep.Runtime().Preview = nullptr;
    }
}

// Cancelling: a one-pass run keeps the pages it reached; a two-pass run cancelled in its first
// pass shows the pages that pass reached, with their texts, not an empty preview.
TEST_F(Engine, ACancelledRunKeepsThePagesItReached) {
    for (const bool twoPass : {false, true}) {
        SCOPED_TRACE(twoPass ? "two passes" : "one pass");
        TfrxReport rep;
        rep.EngineOptions()->SetNewSilentMode(simSilent);
        rep.EngineOptions()->SetDoublePass(twoPass);
        auto* page = new TfrxReportPage(&rep);
        page->SetName(S("Page1"));
        auto* data = AddBand<TfrxMasterData>(page, "Data", 0, 300);
        data->SetRowCount(30);
        AddMemo(data, "Row", 0, 0, 300, 20, "[Page#] of [TotalPages#]")->SetWordWrap(false);
        int firstPassPages = 0;
        rep.OnProgress = [&](TfrxReport* r, int kind, int pageNo) {
            const bool firstPass = twoPass && !r->Runtime().Engine()->FinalPass;
            if (kind == ptRunning && pageNo == 3 && (firstPass || !twoPass))
                r->Terminated = true;
            if (firstPass)
                firstPassPages = std::max(firstPassPages, pageNo);
        };
        rep.Prepare(true);
        EXPECT_TRUE(rep.Terminated);
        ASSERT_EQ(StoreOf(rep).PageCount(), 3);
        QList<ObjectRecord> rows;
        for (const ObjectRecord& o : PageObjectsOf(rep, 2))
            if (o.name == S("Row"))
                rows.append(o);
        ASSERT_FALSE(rows.isEmpty()) << "the last page has its rows";
        if (twoPass) {
            EXPECT_EQ(firstPassPages, 3);
            platform::RecordingCanvas canvas;
            StoreOf(rep).RenderPage(2, &canvas, 1, 1, 0, 0);
            ASSERT_FALSE(canvas.TextRecords().empty());
            EXPECT_EQ(canvas.TextRecords().front()->Text, S("3 of 3"));
        }
    }
}

// Options a program sets without storing them survive the template's reload.
TEST_F(Engine, ThreadSafeModeLastsOverSeveralPreparations) {
    NewPage();
    report.EngineOptions()->EnableThreadSafe = true;
    int progressCalls = 0;
    report.OnProgressStart = [&](TfrxReport*, int, int) { ++progressCalls; };
    for (int run = 0; run < 3; ++run) {
        ASSERT_TRUE(report.Prepare(true));
        EXPECT_TRUE(report.EngineOptions()->EnableThreadSafe) << "run " << run;
    }
    EXPECT_EQ(progressCalls, 0);
}

// A program's progress event that raises still stops the preview's busy state.
TEST_F(Engine, AFailingProgressStopStillFreesThePreview) {
    NewPage();
    PreviewRecord preview;
    report.Runtime().Preview = &preview;
    report.OnProgressStop = [](TfrxReport*, int, int) { throw platform::Error(S("stop failed")); };
    EXPECT_FALSE(report.Prepare(true));
    report.Runtime().Preview = nullptr;
    EXPECT_EQ(preview.started, 1);
    EXPECT_EQ(preview.stopped, 1);
    EXPECT_EQ(report.Errors(), QStringList{S("stop failed")});
}

// A preview closed before the report timer's first tick prepares nothing afterwards.
TEST_F(Engine, APreviewClosedBeforeTheFirstTickPreparesNothing) {
    NewPage();
    int begun = 0;
    report.OnBeginDoc = [&](TfrxComponent*) { ++begun; };
    platform::RegistryScope services;
    TfrxRuntimeFactory factory = frxRuntimeFactory();
    PreviewRecord preview;
    // A modal window that the user closes at once: it is the report's preview while it shows.
    factory.ShowPreview = [&](TfrxReport* r) {
        r->Runtime().Preview = &preview;
        r->Runtime().Preview = nullptr;
    };
    platform::Registry::Install(factory);
    report.ShowReport(true);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 150)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(begun, 0);
    EXPECT_EQ(Store().PageCount(), 0);
}

// The page's background picture is drawn over its printable area, on screen, in a saved and
// reopened file, and in the PDF export.
TEST_F(Engine, TheBackgroundPictureCoversThePrintableArea) {
    QImage red(8, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(red.save(&pngBuffer, "PNG"));
    TfrxReportPage* page = NewPage(10);
    page->SetBackPicture(png);
    AddMemo(page, "Text", 0, 0, 100, 20, "over the picture");
    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();

    auto drawn = [](TfrxCustomPreviewPages& store) {
        platform::RecordingCanvas canvas;
        store.RenderPage(0, &canvas, 1, 1, 5, 7);
        QStringList out;
        for (const platform::CanvasRecord& r : canvas.Records())
            if (r.Kind == platform::CanvasRecord::Type::Image)
                out << S("%1,%2-%3,%4 %5").arg(r.Bounds.Left).arg(r.Bounds.Top).arg(r.Bounds.Right)
                           .arg(r.Bounds.Bottom).arg(r.Picture.pixelColor(0, 0).name());
            else if (r.Kind == platform::CanvasRecord::Type::TextOut && out.size() == 1)
                out << S("then text");
        return out;
    };
    // 10 mm margins on A4 at zoom 1: 37.795 px in, 793.7 - 37.8 and 1122.5 - 37.8 px out.
    const QStringList expected{S("43,45-761,1092 #ff0000"), S("then text")};
    EXPECT_EQ(drawn(Store()), expected);

    QBuffer file;
    file.open(QIODevice::ReadWrite);
    Store().WriteToStream(file);
    file.seek(0);
    TfrxReport other;
    TfrxPreviewPages opened(&other);
    opened.ReadFromStream(file);
    EXPECT_EQ(drawn(opened), expected) << "from a saved file";
}

#include "frxEngine_test.moc"

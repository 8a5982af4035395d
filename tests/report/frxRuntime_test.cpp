// The report's run-time part, the text layout under nesting, copies and their templates, and
// the one error convention.

#include "report/frxClass.h"
#include "EngineParts.h"
#include "report/frxExpression.h"
#include "report/frxGraphicUtils.h"
#include "report/frxRuntime.h"
#include "report/frxScript.h"

#include "platform/CanvasRecording.h"
#include "platform/Error.h"
#include "printers/frxPrinter.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QPointer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace frxClass;

namespace {

struct Tree {
    std::unique_ptr<TfrxReport> report = std::make_unique<TfrxReport>();
    TfrxReportPage* page = nullptr;
    Tree() {
        page = new TfrxReportPage(report.get());
        page->SetName(QStringLiteral("Page1"));
    }
    TfrxMemoView* Memo(const QString& name, const QString& text = QString()) {
        auto* m = new TfrxMemoView(page);
        m->SetName(name);
        m->SetBounds(10, 10, 200, 40);
        m->SetText(text);
        return m;
    }
};

// A canvas that draws into a recording and runs a hook at each text output: a paint that
// starts another measurement while it draws.
class HookCanvas : public platform::Canvas {
public:
    std::function<void()> OnText;
    platform::RecordingCanvas target;

    int DpiX() const override { return 96; }
    int DpiY() const override { return 96; }
    void FillRect(const platform::Rect& r) override { target.FillRect(r); }
    void Rectangle(const platform::Rect& r) override { target.Rectangle(r); }
    void DrawLine(QPoint a, QPoint b) override { target.DrawLine(a, b); }
    void SaveClip() override { target.SaveClip(); }
    void IntersectClip(const platform::Rect& r) override { target.IntersectClip(r); }
    void RestoreClip() override { target.RestoreClip(); }
    platform::Rect ClipBox() const override { return target.ClipBox(); }
    platform::Rect DrawText(const platform::Rect& r, const QString& t, unsigned f) override {
        return target.DrawText(r, t, f);
    }
    void DrawImage(const platform::Rect& r, const QImage& image) override {
        target.DrawImage(r, image);
    }
    void ExtTextOut(int x, int y, QStringView text, const int* advances,
                    const platform::Rect* clip, bool rtl) override {
        if (OnText)
            OnText();
        target.SetFont(GetFont());
        target.ExtTextOut(x, y, text, advances, clip, rtl);
    }
};

} // namespace

// --- borrowed objects ------------------------------------------------------------------------

TEST(BorrowedObjects, ATemporaryBandLeavesThePagesObjectsAlive) {
    Tree t;
    QPointer<TfrxMemoView> memo = t.Memo(QStringLiteral("Memo1"), QStringLiteral("x"));
    {
        TfrxNullBand band;
        band.BorrowObjects({memo.data()});
        ASSERT_EQ(band.Objects().size(), 1);
        EXPECT_EQ(memo->Parent(), t.page);
    } // destroyed still holding the borrowed object
    ASSERT_FALSE(memo.isNull());
    EXPECT_EQ(t.page->Objects(), (QList<TfrxComponent*>{memo.data()}));
}

TEST(BorrowedObjects, UnwindingThroughTheBandFreesOnlyItsOwnChildren) {
    Tree t;
    QPointer<TfrxMemoView> borrowed = t.Memo(QStringLiteral("Memo1"));
    QPointer<TfrxMemoView> own;
    try {
        TfrxNullBand band;
        own = new TfrxMemoView(&band);
        band.BorrowObjects({borrowed.data()});
        throw platform::Error(QStringLiteral("evaluation failed"));
    } catch (const platform::Error&) {
    }
    EXPECT_TRUE(own.isNull());
    ASSERT_FALSE(borrowed.isNull());
    EXPECT_EQ(borrowed->Parent(), t.page);

    TfrxNullBand band;
    auto* child = new TfrxMemoView(&band);
    band.BorrowObjects({borrowed.data()});
    band.ReturnBorrowed();
    EXPECT_EQ(band.Objects(), (QList<TfrxComponent*>{child}));
}

TEST(BorrowedObjects, ACopyOfABandLeavesItsBorrowedObjectsOut) {
    Tree t;
    TfrxMemoView* memo = t.Memo(QStringLiteral("Memo1"));
    TfrxNullBand band;
    band.BorrowObjects({memo});
    TfrxNullBand copy;
    copy.CopyWithChildren(&band);
    EXPECT_TRUE(copy.Objects().isEmpty());
}

// --- lists and copies ------------------------------------------------------------------------

TEST(AllObjects, ANestedCallLeavesTheCallersListWhole) {
    Tree t;
    t.Memo(QStringLiteral("Memo1"));
    t.Memo(QStringLiteral("Memo2"));
    int seen = 0;
    const QList<TfrxComponent*> all = t.report->AllObjects();
    for (TfrxComponent* c : all) {
        EXPECT_EQ(t.page->AllObjects().size(), 2); // rebuilt while the caller iterates
        EXPECT_NE(c, nullptr);
        ++seen;
    }
    EXPECT_EQ(seen, 3);
}

TEST(CopyWithChildren, FilterMapAndStyleFlags) {
    Tree t;
    TfrxMemoView* shown = t.Memo(QStringLiteral("Memo1"), QStringLiteral("a"));
    new TfrxComponent(t.page); // no preview-visible flag: left out of the copy
    EXPECT_TRUE(shown->ComponentStyle().testFlag(csPreviewVisible));
    EXPECT_TRUE(TfrxNullBand().ComponentStyle().testFlag(csPreviewVisible));
    EXPECT_FALSE(t.page->ComponentStyle().testFlag(csPreviewVisible));
    EXPECT_FALSE(shown->ComponentStyle().testFlag(csContainer));

    QHash<const TfrxComponent*, TfrxComponent*> map;
    TfrxReportPage copy;
    copy.CopyWithChildren(
        t.page,
        [](const TfrxComponent* c) { return c->ComponentStyle().testFlag(csPreviewVisible); },
        &map);
    ASSERT_EQ(copy.Objects().size(), 1);
    EXPECT_EQ(copy.Objects()[0]->Name(), QStringLiteral("Memo1"));
    EXPECT_EQ(map.value(t.page), &copy);
    EXPECT_EQ(map.value(shown), copy.Objects()[0]);
    EXPECT_EQ(map.size(), 2);
}

TEST(CopyLinks, ALinkToAFreedTemplateClearsItself) {
    Tree t;
    TfrxMemoView* tmpl = t.Memo(QStringLiteral("Memo1"));
    TfrxMemoView copy;
    copy.Assign(tmpl);
    copy.SetOriginalComponent(tmpl);
    tmpl->SetOriginalComponent(&copy);
    copy.SetAliasName(QStringLiteral("m1"));
    EXPECT_EQ(copy.OriginalComponent(), tmpl);
    delete tmpl; // a template reload frees the objects a copy pointed at
    EXPECT_EQ(copy.OriginalComponent(), nullptr);
    EXPECT_EQ(copy.AliasName(), QStringLiteral("m1"));
}

TEST(CopyLinks, TheStoredFullTextDoesNotFeedAutomaticNames) {
    Tree t;
    TfrxMemoView* first = t.Memo(QStringLiteral("Memo1"));
    first->SetBaseName("TfrxMemoView Left=\"10\" Top=\"10\"");
    auto* second = new TfrxMemoView(t.page);
    second->SetBaseName("TfrxMemoView Width=\"3\"");
    second->AssignFreeName();
    EXPECT_EQ(second->Name(), QStringLiteral("Memo2"));
    EXPECT_EQ(second->BaseName(), QByteArray("TfrxMemoView Width=\"3\""));
}

// --- run-time part ---------------------------------------------------------------------------

TEST(ReportRuntime, EachReportHasItsOwnLayoutObjectAndEvaluationState) {
    Tree a, b;
    EXPECT_NE(a.report->Runtime().DrawText(), b.report->Runtime().DrawText());
    EXPECT_EQ(a.report->Runtime().DrawText(), a.report->Runtime().DrawText());
    EXPECT_EQ(a.report->Runtime().Evaluation(), nullptr);
    a.report->Calc(QStringLiteral("1 + 2"));
    EXPECT_NE(a.report->Runtime().Evaluation(), nullptr);
    EXPECT_EQ(b.report->Runtime().Evaluation(), nullptr);
    // No store or engine without a factory.
    platform::RegistryScope services;
    platform::Registry::Remove<TfrxRuntimeFactory>();
    EXPECT_EQ(a.report->Runtime().PreviewPages(), nullptr);
    EXPECT_EQ(a.report->Runtime().Engine(), nullptr);
}

TEST(ReportRuntime, ScriptNamesOfFreedObjectsAreReportedNotFollowed) {
    Tree t;
    t.Memo(QStringLiteral("Memo1"), QStringLiteral("abc"));
    ASSERT_TRUE(t.report->PrepareScript());
    // A template reload frees and recreates the objects behind the names.
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    t.report->SaveToStream(saved);
    saved.seek(0);
    t.report->LoadFromStream(saved);
    try {
        t.report->Calc(QStringLiteral("Memo1.Text"));
        SUCCEED(); // the name may be bound again
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Memo1"))) << e.Message().toStdString();
    }
}

// --- text layout under nesting ---------------------------------------------------------------

TEST(DrawTextNesting, ANestedUseKeepsTheHoldersStateAndNeverWaits) {
    TfrxDrawText dt;
    const platform::Rect box{0, 0, 400, 100};
    dt.Lock();
    dt.SetRectangles(box, box, 1, 1, 1);
    dt.SetText({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    const QString plain = dt.PlainText();
    dt.Lock();
    EXPECT_TRUE(TfrxDrawText::Busy());
    dt.SetRectangles({0, 0, 10, 10}, {0, 0, 10, 10}, 1, 1, 1);
    dt.SetText({QStringLiteral("nested")});
    dt.Unlock();
    ASSERT_EQ(dt.Lines().size(), 3u);
    EXPECT_EQ(dt.Lines()[2].Text, QStringLiteral("three"));
    EXPECT_EQ(dt.PlainText(), plain);
    EXPECT_EQ(dt.LayoutRect().Right, 400);
    EXPECT_TRUE(TfrxDrawText::Busy());
    dt.Unlock();
    EXPECT_FALSE(TfrxDrawText::Busy());
}

TEST(DrawTextNesting, AMeasureInsideADrawOfTheSameReport) {
    Tree t;
    TfrxMemoView* drawn = t.Memo(QStringLiteral("Memo1"), QStringLiteral("first line\r\nsecond"));
    TfrxMemoView* measured = t.Memo(QStringLiteral("Memo2"), QStringLiteral("a\r\nb\r\nc\r\nd"));
    const long double alone = measured->CalcHeight();

    platform::RecordingCanvas plain;
    drawn->Draw(&plain, 1, 1, 0, 0);

    HookCanvas canvas;
    long double nested = -1;
    canvas.OnText = [&] { nested = measured->CalcHeight(); };
    drawn->Draw(&canvas, 1, 1, 0, 0);
    EXPECT_EQ(nested, alone);
    EXPECT_FALSE(TfrxDrawText::Busy());
    // The drawing that was interrupted drew what it draws alone.
    const auto a = plain.TextRecords(), b = canvas.target.TextRecords();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i]->Text, b[i]->Text);
        EXPECT_EQ(a[i]->Origin, b[i]->Origin);
        EXPECT_EQ(a[i]->Advances, b[i]->Advances);
    }
}

// --- one error convention --------------------------------------------------------------------

TEST(ErrorConvention, EveryErrorTheProgramRaisesShowsItsMessage) {
    const std::vector<std::pair<std::function<void()>, QString>> cases{
        {[] { throw TfrxPrinterException(QStringLiteral("Printer selected is not valid")); },
         QStringLiteral("Printer selected is not valid.")},
        {[] { throw frx::ScriptError(QStringLiteral("Division by zero")); },
         QStringLiteral("Division by zero.")},
        {[] { throw TfrxException(QStringLiteral("Dataset \"x\" does not exist")); },
         QStringLiteral("Dataset \"x\" does not exist.")},
    };
    for (const auto& [raise, box] : cases) {
        CollectedErrors boxes;
        EXPECT_FALSE(platform::Guarded(raise));
        EXPECT_EQ(boxes.texts, QStringList{box});
    }
    static_assert(std::is_base_of_v<platform::Error, TfrxPrinterException>);
    static_assert(std::is_base_of_v<platform::Error, frx::ScriptError>);
}

TEST(ErrorConvention, LoadingWithoutAReportRaisesWhatWentWrong) {
    TfrxMemoView memo;
    QBuffer in;
    in.setData("<?xml version=\"1.0\" encoding=\"utf-8\"?><TfrxMemoView Left=\"abc\" "
               "PropData=\"0102\"/>");
    in.open(QIODevice::ReadOnly);
    try {
        memo.LoadFromStream(in);
        FAIL() << "no error raised";
    } catch (const platform::Error& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("is not a valid floating point value")) ||
                    e.Message().contains(QStringLiteral("Invalid property value")))
            << e.Message().toStdString();
    }
}

TEST(ErrorConvention, BinaryPropertyDataThatDoesNotReadIsReported) {
    TfrxReport report;
    QBuffer in;
    in.setData("<?xml version=\"1.0\" encoding=\"utf-8\"?><TfrxReport PropData=\"ffff\"/>");
    in.open(QIODevice::ReadOnly);
    report.LoadFromStream(in);
    EXPECT_TRUE(report.Errors().contains(QStringLiteral("Invalid property value")))
        << report.Errors().join(QLatin1Char('|')).toStdString();
}

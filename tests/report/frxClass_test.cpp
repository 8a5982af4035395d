#include "report/frxClass.h"
#include "printers/frxPrinter.h"

#include "TestSupport.h"
#include "platform/LocaleInfo.h"

#include <QDataStream>
#include <QIODevice>

#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace frxClass;

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

// The text form of any published property, for comparing against the documented defaults.
QString PropText(const QObject* obj, const char* dotted) {
    const QStringList parts = S(dotted).split(QLatin1Char('.'));
    const QObject* o = obj;
    for (int i = 0; i + 1 < parts.size(); ++i)
        o = frxProps::GetObject(o, frxProps::Find(o, parts[i]));
    const QMetaProperty p = frxProps::Find(o, parts.last());
    if (!p.isValid())
        return QStringLiteral("<no such property>");
    switch (frxProps::KindOf(p)) {
    case frxProps::Kind::Float:
        return QString::number(frxProps::GetFloat(o, p), 'g', 12);
    case frxProps::Kind::String:
        return frxProps::GetString(o, p);
    case frxProps::Kind::StringList:
        return frxProps::GetStrings(o, p).join(QLatin1Char('|'));
    default:
        return frxProps::GetEnumName(o, p);
    }
}

struct DefaultCase {
    const char* name;
    const char* className;
    const char* property;
    const char* text;
};

class Defaults : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(Defaults, NewObjectHoldsTheDocumentedValue) {
    const DefaultCase& c = GetParam();
    std::unique_ptr<TfrxComponent> obj(frxCreateComponent(S(c.className)));
    ASSERT_TRUE(obj);
    EXPECT_EQ(PropText(obj.get(), c.property), S(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Model, Defaults,
    ::testing::Values(
        DefaultCase{"MemoFontName", "TfrxMemoView", "Font.Name", "Arial"},
        DefaultCase{"MemoFontSize", "TfrxMemoView", "Font.Size", "10"},
        DefaultCase{"MemoFontHeight", "TfrxMemoView", "Font.Height", "-13"},
        DefaultCase{"MemoFontCharset", "TfrxMemoView", "Font.Charset", "1"},
        DefaultCase{"MemoParentFont", "TfrxMemoView", "ParentFont", "True"},
        DefaultCase{"MemoVisible", "TfrxMemoView", "Visible", "True"},
        DefaultCase{"MemoAlign", "TfrxMemoView", "Align", "baNone"},
        DefaultCase{"MemoShiftMode", "TfrxMemoView", "ShiftMode", "smAlways"},
        DefaultCase{"MemoColor", "TfrxMemoView", "Color", "536870911"},
        DefaultCase{"MemoBrushStyle", "TfrxMemoView", "BrushStyle", "bsSolid"},
        DefaultCase{"MemoFrameTyp", "TfrxMemoView", "Frame.Typ", "0"},
        DefaultCase{"MemoFrameShadowWidth", "TfrxMemoView", "Frame.ShadowWidth", "4"},
        DefaultCase{"MemoFrameLineWidth", "TfrxMemoView", "Frame.BottomLine.Width", "1"},
        DefaultCase{"MemoStretchMode", "TfrxMemoView", "StretchMode", "smDontStretch"},
        DefaultCase{"MemoDelimiters", "TfrxMemoView", "ExpressionDelimiters", "[,]"},
        DefaultCase{"MemoFormatKind", "TfrxMemoView", "DisplayFormat.Kind", "fkText"},
        DefaultCase{"MemoHighlightColor", "TfrxMemoView", "Highlight.Color", "536870911"},
        DefaultCase{"MemoHAlign", "TfrxMemoView", "HAlign", "haLeft"},
        DefaultCase{"MemoVAlign", "TfrxMemoView", "VAlign", "vaTop"},
        DefaultCase{"MemoGapX", "TfrxMemoView", "GapX", "2"},
        DefaultCase{"MemoGapY", "TfrxMemoView", "GapY", "1"},
        DefaultCase{"MemoLineSpacing", "TfrxMemoView", "LineSpacing", "2"},
        DefaultCase{"MemoWordWrap", "TfrxMemoView", "WordWrap", "True"},
        DefaultCase{"MemoClipped", "TfrxMemoView", "Clipped", "True"},
        DefaultCase{"MemoWysiwyg", "TfrxMemoView", "Wysiwyg", "True"},
        DefaultCase{"MemoAutoWidth", "TfrxMemoView", "AutoWidth", "False"},
        DefaultCase{"PagePaperSize", "TfrxReportPage", "PaperSize", "9"},
        DefaultCase{"PagePaperWidth", "TfrxReportPage", "PaperWidth", "210"},
        DefaultCase{"PagePaperHeight", "TfrxReportPage", "PaperHeight", "297"},
        DefaultCase{"PageOrientation", "TfrxReportPage", "Orientation", "poPortrait"},
        DefaultCase{"PageLeftMargin", "TfrxReportPage", "LeftMargin", "0"},
        DefaultCase{"PageBin", "TfrxReportPage", "Bin", "7"},
        DefaultCase{"PageDuplex", "TfrxReportPage", "Duplex", "dmNone"},
        DefaultCase{"PageTitleBeforeHeader", "TfrxReportPage", "TitleBeforeHeader", "True"},
        DefaultCase{"PageColor", "TfrxReportPage", "Color", "536870911"},
        DefaultCase{"DataPageWidth", "TfrxDataPage", "Width", "1000"},
        DefaultCase{"DataPageHeight", "TfrxDataPage", "Height", "1000"},
        DefaultCase{"ReportVersion", "TfrxReport", "Version", "4.3"},
        DefaultCase{"ReportScriptLanguage", "TfrxReport", "ScriptLanguage", "PascalScript"},
        DefaultCase{"ReportScriptText", "TfrxReport", "ScriptText", "begin||end."},
        DefaultCase{"ReportIniFile", "TfrxReport", "IniFile", "\\Software\\Brindle"},
        DefaultCase{"ReportShowProgress", "TfrxReport", "ShowProgress", "True"},
        DefaultCase{"EngineMaxMemSize", "TfrxReport", "EngineOptions.MaxMemSize", "10"},
        DefaultCase{"EngineSilentMode", "TfrxReport", "EngineOptions.NewSilentMode",
                    "simMessageBoxes"},
        DefaultCase{"PreviewButtons", "TfrxReport", "PreviewOptions.Buttons", "4095"},
        DefaultCase{"PreviewOutlineWidth", "TfrxReport", "PreviewOptions.OutlineWidth", "120"},
        DefaultCase{"PreviewPagesInCache", "TfrxReport", "PreviewOptions.PagesInCache", "50"},
        DefaultCase{"PreviewZoom", "TfrxReport", "PreviewOptions.Zoom", "1"},
        DefaultCase{"PrintPrinter", "TfrxReport", "PrintOptions.Printer", "Default"},
        DefaultCase{"PrintCopies", "TfrxReport", "PrintOptions.Copies", "1"},
        DefaultCase{"PrintPages", "TfrxReport", "PrintOptions.PrintPages", "ppAll"},
        DefaultCase{"PrintMode", "TfrxReport", "PrintOptions.PrintMode", "pmDefault"}),
    [](const ::testing::TestParamInfo<DefaultCase>& info) { return std::string(info.param.name); });

TEST(ModelConstants, UnitsAndTransparentColour) {
    EXPECT_EQ(fr01cm, 3.77953L);
    EXPECT_EQ(fr1cm, 37.7953L);
    EXPECT_EQ(fr01in, 9.6L);
    EXPECT_EQ(fr1in, 96.0L);
    EXPECT_EQ(fr1CharX, 9.6L);
    EXPECT_EQ(fr1CharY, 17.0L);
    EXPECT_EQ(clTransparent, 536870911);
}

TEST(PublishedProperties, PageReadsOrientationThenSizesThenPaperCode) {
    TfrxReportPage page;
    QStringList names;
    for (const QMetaProperty& p : frxProps::Published(&page))
        names << QString::fromLatin1(p.name());
    const qsizetype o = names.indexOf(QStringLiteral("Orientation"));
    const qsizetype w = names.indexOf(QStringLiteral("PaperWidth"));
    const qsizetype h = names.indexOf(QStringLiteral("PaperHeight"));
    const qsizetype s = names.indexOf(QStringLiteral("PaperSize"));
    const qsizetype m = names.indexOf(QStringLiteral("LeftMargin"));
    ASSERT_GE(o, 0);
    EXPECT_LT(o, w);
    EXPECT_LT(w, h);
    EXPECT_LT(h, s);
    EXPECT_LT(o, m);
}

TEST(PublishedProperties, StoredConditions) {
    TfrxReport report;
    TfrxReportPage page;
    TfrxDataPage data;
    TfrxMemoView memo;
    const auto stored = [](const QObject* o, const char* name) {
        return frxProps::IsStored(o, frxProps::Find(o, S(name)));
    };
    EXPECT_FALSE(stored(&memo, "Name")) << "the tree writer writes names";
    EXPECT_FALSE(stored(&memo, "Memo")) << "the text is written as Text";
    EXPECT_FALSE(stored(&memo, "Font")) << "a font that follows the parent is not stored";
    memo.Font()->SetHeight(-19);
    EXPECT_TRUE(stored(&memo, "Font"));
    EXPECT_TRUE(stored(&memo, "Left"));
    EXPECT_FALSE(stored(&page, "Width"));
    EXPECT_TRUE(stored(&page, "Visible"));
    EXPECT_TRUE(stored(&data, "Width"));
    EXPECT_FALSE(stored(&report, "Left"));
    EXPECT_FALSE(stored(&report, "Font"));
}

TEST(PropertyAccess, EnumerationsByNameAndSetsByMask) {
    TfrxMemoView memo;
    const QMetaProperty halign = frxProps::Find(&memo, QStringLiteral("halign"));
    ASSERT_TRUE(halign.isValid());
    EXPECT_EQ(frxProps::KindOf(halign), frxProps::Kind::Enum);
    EXPECT_TRUE(frxProps::SetEnumName(&memo, halign, QStringLiteral("HARIGHT")));
    EXPECT_EQ(memo.HAlign(), haRight);
    EXPECT_TRUE(frxProps::SetEnumName(&memo, halign, QStringLiteral("2")));
    EXPECT_EQ(memo.HAlign(), haCenter);
    EXPECT_FALSE(frxProps::SetEnumName(&memo, halign, QStringLiteral("haNowhere")));
    EXPECT_EQ(memo.HAlign(), haCenter);

    TfrxFrame* frame = memo.Frame();
    const QMetaProperty typ = frxProps::Find(frame, QStringLiteral("Typ"));
    EXPECT_EQ(frxProps::KindOf(typ), frxProps::Kind::Set);
    EXPECT_TRUE(frxProps::SetOrd(frame, typ, 1 | 8));
    EXPECT_EQ(frame->Typ(), TfrxFrameTypes(ftLeft | ftBottom));
    EXPECT_EQ(frxProps::GetOrd(frame, typ), 9);

    const QMetaProperty flowTo = frxProps::Find(&memo, QStringLiteral("FlowTo"));
    EXPECT_EQ(frxProps::KindOf(flowTo), frxProps::Kind::Reference);
    EXPECT_EQ(frxProps::KindOf(frxProps::Find(&memo, QStringLiteral("Font"))),
              frxProps::Kind::Persistent);

    EXPECT_TRUE(frxProps::IsDefault(&memo, frxProps::Find(&memo, QStringLiteral("WordWrap"))));
    memo.SetWordWrap(false);
    EXPECT_FALSE(frxProps::IsDefault(&memo, frxProps::Find(&memo, QStringLiteral("WordWrap"))));
}

TEST(Tree, ParentingMovesBetweenListsAndDestructionDetaches) {
    TfrxReportPage a, b;
    auto* memo = new TfrxMemoView(&a);
    EXPECT_EQ(memo->Parent(), &a);
    ASSERT_EQ(a.Objects().size(), 1);
    memo->SetParent(&b);
    EXPECT_TRUE(a.Objects().isEmpty());
    EXPECT_EQ(b.Objects(), QList<TfrxComponent*>{memo});
    delete memo;
    EXPECT_TRUE(b.Objects().isEmpty());

    QPointer<TfrxMemoView> child;
    {
        TfrxReportPage page;
        child = new TfrxMemoView(nullptr);
        child->SetParent(&page);
    }
    EXPECT_TRUE(child.isNull()) << "the page destroys its children";
}

// The tree decides what a component's destruction takes along, not the QObject that created
// a component: a moved component stays with its new parent, and an owner lower in the tree
// than what it owns does not free it from under the destruction's walk.
TEST(Tree, ObjectsGoWithTheirParentInTheTreeNotWithTheirCreator) {
    auto* creator = new TfrxReportPage;
    TfrxReportPage keeper;
    QPointer<TfrxMemoView> moved = new TfrxMemoView(creator);
    moved->SetParent(&keeper);
    delete creator;
    ASSERT_FALSE(moved.isNull());
    EXPECT_EQ(keeper.Objects(), QList<TfrxComponent*>{moved.data()});

    // upper is in the tree above lower, but owned by it.
    QPointer<TfrxMemoView> upper, lower;
    {
        TfrxReportPage page;
        upper = new TfrxMemoView(&page);
        lower = new TfrxMemoView(upper.data());
        upper->QObject::setParent(lower.data());
    }
    EXPECT_TRUE(upper.isNull());
    EXPECT_TRUE(lower.isNull());
}

TEST(Tree, AllObjectsIsPreOrderAndFindObjectIgnoresCase) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    auto* band = new TfrxBand(page);
    auto* inBand = new TfrxMemoView(band);
    auto* onPage = new TfrxMemoView(page);
    page->SetName(QStringLiteral("Page1"));
    band->SetName(QStringLiteral("Band1"));
    inBand->SetName(QStringLiteral("Memo1"));
    onPage->SetName(QStringLiteral("Memo2"));
    EXPECT_EQ(report.AllObjects(), (QList<TfrxComponent*>{page, band, inBand, onPage}));
    EXPECT_EQ(report.FindObject(QStringLiteral("memo1")), inBand);
    EXPECT_EQ(report.FindObject(QStringLiteral("Memo9")), nullptr);
    EXPECT_EQ(inBand->Report(), &report);
    EXPECT_EQ(inBand->Page(), page);
    EXPECT_EQ(report.Page(), nullptr);
}

TEST(Tree, AbsolutePositionAddsParentsUpToADialogPage) {
    TfrxReportPage page;
    page.SetLeft(5); // pages normally sit at 0; shows that the sum goes all the way up
    TfrxBand band(&page);
    band.SetBounds(0, 100, 500, 50);
    TfrxMemoView memo(&band);
    memo.SetBounds(10, 20, 30, 40);
    EXPECT_EQ(memo.AbsLeft(), 15);
    EXPECT_EQ(memo.AbsTop(), 120);
    const TfrxRect r = memo.GetRealBounds();
    EXPECT_EQ(r.Right, 45);
    EXPECT_EQ(r.Bottom, 160);

    TfrxDialogPage dialog;
    dialog.SetLeft(300);
    TfrxMemoView control(&dialog);
    control.SetLeft(7);
    EXPECT_EQ(control.AbsLeft(), 7);
}

TEST(Tree, ClearKeepsInheritedChildrenAndClearsThem) {
    TfrxReportPage page;
    QPointer<TfrxBand> kept = new TfrxBand(&page);
    kept->SetAncestor(true);
    QPointer<TfrxMemoView> insideKept = new TfrxMemoView(kept.data());
    QPointer<TfrxMemoView> gone = new TfrxMemoView(&page);
    page.Clear();
    EXPECT_FALSE(kept.isNull());
    EXPECT_TRUE(insideKept.isNull());
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(page.Objects().size(), 1);
}

TEST(Naming, FreeNameFillsTheFirstGap) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    (new TfrxMemoView(page))->SetName(QStringLiteral("Memo1"));
    (new TfrxMemoView(page))->SetName(QStringLiteral("Memo3"));
    auto* fresh = new TfrxMemoView(page);
    fresh->AssignFreeName();
    EXPECT_EQ(fresh->Name(), QStringLiteral("Memo2"));

    auto* second = new TfrxReportPage(&report);
    second->AssignFreeName();
    EXPECT_EQ(second->Name(), QStringLiteral("Page1"));
    EXPECT_EQ((new TfrxNullBand(page))->NameStem(), QStringLiteral("NullBand"));
}

TEST(Naming, RenameErrors) {
    TfrxReport report;
    auto* page = new TfrxReportPage(&report);
    auto* m1 = new TfrxMemoView(page);
    auto* m2 = new TfrxMemoView(page);
    m1->SetName(QStringLiteral("Memo1"));
    m2->SetName(QStringLiteral("Memo2"));

    try {
        m2->SetName(QStringLiteral("MEMO1"));
        FAIL() << "a duplicate name was accepted";
    } catch (const TfrxException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("prDupl"));
    }
    EXPECT_EQ(m2->Name(), QStringLiteral("Memo2"));

    m2->SetAncestor(true);
    try {
        m2->SetName(QStringLiteral("Total"));
        FAIL() << "an inherited object was renamed";
    } catch (const TfrxException& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Could not rename Memo2, it was introduced in the ancestor report"));
    }
    m2->SetName(QStringLiteral("memo2")); // same name in another case: nothing happens
    EXPECT_EQ(m2->Name(), QStringLiteral("Memo2"));

    TfrxMemoView loose; // outside a report nothing is checked
    loose.SetName(QStringLiteral("Memo1"));
    EXPECT_EQ(loose.Name(), QStringLiteral("Memo1"));
}

TEST(Fonts, PageFontFlowsToChildrenThatFollowIt) {
    TfrxReportPage page;
    auto* follows = new TfrxMemoView(&page);
    auto* own = new TfrxMemoView(&page);
    own->Font()->SetHeight(-19);
    EXPECT_FALSE(own->ParentFont());

    page.Font()->SetName(QStringLiteral("Times New Roman"));
    page.Font()->SetStyle(fsBold);
    EXPECT_EQ(follows->Font()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(follows->Font()->Style(), TFontStyles(fsBold));
    EXPECT_TRUE(follows->ParentFont());
    EXPECT_EQ(own->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(own->Font()->Height(), -19);
}

TEST(Fonts, SetterAndParentFlag) {
    TfrxReportPage page;
    page.Font()->SetSize(14);
    auto* memo = new TfrxMemoView(&page);
    EXPECT_EQ(memo->Font()->Size(), 14) << "a new child takes its parent's font";

    TfrxFont custom;
    custom.SetHeight(-27);
    memo->SetFont(&custom);
    EXPECT_FALSE(memo->ParentFont());
    EXPECT_EQ(memo->Font()->Height(), -27);

    memo->SetParentFont(true);
    EXPECT_TRUE(memo->ParentFont());
    EXPECT_EQ(memo->Font()->Size(), 14);

    TfrxReportPage other;
    other.Font()->SetName(QStringLiteral("Courier New"));
    memo->SetParent(&other);
    EXPECT_EQ(memo->Font()->Name(), QStringLiteral("Courier New"));
}

TEST(Fonts, SizeAndPixelHeight) {
    TfrxFont f;
    f.SetHeight(-19);
    EXPECT_EQ(f.Size(), 14);
    f.SetHeight(-27);
    EXPECT_EQ(f.Size(), 20);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
}

TEST(Paper, SizesAndOrientation) {
    TfrxReportPage page;
    page.SetOrientation(poLandscape);
    page.SetPaperSize(9);
    EXPECT_EQ(page.PaperWidth(), 297);
    EXPECT_EQ(page.PaperHeight(), 210);

    page.SetPaperSize(49); // not in the table: the size stays
    EXPECT_EQ(page.PaperSize(), 49);
    EXPECT_EQ(page.PaperWidth(), 297);

    page.SetPaperWidth(100.123456789);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_NEAR(static_cast<double>(page.PaperWidth()), 100.12345679, 1e-12);
}

TEST(Paper, TemplateOrderEndsWithTheStoredCode) {
    TfrxReportPage page;
    page.SetPaperWidth(210);
    page.SetPaperHeight(297);
    EXPECT_EQ(page.PaperSize(), 256);
    page.SetPaperSize(9);
    EXPECT_EQ(page.PaperSize(), 9);
}

TEST(Paper, LandscapeTurnsTheMarginsWithTheSheet) {
    TfrxReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(20);
    page.SetTopMargin(30);
    page.SetBottomMargin(40);
    page.SetOrientation(poLandscape);
    EXPECT_EQ(page.LeftMargin(), 30);
    EXPECT_EQ(page.RightMargin(), 40);
    EXPECT_EQ(page.TopMargin(), 20);
    EXPECT_EQ(page.BottomMargin(), 10);
    EXPECT_EQ(page.PaperWidth(), 297);
    page.SetOrientation(poPortrait);
    EXPECT_EQ(page.LeftMargin(), 10);
    EXPECT_EQ(page.RightMargin(), 20);
    EXPECT_EQ(page.TopMargin(), 30);
    EXPECT_EQ(page.BottomMargin(), 40);
    page.SetOrientation(poPortrait); // unchanged: no swap
    EXPECT_EQ(page.PaperWidth(), 210);
}

TEST(Layout, PagePrintableAreaAndAlignedViews) {
    TfrxReportPage page;
    auto* centred = new TfrxMemoView(&page);
    centred->SetBounds(0, 0, 100, 10);
    centred->SetAlign(baCenter);
    auto* bottom = new TfrxMemoView(&page);
    bottom->SetBounds(3, 0, 10, 22);
    bottom->SetAlign(baBottom);
    auto* client = new TfrxMemoView(&page);
    client->SetAlign(baClient);
    auto* band = new TfrxNullBand(&page);
    page.LayOutChildren();
    EXPECT_NEAR(static_cast<double>(page.Width()), 793.7013, 1e-9);
    EXPECT_NEAR(static_cast<double>(page.Height()), 1122.52041, 1e-9);
    EXPECT_NEAR(static_cast<double>(centred->Left()), (793.7013 - 100) / 2, 1e-9);
    EXPECT_NEAR(static_cast<double>(bottom->Top()), 1122.52041 - 22, 1e-9);
    EXPECT_EQ(bottom->Left(), 3);
    EXPECT_EQ(client->Width(), page.Width());
    EXPECT_EQ(client->Height(), page.Height());
    EXPECT_EQ(band->Width(), page.Width());

    page.SetTopMargin(10);
    page.SetBottomMargin(10);
    page.LayOutChildren();
    EXPECT_NEAR(static_cast<double>(page.Height()), 1046.92981, 1e-9);
}

TEST(Layout, BoundsIgnoredOnlyWhileDesigningWithRestrictions) {
    TfrxMemoView memo;
    memo.SetBounds(1, 2, 3, 4);
    memo.SetRestrictions(TfrxRestrictions(rfDontMove | rfDontSize));
    memo.SetBounds(5, 6, 7, 8);
    EXPECT_EQ(memo.Left(), 5) << "at preparation time restrictions do not apply";
    memo.SetDesigning(true);
    memo.SetBounds(9, 9, 9, 9);
    EXPECT_EQ(memo.Left(), 5);
    EXPECT_EQ(memo.Width(), 7);
    memo.SetRestrictions(TfrxRestrictions(rfDontSize));
    memo.SetBounds(9, 9, 9, 9);
    EXPECT_EQ(memo.Left(), 9);
    EXPECT_EQ(memo.Height(), 8);
}

TEST(Output, AfterPrintRestoresBoundsTextAndTags) {
    TfrxMemoView memo;
    memo.SetBounds(10, 20, 30, 40);
    memo.SetText(QStringLiteral("[var1]"));
    memo.SetTagStr(QStringLiteral("tag"));
    memo.BeforePrint();
    memo.SetText(QStringLiteral("1 + 2 = 3\r\n"));
    memo.SetHeight(900);
    memo.SetTagStr(QStringLiteral("evaluated"));
    memo.AfterPrint();
    EXPECT_EQ(memo.Memo(), QStringList{QStringLiteral("[var1]")});
    EXPECT_EQ(memo.Height(), 40);
    EXPECT_EQ(memo.TagStr(), QStringLiteral("tag"));
    EXPECT_TRUE(memo.LastValue.IsNull());
}

struct SplitCase {
    const char* name;
    const char* text;
    QStringList lines;
};

class TextLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(TextLines, SplitAtEveryKindOfBreak) {
    EXPECT_EQ(TfrxCustomMemoView::SplitLines(S(GetParam().text)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Memo, TextLines,
    ::testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"OneLine", "abc", {S("abc")}},
        SplitCase{"TrailingBreakAddsNoLine", "abc\r\n", {S("abc")}},
        SplitCase{"TwoBreaksMakeAnEmptyLine", "a\r\n\r\nb", {S("a"), S(""), S("b")}},
        SplitCase{"LoneCrAndLoneLf", "a\rb\nc", {S("a"), S("b"), S("c")}},
        SplitCase{"LineSeparator", "a\u2028b", {S("a"), S("b")}},
        SplitCase{"CrLfThenSeparatorIsOneBreak", "a\r\n\u2028b", {S("a"), S("b")}},
        SplitCase{"LfThenCrIsTwoBreaks", "a\n\rb", {S("a"), S(""), S("b")}},
        // A column value of two rows ending in CR, then the template's line end.
        SplitCase{"ColumnValue", "1 + 1 = 2    \r2 + 2 = 4    \r\r\n",
                  {S("1 + 1 = 2    "), S("2 + 2 = 4    "), S("")}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(MemoText, TextEndsEveryLineWithCrLf) {
    TfrxMemoView memo;
    memo.SetMemo({QStringLiteral("a"), QString()});
    EXPECT_EQ(memo.Text(), QStringLiteral("a\r\n\r\n"));
    memo.SetText(memo.Text());
    EXPECT_EQ(memo.Memo(), (QStringList{QStringLiteral("a"), QString()}));
}

TEST(Report, ClearRestoresDefaults) {
    TfrxReport report;
    new TfrxReportPage(&report);
    report.Variables().Add(QStringLiteral("x"), Variant(1));
    report.Datasets() << QStringLiteral("Customers");
    report.SetScriptLanguage(QStringLiteral("JScript"));
    report.SetScriptText({QStringLiteral("x")});
    report.SetDotMatrixReport(true);
    report.SetParentReport(QStringLiteral("base.fr3"));
    report.SetOnStartReport(QStringLiteral("Start"));
    report.PrintOptions()->SetCopies(3);
    report.PreviewOptions()->SetZoom(2);
    report.EngineOptions()->SetDoublePass(true);
    report.ReportOptions()->SetName(QStringLiteral("Sheet"));

    report.Clear();
    EXPECT_EQ(report.PagesCount(), 0);
    EXPECT_EQ(report.Variables().Count(), 0);
    EXPECT_TRUE(report.Datasets().isEmpty());
    EXPECT_EQ(report.ScriptLanguage(), QStringLiteral("PascalScript"));
    EXPECT_EQ(report.ScriptText(),
              (QStringList{QStringLiteral("begin"), QString(), QStringLiteral("end.")}));
    EXPECT_FALSE(report.DotMatrixReport());
    EXPECT_TRUE(report.ParentReport().isEmpty());
    EXPECT_TRUE(report.OnStartReport().isEmpty());
    EXPECT_EQ(report.PrintOptions()->Copies(), 1);
    EXPECT_EQ(report.PreviewOptions()->Zoom(), 1);
    EXPECT_FALSE(report.EngineOptions()->DoublePass());
    EXPECT_TRUE(report.ReportOptions()->Name().isEmpty());
    EXPECT_EQ(report.BuiltInNames(),
              (QStringList{QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Page"),
                           QStringLiteral("Page#"), QStringLiteral("TotalPages"),
                           QStringLiteral("TotalPages#"), QStringLiteral("Line"),
                           QStringLiteral("Line#"), QStringLiteral("CopyName#")}));
}

TEST(Report, VersionIsAlwaysFourThree) {
    TfrxReport report;
    frxProps::SetString(&report, frxProps::Find(&report, QStringLiteral("Version")),
                        QStringLiteral("2.0"));
    EXPECT_EQ(report.Version(), QStringLiteral("4.3"));
}

TEST(Report, ErrorsAreSortedAndKeptOnce) {
    TfrxReport report;
    report.AddError(QStringLiteral("Memo2: b"));
    report.AddError(QStringLiteral("Memo1: a"));
    report.AddError(QStringLiteral("memo2: B"));
    EXPECT_EQ(report.Errors(),
              (QStringList{QStringLiteral("Memo1: a"), QStringLiteral("Memo2: b")}));
}

TEST(Report, TimerWaitsFiftyMillisecondsAndStartsStopped) {
    TfrxReport report;
    EXPECT_EQ(report.Timer()->interval(), 50);
    EXPECT_FALSE(report.Timer()->isActive());
    EXPECT_FALSE(report.Timer()->isSingleShot());
}

TEST(Registry, CreatesComponentsByClassName) {
    TfrxReportPage page;
    TfrxComponent* c = frxCreateComponent(QStringLiteral("tfrxmemoview"), &page);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->metaObject()->className(), "TfrxMemoView");
    EXPECT_EQ(c->Parent(), &page);
    EXPECT_EQ(frxCreateComponent(QStringLiteral("TfrxPictureView")), nullptr);
    EXPECT_EQ(frxFindClass(QStringLiteral("TfrxReport")), &TfrxReport::staticMetaObject);
}

TEST(Copying, AssignCopiesOwnPropertiesNotNameNorChildren) {
    TfrxReportPage page;
    auto* src = new TfrxMemoView(&page);
    src->SetName(QStringLiteral("Memo1"));
    src->SetBounds(1.5, 2.5, 30, 40);
    src->SetText(QStringLiteral("[var1]"));
    src->SetHAlign(haRight);
    src->SetVisible(false);
    src->Font()->SetHeight(-19);
    src->DisplayFormat()->SetDecimalSeparator(QStringLiteral("."));
    src->Frame()->LeftLine()->SetWidth(3);

    TfrxMemoView dst;
    dst.SetName(QStringLiteral("Other"));
    dst.Assign(src);
    EXPECT_EQ(dst.Name(), QStringLiteral("Other"));
    EXPECT_TRUE(frxProps::Differences(src, &dst).isEmpty()) << frxProps::Differences(src, &dst)
                                                                   .join(QLatin1Char(','))
                                                                   .toStdString();
    EXPECT_EQ(dst.Memo(), src->Memo());
    EXPECT_FALSE(dst.ParentFont());

    // Values equal to a default are copied too: the copy matches its source.
    TfrxMemoView back;
    back.SetVisible(false);
    back.SetHAlign(haCenter);
    TfrxMemoView plain;
    back.Assign(&plain);
    EXPECT_TRUE(back.Visible());
    EXPECT_EQ(back.HAlign(), haLeft);
}

// The worksheet's print template: a data page and one A4 page with seven text objects.
std::unique_ptr<TfrxReport> BuildWorksheetTemplate() {
    auto report = std::make_unique<TfrxReport>();
    report->SetName(QStringLiteral("frxReport1"));
    report->PrintOptions()->SetPrinter(QStringLiteral("Default"));
    report->PrintOptions()->SetPrintOnSheet(0);
    for (int i = 1; i <= 7; ++i)
        report->Variables().Add(QStringLiteral(" var") + QString::number(i), Variant::Null());

    auto* data = new TfrxDataPage(report.get());
    data->SetName(QStringLiteral("Data"));
    auto* page = new TfrxReportPage(report.get());
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperWidth(210);
    page->SetPaperHeight(297);
    page->SetPaperSize(9);

    struct MemoSpec {
        const char* name;
        long double left, top, width, height;
        int fontHeight;
        bool bold, column;
    };
    const MemoSpec memos[] = {
        {"Memo1", 18.89762559L, 196.53551118L, 151.1812L, 827.71707L, 19, false, true},
        {"Memo6", 56.69295L, 158.74026L, 710.55164L, 30.23624L, 16, true, false},
        {"Memo7", 260.78757L, 79.37013L, 306.14193L, 34.01577L, 27, true, false},
        {"Memo2", 170.07885L, 196.53556L, 151.1812L, 827.71707L, 19, false, true},
        {"Memo3", 321.26005L, 196.53556L, 151.1812L, 827.71707L, 19, false, true},
        {"Memo4", 472.44125L, 196.53556L, 151.1812L, 827.71707L, 19, false, true},
        {"Memo5", 623.62245L, 196.53556L, 151.1812L, 827.71707L, 19, false, true},
    };
    for (const MemoSpec& m : memos) {
        auto* memo = new TfrxMemoView(page);
        memo->SetName(S(m.name));
        memo->SetBounds(m.left, m.top, m.width, m.height);
        TfrxFont font;
        font.SetName(QStringLiteral("Arial"));
        font.SetHeight(-m.fontHeight);
        font.SetStyle(m.bold ? TFontStyles(fsBold) : TFontStyles());
        memo->SetFont(&font);
        memo->SetParentFont(false);
        memo->DisplayFormat()->SetDecimalSeparator(QStringLiteral("."));
        if (m.column) {
            memo->SetHAlign(haRight);
            memo->SetLineSpacing(20);
            memo->SetStretchMode(smMaxHeight);
            memo->SetAutoWidth(true);
            memo->SetSuppressRepeated(true);
        }
        const QString number = S(m.name).mid(4);
        memo->SetText(QStringLiteral("[var") + number + QLatin1Char(']'));
    }
    return report;
}

TEST(WorksheetTemplate, BuildsInCode) {
    const std::unique_ptr<TfrxReport> report = BuildWorksheetTemplate();
    ASSERT_EQ(report->PagesCount(), 2);
    EXPECT_TRUE(qobject_cast<TfrxDataPage*>(report->Pages(0)));
    EXPECT_EQ(report->Pages(0)->Width(), 1000);
    auto* page = qobject_cast<TfrxReportPage*>(report->Pages(1));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_EQ(page->PaperWidth(), 210);
    EXPECT_EQ(page->PaperHeight(), 297);
    EXPECT_EQ(page->LeftMargin(), 0);
    EXPECT_EQ(report->Variables().Count(), 7);
    EXPECT_EQ(report->Variables().Items(0).Name, QStringLiteral(" var1"));

    QStringList order;
    for (TfrxComponent* c : page->Objects())
        order << c->Name();
    EXPECT_EQ(order, (QStringList{QStringLiteral("Memo1"), QStringLiteral("Memo6"),
                                  QStringLiteral("Memo7"), QStringLiteral("Memo2"),
                                  QStringLiteral("Memo3"), QStringLiteral("Memo4"),
                                  QStringLiteral("Memo5")}));

    auto* memo3 = qobject_cast<TfrxMemoView*>(report->FindObject(QStringLiteral("Memo3")));
    ASSERT_TRUE(memo3);
    EXPECT_EQ(memo3->Memo(), QStringList{QStringLiteral("[var3]")});
    EXPECT_EQ(memo3->Font()->Size(), 14);
    EXPECT_FALSE(memo3->ParentFont());
    EXPECT_EQ(memo3->HAlign(), haRight);
    EXPECT_EQ(memo3->StretchMode(), smMaxHeight);
    // 85 mm from the left edge, 52 mm from the top.
    EXPECT_NEAR(static_cast<double>(memo3->AbsLeft() / fr01cm), 85, 1e-5);
    EXPECT_NEAR(static_cast<double>(memo3->AbsTop() / fr01cm), 52, 1e-5);

    auto* title = qobject_cast<TfrxMemoView*>(report->FindObject(QStringLiteral("Memo7")));
    ASSERT_TRUE(title);
    EXPECT_EQ(title->Font()->Style(), TFontStyles(fsBold));
    EXPECT_EQ(title->Font()->Height(), -27);
    EXPECT_EQ(title->LineSpacing(), 2);
    EXPECT_TRUE(title->WordWrap());
}

TEST(WorksheetTemplate, CopyWithChildrenGivesAnEqualTree) {
    const std::unique_ptr<TfrxReport> report = BuildWorksheetTemplate();
    auto* page = qobject_cast<TfrxReportPage*>(report->Pages(1));
    TfrxReportPage copy; // outside any report, as the prepared pages keep their source pages
    copy.CopyWithChildren(page);
    ASSERT_EQ(copy.Objects().size(), page->Objects().size());
    EXPECT_TRUE(frxProps::Differences(page, &copy).isEmpty());
    for (int i = 0; i < page->Objects().size(); ++i) {
        const TfrxComponent* a = page->Objects()[i];
        const TfrxComponent* b = copy.Objects()[i];
        EXPECT_EQ(a->Name(), b->Name());
        EXPECT_STREQ(a->metaObject()->className(), b->metaObject()->className());
        EXPECT_TRUE(frxProps::Differences(a, b).isEmpty())
            << a->Name().toStdString() << ": "
            << frxProps::Differences(a, b).join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(qobject_cast<const TfrxMemoView*>(a)->Memo(),
                  qobject_cast<const TfrxMemoView*>(b)->Memo());
    }
}

} // namespace

namespace {

TEST(Delta, TextObjectWritesWhatDiffersAndAlwaysItsText) {
    TfrxReportPage page;
    auto* source = new TfrxMemoView(&page);
    source->SetBounds(10, 20, 30, 40);
    source->SetText(QStringLiteral("[var1]"));
    source->Font()->SetHeight(-19);

    TfrxMemoView out;
    out.Assign(source);
    EXPECT_EQ(out.DifferenceText(source), QByteArray(" u=\"[var1]\""));

    out.SetText(QStringLiteral("a\"b\r\nc\r\n"));
    out.SetHeight(40.00001); // within the tolerance
    out.SetTop(25.5);
    out.SetHAlign(haRight);
    out.Font()->SetStyle(fsBold);
    out.Frame()->SetTyp(TfrxFrameTypes(ftLeft | ftTop));
    out.SetTagStr(QStringLiteral("x<y"));
    const QByteArray decimal = QString(platform::DecimalSeparator()).toUtf8();
    EXPECT_EQ(out.DifferenceText(source),
              QByteArray(" t=\"25") + decimal + "5\" Font.Style=\"1\" Frame.Typ=\"5\"" +
                  " TagStr=\"x&#60;y\" HAlign=\"1\" u=\"a&#34;b&#13;&#10;c\"");
}

TEST(Delta, AutoWidthHidesTheWidthAndBandsAlwaysWriteTheirTop) {
    TfrxMemoView source;
    TfrxMemoView out;
    out.SetAutoWidth(true);
    out.SetWidth(99);
    EXPECT_EQ(out.DifferenceText(&source), QByteArray(" AutoWidth=\"1\" u=\"\""));

    TfrxNullBand band, bandSource;
    EXPECT_EQ(band.DifferenceText(&bandSource), QByteArray(" t=\"0\""));
}

TEST(Delta, ParagraphFlagsMoveOnAfterWriting) {
    TfrxMemoView source, out;
    out.SetLastParaBreak(true);
    EXPECT_EQ(out.DifferenceText(&source), QByteArray(" u=\"\" LastParaBreak=\"1\""));
    EXPECT_TRUE(out.FirstParaBreak());
    EXPECT_FALSE(out.LastParaBreak());
    EXPECT_EQ(out.DifferenceText(&source), QByteArray(" u=\"\" FirstParaBreak=\"1\""));
}

TEST(Report, CollectionsSurviveTheirBinaryForm) {
    TfrxReport a;
    a.Variables().Add(QStringLiteral(" var1"), Variant::Null());
    a.Variables().Add(QStringLiteral("n"), Variant(42));
    a.Variables().Add(QStringLiteral("s"), Variant(QStringLiteral("1+2")));
    a.Datasets() << QStringLiteral("Customers");
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        a.WriteBinaryProperties(out);
    }
    TfrxReport b;
    QDataStream in(bytes);
    ASSERT_TRUE(b.ReadBinaryProperties(in));
    EXPECT_EQ(b.Variables(), a.Variables());
    EXPECT_EQ(b.Datasets(), a.Datasets());

    QByteArray broken = bytes.left(bytes.size() - 3);
    QDataStream bad(broken);
    TfrxReport c;
    EXPECT_FALSE(c.ReadBinaryProperties(bad));
}

TEST(Tree, ACircleIsRefusedAndADeepTreeIsFreedWithoutRecursion) {
    TfrxReportPage root;
    TfrxComponent* parent = &root;
    for (int i = 0; i < 100000; ++i)
        parent = new TfrxBand(parent);
    root.SetParent(parent); // would make the root its own ancestor
    EXPECT_EQ(root.Parent(), nullptr);
    EXPECT_EQ(root.AllObjects().size(), 100000);
    root.Font()->SetName(QStringLiteral("Courier New"));
    EXPECT_EQ(parent->Font()->Name(), QStringLiteral("Courier New"));
    // The root's destructor frees the chain at the end of the test.
}

TEST(Paper, InteractivePageTakesThePrinterDefaults) {
    TfrxReportPage page;
    page.ApplyPrinterDefaults();
    const TfrxCustomPrinter* printer = frxPrinters()->CurrentPrinter();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(page.LeftMargin(), 10);
    EXPECT_EQ(page.BottomMargin(), 10);
    EXPECT_EQ(page.PaperSize(), printer->DefaultPaper());
    EXPECT_EQ(page.PaperWidth(), printer->DefaultPaperWidth());
    EXPECT_EQ(page.Orientation(), printer->DefaultOrientation());
    EXPECT_NEAR(static_cast<double>(page.Width()),
                static_cast<double>((printer->DefaultPaperWidth() - 20) * fr01cm), 1e-9);
}

} // namespace

namespace {

TEST(Copying, ReferencesInsideTheCopiedTreePointToTheCopies) {
    TfrxReportPage page;
    auto* first = new TfrxMemoView(&page);
    first->SetName(QStringLiteral("Memo1"));
    auto* second = new TfrxMemoView(&page);
    second->SetName(QStringLiteral("Memo2"));
    first->SetFlowTo(second);
    TfrxMemoView outside;
    second->SetFlowTo(&outside);

    TfrxReportPage copy;
    copy.CopyWithChildren(&page);
    auto* copyFirst = qobject_cast<TfrxMemoView*>(copy.FindObject(QStringLiteral("Memo1")));
    auto* copySecond = qobject_cast<TfrxMemoView*>(copy.FindObject(QStringLiteral("Memo2")));
    ASSERT_TRUE(copyFirst && copySecond);
    EXPECT_EQ(copyFirst->FlowTo(), copySecond);
    EXPECT_EQ(copySecond->FlowTo(), &outside);
}

} // namespace

#include "worksheet/WorksheetReport.h"

#include "WorksheetSettings.h"
#include "common/TestSupport.h"
#include "platform/GbkCodec.h"
#include "report/frxClass.h"
#include "worksheet/Worksheet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace worksheet;

using namespace frxClass;

namespace {

Worksheet Generated(int n, bool answers) {
    Worksheet sheet;
    sheet.GenerateWorksheet(SheetSettings(n, 7, 2, answers));
    sheet.RefillWorksheet(answers);
    return sheet;
}

QString Ask(const Worksheet& sheet, int n, const char* name) {
    Variant v;
    WorksheetValue(sheet, n, QString::fromLatin1(name), v);
    EXPECT_TRUE(v.IsEmpty() || v.IsString()) << name;
    return v.StringValue();
}

} // namespace

TEST(WorksheetTemplate, HoldsTheStoredReport) {
    const std::unique_ptr<TfrxReport> report = CreateWorksheetReport();
    EXPECT_EQ(report->objectName(), QStringLiteral("frxReport1"));
    EXPECT_EQ(int(report->PreviewOptions()->Buttons()), 0xFFF);
    EXPECT_EQ(report->PreviewOptions()->Zoom(), 1.0L);
    EXPECT_EQ(report->PrintOptions()->Printer(), QStringLiteral("Default"));
    EXPECT_EQ(report->ScriptLanguage(), QStringLiteral("PascalScript"));
    EXPECT_EQ(report->ScriptText(),
              QStringList({QStringLiteral("begin"), QString(), QStringLiteral("end.")}));
    ASSERT_EQ(report->Variables().Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(report->Variables().Items(i).Name, QStringLiteral(" var%1").arg(i + 1));
        EXPECT_TRUE(report->Variables().Items(i).Value.IsNull());
    }
    EXPECT_EQ(report->Variables().IndexOf(QStringLiteral("var1")), -1)
        << "headings never answer the bracketed names";

    ASSERT_EQ(report->PagesCount(), 2);
    auto* data = qobject_cast<TfrxDataPage*>(report->Pages(0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Name(), QStringLiteral("Data"));
    EXPECT_EQ(data->Width(), 1000);
    auto* page = qobject_cast<TfrxReportPage*>(report->Pages(1));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Name(), QStringLiteral("Page1"));
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_EQ(page->PaperWidth(), 210);
    EXPECT_EQ(page->PaperHeight(), 297);
    EXPECT_EQ(page->LeftMargin() + page->TopMargin() + page->RightMargin() + page->BottomMargin(), 0);
}

TEST(WorksheetTemplate, TextObjectsSitWhereThePageNeedsThem) {
    struct Row {
        const char* name;
        double leftMm, topMm, widthMm, heightMm;
        const char* text;
        int height;
        bool bold, column;
    } rows[] = {
        {"Memo1", 5, 52, 40, 219, "[var1]", -19, false, true},
        {"Memo6", 15, 42, 188, 8, "[var6]", -16, true, false},
        {"Memo7", 69, 21, 81, 9, "[var7]", -27, true, false},
        {"Memo2", 45, 52, 40, 219, "[var2]", -19, false, true},
        {"Memo3", 85, 52, 40, 219, "[var3]", -19, false, true},
        {"Memo4", 125, 52, 40, 219, "[var4]", -19, false, true},
        {"Memo5", 165, 52, 40, 219, "[var5]", -19, false, true},
    };
    const std::unique_ptr<TfrxReport> report = CreateWorksheetReport();
    const TfrxPage* page = report->Pages(1);
    ASSERT_EQ(page->Objects().size(), 7);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        auto* m = qobject_cast<TfrxMemoView*>(page->Objects()[qsizetype(i)]);
        ASSERT_NE(m, nullptr) << r.name;
        EXPECT_EQ(m->Name(), QString::fromLatin1(r.name));
        // Memo1 sits 0.00005 px higher than the other columns in the stored template.
        EXPECT_NEAR(double(m->Left() / fr01cm), r.leftMm, 1e-4) << r.name;
        EXPECT_NEAR(double(m->Top() / fr01cm), r.topMm, 1e-4) << r.name;
        EXPECT_NEAR(double(m->Width() / fr01cm), r.widthMm, 1e-4) << r.name;
        EXPECT_NEAR(double(m->Height() / fr01cm), r.heightMm, 1e-4) << r.name;
        EXPECT_EQ(m->Memo(), QStringList(QString::fromLatin1(r.text))) << r.name;
        EXPECT_EQ(m->Font()->Name(), QStringLiteral("Arial")) << r.name;
        EXPECT_EQ(m->Font()->Height(), r.height) << r.name;
        EXPECT_EQ(bool(m->Font()->Style() & fsBold), r.bold) << r.name;
        EXPECT_EQ(m->Font()->Color(), clBlack) << r.name;
        EXPECT_FALSE(m->ParentFont()) << r.name;
        EXPECT_EQ(m->DisplayFormat()->DecimalSeparator(), QStringLiteral(".")) << r.name;
        EXPECT_EQ(m->HAlign(), r.column ? haRight : haLeft) << r.name;
        EXPECT_EQ(m->LineSpacing(), r.column ? 20 : 2) << r.name;
        EXPECT_EQ(m->StretchMode(), r.column ? smMaxHeight : smDontStretch) << r.name;
        EXPECT_EQ(m->AutoWidth(), r.column) << r.name;
        EXPECT_EQ(m->SuppressRepeated(), r.column) << r.name;
    }
}

TEST(WorksheetValues, ColumnsHeaderAndTitle) {
    for (bool answers : {true, false}) {
        const Worksheet sheet = Generated(10, answers);
        const QString tail = answers ? QStringLiteral("    \r") : QStringLiteral("         \r");
        for (int n = 1; n <= 5; ++n) {
            const QByteArray& first = answers ? sheet.AnswerText(n) : sheet.QuestionText(n);
            const QByteArray& second = answers ? sheet.AnswerText(n + 5) : sheet.QuestionText(n + 5);
            EXPECT_EQ(Ask(sheet, 10, QByteArray("var" + QByteArray::number(n)).constData()),
                      platform::FromGbk(first) + tail + platform::FromGbk(second) + tail)
                << "column " << n << (answers ? " with" : " without") << " answers";
        }
        if (!answers) {
            EXPECT_TRUE(Ask(sheet, 10, "var1").startsWith(platform::FromGbk(sheet.QuestionText(1))));
        }
        EXPECT_TRUE(platform::FromGbk(sheet.QuestionText(1)).endsWith(QStringLiteral(" = ")));
    }
    const Worksheet sheet = Generated(40, true);
    EXPECT_EQ(Ask(sheet, 40, "var6"),
              QString::fromUtf8("题数：40      姓名                      年级         班级     "
                                "                      用时                     分数"));
    EXPECT_EQ(Ask(sheet, 40, "var7"), QString::fromUtf8("数  学  运  算  练  习"));
    EXPECT_EQ(Ask(sheet, 40, "var1").count(QLatin1Char('\r')), 8);
    for (const char* other : {"VAR1", "var", "var8", "var10", " var1", ""}) {
        Variant v;
        WorksheetValue(sheet, 40, QString::fromLatin1(other), v);
        EXPECT_TRUE(v.IsEmpty()) << "'" << other << "' is passed on";
    }
}

// Pages prepared by the engine, saved as a prepared report file and opened again: a long band
// report over a data set, two passes, "Page N of M" in its header and footer.

#include "report/frxEngine.h"

#include "store/frxPreviewPages.h"
#include "report/frxDataSets.h"

#include "ReadBack.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace frxClass;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

TfrxMemoView* AddMemo(TfrxComponent* parent, long double l, long double w, long double h,
                      const QString& text) {
    auto* m = new TfrxMemoView(parent);
    m->AssignFreeName();
    m->SetBounds(l, 0, w, h);
    m->SetText(text);
    return m;
}

TfrxPreviewPages& StoreOf(TfrxReport& report) {
    return *static_cast<TfrxPreviewPages*>(report.Runtime().PreviewPages());
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(EngineSavedPages, AThousandPageBandReportOpensAndSavesAgainByteForByte) {
    // 45 rows of four fields on each A4 page between a page header and a "Page N of M" footer.
    constexpr int rows = 45000;
    TfrxUserDataSet data;
    data.SetUserName(S("Data"));
    data.Fields = {S("Id"), S("Name"), S("City"), S("Amount")};
    data.RangeEndCount = rows;
    data.OnGetValue = [&data](const QString& field, Variant& value) {
        const int n = data.RecNo();
        switch (field.at(0).unicode()) {
        case 'I': value = Variant(n + 1); break;
        case 'N': value = Variant(S("客户 %1 & <Co>").arg(n + 1)); break;
        case 'C': value = Variant(S("City %1").arg(n % 97)); break;
        default: value = Variant(n * 1.25); break;
        }
    };
    TfrxReport report;
    report.SetShowProgress(false);
    report.EngineOptions()->SetDoublePass(true);
    report.EngineOptions()->SetNewSilentMode(simReThrow);
    report.ReportOptions()->SetName(S("Customers"));
    auto* page = new TfrxReportPage(&report);
    page->SetName(S("Page1"));
    auto* header = new TfrxPageHeader(page);
    header->SetName(S("PageHeader1"));
    header->SetBounds(0, 0, 0, 30);
    AddMemo(header, 0, 700, 30, S("Customers, page [Page#] of [TotalPages#]"));
    auto* band = new TfrxMasterData(page);
    band->SetName(S("MasterData1"));
    band->SetBounds(0, 40, 0, 23.6L);
    band->SetDataSetName(S("Data"));
    AddMemo(band, 0, 80, 23.6L, S("[Data.\"Id\"]"));
    AddMemo(band, 90, 250, 23.6L, S("[Data.\"Name\"]"));
    AddMemo(band, 350, 200, 23.6L, S("[Data.\"City\"]"));
    AddMemo(band, 560, 150, 23.6L, S("[Data.\"Amount\"]"))->SetHAlign(haRight);
    auto* footer = new TfrxPageFooter(page);
    footer->SetName(S("PageFooter1"));
    footer->SetBounds(0, 100, 0, 30);
    AddMemo(footer, 0, 700, 30, S("Page [Page#] of [TotalPages#]"))->SetHAlign(haCenter);

    ASSERT_TRUE(report.Prepare(true)) << report.Errors().join(S("\n")).toStdString();
    TfrxPreviewPages& prepared = StoreOf(report);
    ASSERT_EQ(prepared.PageCount(), 1000);

    QTemporaryDir dir;
    const QString first = dir.filePath(S("customers.pgx"));
    prepared.WriteToFile(first);
    const QByteArray bytes = FileBytes(first);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(XmlLint(first), QString());

    // A new report with its own store, as in a later run of the program.
    TfrxReport other;
    TfrxPreviewPages& opened = StoreOf(other);
    ASSERT_TRUE(opened.ReadFromFile(first, true));
    EXPECT_TRUE(opened.Errors().isEmpty()) << opened.Errors().join(S("|")).toStdString();
    ASSERT_EQ(opened.PageCount(), 1000);
    EXPECT_EQ(other.ReportOptions()->Name(), S("Customers"));

    const QString second = dir.filePath(S("again.pgx"));
    opened.WriteToFile(second);
    EXPECT_TRUE(FileBytes(second) == bytes) << "saving the opened file changes its bytes";

    for (int i = 0; i < 1000; i += 37) {
        for (int index : {i, std::min(999, i + 1)}) {
            const QStringList was = PrintedSheet(prepared, index);
            ASSERT_FALSE(was.isEmpty());
            ASSERT_EQ(PrintedSheet(opened, index), was) << "page " << index + 1;
        }
    }
    const QStringList last = PrintedSheet(opened, 999);
    EXPECT_TRUE(last.filter(S("\"Page 1000 of 1000\"")).size() == 1) << last.join(S("\n")).toStdString();
    EXPECT_TRUE(last.filter(S("\"客户 45000 & <Co>\"")).size() == 1);
    EXPECT_EQ(opened.PageSizeOf(999), prepared.PageSizeOf(999));
}

#include "worksheet/WorksheetReport.h"

#include "platform/GbkCodec.h"
#include "report/frxClass.h"
#include "worksheet/Worksheet.h"

using namespace frxClass;

namespace worksheet {

namespace {

struct MemoDesign {
    const char* name;
    long double left, top, width, height; // px at 96 dpi
    const char* text;
    int fontHeight; // px
    bool bold;
    bool column;
};

// In the page's child order. The millimetres behind them: title (69, 21, 81, 9), header line
// (15, 42, 188, 8), columns 40 x 219 from 52 mm at 5, 45, 85, 125 and 165 mm.
constexpr MemoDesign kMemos[] = {
    {"Memo1", 18.89762559L, 196.53551118L, 151.1812L, 827.71707L, "[var1]", 19, false, true},
    {"Memo6", 56.69295L, 158.74026L, 710.55164L, 30.23624L, "[var6]", 16, true, false},
    {"Memo7", 260.78757L, 79.37013L, 306.14193L, 34.01577L, "[var7]", 27, true, false},
    {"Memo2", 170.07885L, 196.53556L, 151.1812L, 827.71707L, "[var2]", 19, false, true},
    {"Memo3", 321.26005L, 196.53556L, 151.1812L, 827.71707L, "[var3]", 19, false, true},
    {"Memo4", 472.44125L, 196.53556L, 151.1812L, 827.71707L, "[var4]", 19, false, true},
    {"Memo5", 623.62245L, 196.53556L, 151.1812L, 827.71707L, "[var5]", 19, false, true},
};

// Six blanks, 姓名, 22 blanks, 年级, nine blanks, 班级, 27 blanks, 用时, 21 blanks, 分数.
QString HeaderTail() {
    const auto blanks = [](int n) { return QString(n, QLatin1Char(' ')); };
    return blanks(6) + QString::fromUtf8("姓名") + blanks(22) + QString::fromUtf8("年级") +
           blanks(9) + QString::fromUtf8("班级") + blanks(27) + QString::fromUtf8("用时") +
           blanks(21) + QString::fromUtf8("分数");
}

} // namespace

std::unique_ptr<TfrxReport> CreateWorksheetReport() {
    auto report = std::make_unique<TfrxReport>();
    report->setObjectName(QStringLiteral("frxReport1"));
    report->SetDotMatrixReport(false);
    report->SetIniFile(QStringLiteral("\\Software\\Brindle"));
    report->PreviewOptions()->SetButtons(pbPrint | pbLoad | pbSave | pbExport | pbZoom | pbFind |
                                         pbOutline | pbPageSetup | pbTools | pbEdit |
                                         pbNavigator | pbExportQuick);
    report->PreviewOptions()->SetZoom(1.0L);
    report->PrintOptions()->SetPrinter(QStringLiteral("Default"));
    report->PrintOptions()->SetPrintOnSheet(0);
    report->SetScriptLanguage(QStringLiteral("PascalScript"));
    report->SetScriptText({QStringLiteral("begin"), QString(), QStringLiteral("end.")});
    report->Datasets().clear();
    report->Styles().clear();
    // Category headings (a leading blank): they group, and never answer "var1".."var7".
    report->Variables().Clear();
    for (int i = 1; i <= 7; ++i)
        report->Variables().Add(QStringLiteral(" var%1").arg(i), Variant::Null());

    auto* data = new TfrxDataPage(report.get());
    data->SetParent(report.get());
    data->SetName(QStringLiteral("Data"));
    data->SetWidth(1000);
    data->SetHeight(1000);

    auto* page = new TfrxReportPage(report.get());
    page->SetParent(report.get());
    page->SetName(QStringLiteral("Page1"));
    // Stored in this order; the paper code last, so it stays 9.
    page->SetPaperWidth(210);
    page->SetPaperHeight(297);
    page->SetPaperSize(9);

    for (const MemoDesign& d : kMemos) {
        auto* memo = new TfrxMemoView(page);
        memo->SetParent(page);
        memo->SetName(QString::fromLatin1(d.name));
        memo->SetBounds(d.left, d.top, d.width, d.height);
        TfrxFont font;
        font.SetName(QStringLiteral("Arial"));
        font.SetHeight(-d.fontHeight);
        font.SetColor(clBlack);
        font.SetCharset(TfrxFont::DefaultCharset);
        font.SetStyle(d.bold ? TFontStyles(fsBold) : TFontStyles());
        memo->SetFont(&font);
        memo->SetParentFont(false);
        memo->DisplayFormat()->SetDecimalSeparator(QStringLiteral("."));
        if (d.column) {
            memo->SetHAlign(haRight);
            memo->SetLineSpacing(20);
            memo->SetStretchMode(smMaxHeight);
            memo->SetAutoWidth(true);
            memo->SetSuppressRepeated(true);
        }
        memo->SetMemo({QString::fromLatin1(d.text)});
    }
    return report;
}

void WorksheetValue(const Worksheet& sheet, int problemCount, const QString& varName,
                    Variant& value) {
    for (int r = 0; r < Worksheet::LayoutRows; ++r)
        for (int n = 1; n <= Worksheet::Columns; ++n) {
            const int slot = Worksheet::Columns * r + n;
            if (slot <= problemCount && varName == QStringLiteral("var%1").arg(n)) {
                const QString line = platform::FromGbk(sheet.ColumnLine(n - 1, r));
                value = Variant(value.IsBlank() ? line : value.StringValue() + line);
            }
        }
    if (varName == QLatin1String("var6"))
        value = Variant(QString::fromUtf8("题数：") + QString::number(problemCount) + HeaderTail());
    else if (varName == QLatin1String("var7"))
        value = Variant(QString::fromUtf8("数  学  运  算  练  习"));
}

} // namespace worksheet

// The long report of the engine and PDF benchmarks: a master data band over a 45,000-row
// program data set with four text fields per row, a page header and a page footer with
// "Page [Page#] of [TotalPages#]", two passes: 1,000 A4 pages of 45 rows.

#pragma once

#include "report/frxClass.h"
#include "report/frxDataSets.h"

#include <QString>

struct CustomerList {
    static constexpr int Rows = 45000;

    // Declared first, so the report that reads it goes first.
    TfrxUserDataSet data;
    TfrxReport report;

    CustomerList() {
        data.SetUserName(Text("Data"));
        data.Fields = {Text("Id"), Text("Name"), Text("City"), Text("Amount")};
        data.RangeEndCount = Rows;
        data.OnGetValue = [this](const QString& field, Variant& value) {
            const int n = data.RecNo();
            switch (field.at(0).unicode()) {
            case 'I': value = Variant(n + 1); break;
            case 'N': value = Variant(Text("Customer %1").arg(n + 1)); break;
            case 'C': value = Variant(Text("City %1").arg(n % 97)); break;
            default: value = Variant(n * 1.25); break;
            }
        };

        report.EngineOptions()->SetDoublePass(true);
        report.EngineOptions()->SetNewSilentMode(frxClass::simReThrow);
        auto* page = new TfrxReportPage(&report);
        page->SetName(Text("Page1"));
        auto* header = new TfrxPageHeader(page);
        header->SetName(Text("PageHeader1"));
        header->SetBounds(0, 0, 0, 30);
        AddMemo(header, 0, 700, 30, Text("Customers, page [Page#] of [TotalPages#]"));
        auto* band = new TfrxMasterData(page);
        band->SetName(Text("MasterData1"));
        band->SetBounds(0, 40, 0, 23.6L); // 45 rows on each A4 page between header and footer
        band->SetDataSetName(Text("Data"));
        AddMemo(band, 0, 80, 23.6L, Text("[Data.\"Id\"]"));
        AddMemo(band, 90, 250, 23.6L, Text("[Data.\"Name\"]"));
        AddMemo(band, 350, 200, 23.6L, Text("[Data.\"City\"]"));
        AddMemo(band, 560, 150, 23.6L, Text("[Data.\"Amount\"]"))->SetHAlign(frxClass::haRight);
        auto* footer = new TfrxPageFooter(page);
        footer->SetName(Text("PageFooter1"));
        footer->SetBounds(0, 100, 0, 30);
        AddMemo(footer, 0, 700, 30, Text("Page [Page#] of [TotalPages#]"))
            ->SetHAlign(frxClass::haCenter);
    }

private:
    static QString Text(const char* s) { return QString::fromUtf8(s); }

    static TfrxMemoView* AddMemo(TfrxComponent* parent, long double l, long double w,
                                 long double h, const QString& text) {
        auto* m = new TfrxMemoView(parent);
        m->AssignFreeName();
        m->SetBounds(l, 0, w, h);
        m->SetText(text);
        return m;
    }
};

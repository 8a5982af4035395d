#pragma once
// A report like the worksheet's, prepared into its own store for tests of what reads prepared
// pages (files, find).

#include "store/frxPreviewPages.h"
#include "report/frxClass.h"

#include <QList>
#include <QString>

#include <functional>

struct PreparedEngine : TfrxCustomEngine {
    bool Run() override { return true; }
};

// A report like the worksheet's: one A4 page with seven text objects, prepared into its own
// store the way the engine does it (register, start each page, append the page's objects
// through a band that only borrows them).
struct Prepared {
    explicit Prepared(int pages = 1, const std::function<void(Prepared&, int)>& each = {}) {
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetLeftMargin(10);
        page->SetTopMargin(10);
        for (int i = 1; i <= 7; ++i) {
            auto* m = new TfrxMemoView(page);
            m->SetName(QStringLiteral("Memo%1").arg(i));
            m->SetBounds(20 * i, 30 + 25 * i, 180, 22);
            TfrxFont f;
            f.SetName(QStringLiteral("Arial"));
            f.SetSize(12);
            m->SetFont(&f);
            m->SetText(QStringLiteral("[var%1]").arg(i));
            memos.append(m);
        }
        engine.FinalPass = true;
        store.SetEngine(&engine);
        store.ClearAll();
        store.PrepareStart();
        store.RegisterSourcePage(page);
        engine.Running = true;
        store.PassStart();
        for (int p = 0; p < pages; ++p) {
            store.StartPage(page);
            for (int i = 0; i < 7; ++i)
                memos[i]->SetText(QStringLiteral("%1 + %2 = %3 ÷ 第%4页")
                                      .arg(p * 7 + i)
                                      .arg(i)
                                      .arg(p * 7 + 2 * i)
                                      .arg(p + 1));
            if (each)
                each(*this, p);
            TfrxNullBand band;
            band.Objects() = page->Objects();
            store.AppendObject(&band);
            band.Objects().clear();
        }
        engine.Running = false;
        store.PrepareFinish();
    }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    QList<TfrxMemoView*> memos;
    PreparedEngine engine;
    TfrxPreviewPages store{&report};
};


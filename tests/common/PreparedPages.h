#pragma once
// Prepared pages for tests of what reads them (files, find, printing, the preview window): the
// engine's way of filling a store, and a report like the worksheet's prepared with it.

#include "preview/frxPreviewForm.h"
#include "report/frxClass.h"
#include "store/frxPreviewPages.h"

#include <QApplication>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

struct PreparedEngine : TfrxCustomEngine {
    PreparedEngine() { FinalPass = true; }
    bool Run() override { return true; }
};

// Prepares `pages` pages of `page` into `store` the way the engine does: register the page,
// start each page and append the page's objects through a band that only borrows them. `each`
// may change the objects before a page's go in (as evaluation does) and gets the page number.
inline void PrepareInto(TfrxPreviewPages& store, TfrxCustomEngine& engine, TfrxReportPage* page,
                        int pages, const std::function<void(int)>& each = {}) {
    store.SetEngine(&engine);
    store.ClearAll();
    store.PrepareStart();
    store.RegisterSourcePage(page);
    engine.Running = true;
    store.PassStart();
    for (int p = 0; p < pages; ++p) {
        store.StartPage(page);
        if (each)
            each(p);
        TfrxNullBand band;
        band.Objects() = page->Objects();
        store.AppendObject(&band);
        band.Objects().clear();
    }
    engine.Running = false;
    store.PrepareFinish();
}

// A preview window on `report` and its prepared `pages`, shown and set up from the report's
// options as the report opens it.
inline std::unique_ptr<TfrxPreviewForm> OpenPreviewWindow(TfrxReport& report,
                                                          TfrxCustomPreviewPages& pages) {
    auto form = std::make_unique<TfrxPreviewForm>();
    form->Preview()->SetReport(&report);
    form->Preview()->SetPreviewPages(&pages);
    form->show();
    QApplication::processEvents();
    form->InitFromOptions();
    QApplication::processEvents();
    return form;
}

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
        PrepareInto(store, engine, page, pages, [&](int p) {
            for (int i = 0; i < 7; ++i)
                memos[i]->SetText(QStringLiteral("%1 + %2 = %3 ÷ 第%4页")
                                      .arg(p * 7 + i)
                                      .arg(i)
                                      .arg(p * 7 + 2 * i)
                                      .arg(p + 1));
            if (each)
                each(*this, p);
        });
    }

    TfrxReport report;
    TfrxReportPage* page = nullptr;
    QList<TfrxMemoView*> memos;
    PreparedEngine engine;
    TfrxPreviewPages store{&report};
};


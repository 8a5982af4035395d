#pragma once
// Print runs on the recording printing service: prepared pages of any paper, and what the
// printer was asked to do with them, sheet by sheet.

#include "platform/Canvas.h"
#include "platform/PrintServiceRecording.h"
#include "print/frxPrintJob.h"
#include "print/frxPrinter.h"
#include "report/frxClass.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

// Pages kept as live page objects; every drawing is logged with the sheet it went on.
class RecordedPages : public TfrxPrintSource {
public:
    struct Render {
        int Index;   // page index
        int Sheet;   // index of the sheet being printed
        long double ScaleX, ScaleY, OffsetX, OffsetY;
        int CopyNo;
    };

    explicit RecordedPages(platform::RecordingPrintService* service) : m_service(service) {}

    // A page of a table paper (or 256 with the size given, mm).
    TfrxReportPage& Add(int paper, TPrinterOrientation orientation = poPortrait,
                        long double width = 0, long double height = 0) {
        auto page = std::make_unique<TfrxReportPage>();
        page->SetOrientation(orientation);
        if (paper == DMPAPER_USER) {
            page->SetPaperWidth(width);
            page->SetPaperHeight(height);
        } else {
            page->SetPaperSize(paper);
        }
        Pages.push_back(std::move(page));
        return *Pages.back();
    }
    void AddA4(int count) {
        for (int i = 0; i < count; ++i)
            Add(DMPAPER_A4);
    }

    int PageCount() override { return static_cast<int>(Pages.size()); }
    TfrxReportPage* BuildPage(int index) override {
        ++Builds;
        return index >= 0 && index < PageCount() ? Pages[static_cast<size_t>(index)].get()
                                                  : nullptr;
    }
    void RenderPage(int index, platform::Canvas* canvas, long double scaleX, long double scaleY,
                    long double offsetX, long double offsetY) override {
        if (OnRender)
            OnRender(index);
        int sheets = 0;
        for (const auto& e : m_service->Events())
            if (e.What == platform::RecordingPrintService::Kind::BeginSheet)
                ++sheets;
        Renders.push_back({index, sheets - 1, scaleX, scaleY, offsetX, offsetY, CopyNo});
        // A mark in the page's corner, so that the sheet shows where the page went.
        canvas->SetBrush(platform::Brush{Qt::black});
        canvas->FillRect(platform::Rect{static_cast<int>(offsetX), static_cast<int>(offsetY),
                                        static_cast<int>(offsetX) + 10,
                                        static_cast<int>(offsetY) + 10});
    }
    void ClearPageCache() override { ++CacheClears; }
    void SetCopyNo(int copyNo) override { CopyNo = copyNo; }
    void SetPrintScale(long double scale) override { PrintScale = scale; }
    int CurrentPreviewPage() override { return PreviewPage; }

    // Page numbers (1-based) in the order they were drawn.
    std::vector<int> DrawnPages() const {
        std::vector<int> pages;
        for (const Render& r : Renders)
            pages.push_back(r.Index + 1);
        return pages;
    }
    // Per sheet, the page numbers drawn on it (empty for a blank sheet).
    std::vector<std::vector<int>> PagesPerSheet(int sheetCount) const {
        std::vector<std::vector<int>> sheets(static_cast<size_t>(sheetCount));
        for (const Render& r : Renders)
            if (r.Sheet >= 0 && r.Sheet < sheetCount)
                sheets[static_cast<size_t>(r.Sheet)].push_back(r.Index + 1);
        return sheets;
    }

    std::vector<std::unique_ptr<TfrxReportPage>> Pages;
    std::vector<Render> Renders;
    std::function<void(int index)> OnRender;
    int CopyNo = 0;
    long double PrintScale = 0;
    int CacheClears = 0;
    int Builds = 0;
    int PreviewPage = 0;

private:
    platform::RecordingPrintService* m_service;
};

// The process-wide printer list on a recording service with the printers given.
inline std::shared_ptr<platform::RecordingPrintService>
UseRecordingPrinters(const QList<platform::RecordingPrintService::Printer>& printers,
                     const QString& defaultPrinter = QString()) {
    auto service = std::make_shared<platform::RecordingPrintService>();
    for (const auto& p : printers)
        service->AddPrinter(p);
    service->SetDefaultPrinter(defaultPrinter.isEmpty() && !printers.isEmpty()
                                   ? printers.first().Name
                                   : defaultPrinter);
    frxSetPrintService(service);
    frxPrinters();
    return service;
}

// Runs `action` on the modal window that opens next (polling until one does).
inline void OnNextModal(std::function<void(QWidget* modal)> action, int tries = 200) {
    QTimer::singleShot(10, [action, tries] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            action(w);
            return;
        }
        if (tries > 0)
            OnNextModal(action, tries - 1);
    });
}

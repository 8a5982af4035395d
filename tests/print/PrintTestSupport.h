#pragma once
// Print runs on the recording printing service: prepared pages of any paper, and what the
// printer was asked to do with them, sheet by sheet.

#include "platform/Canvas.h"
#include "platform/Registry.h"
#include "platform/PrintServiceRecording.h"
#include "print/frxPrintJob.h"
#include "printers/frxPrinter.h"
#include "report/frxClass.h"
#include "worksheet/WorksheetReport.h"

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

// Prints on `service` (null: the desktop's) until the test's registry scope ends.
inline void UsePrintService(std::shared_ptr<platform::PrintService> service) {
    if (service)
        platform::Registry::Install<platform::PrintService>(std::move(service));
    else
        platform::Registry::Remove<platform::PrintService>();
}

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
    UsePrintService(service);
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

// --- dialogs ------------------------------------------------------------------------------------

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

#include <gtest/gtest.h>

// Each named control of `window` shows its caption (a button's text, a label's text, a group
// box's title) and lies wholly inside the window.
inline void ExpectCaptions(QWidget& window,
                           std::initializer_list<std::pair<const char*, const char*>> captions) {
    for (const auto& [name, caption] : captions) {
        QWidget* w = window.findChild<QWidget*>(QString::fromUtf8(name));
        ASSERT_NE(w, nullptr) << name;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            text = g->title();
        EXPECT_EQ(text, QString::fromUtf8(caption)) << name;
        const QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
        EXPECT_TRUE(window.rect().contains(r)) << name;
    }
}

// --- measuring printed pages ------------------------------------------------------------------

#include <QImage>
#include <QRectF>

#include <climits>

// Calls `f(x, y, grey)` for every pixel of `image` inside `areaMM` (mm from its corner).
template <class F>
void ForEachPixelMM(const QImage& image, double dpi, const QRectF& areaMM, F f) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const double perMM = dpi / 25.4;
    const int x0 = std::max(0, static_cast<int>(areaMM.left() * perMM));
    const int y0 = std::max(0, static_cast<int>(areaMM.top() * perMM));
    const int x1 = std::min(grey.width(), static_cast<int>(areaMM.right() * perMM));
    const int y1 = std::min(grey.height(), static_cast<int>(areaMM.bottom() * perMM));
    for (int y = y0; y < y1; ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = x0; x < x1; ++x)
            f(x, y, line[x]);
    }
}

// The bounding box, in mm from the image's corner, of the ink (pixels darker than mid grey)
// inside `areaMM`; empty when there is none.
inline QRectF InkBoxMM(const QImage& image, double dpi, const QRectF& areaMM) {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    ForEachPixelMM(image, dpi, areaMM, [&](int x, int y, uchar grey) {
        if (grey < 128) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    });
    if (right < 0)
        return {};
    const double perMM = dpi / 25.4;
    return QRectF(left / perMM, top / perMM, (right + 1 - left) / perMM,
                  (bottom + 1 - top) / perMM);
}

// The ink inside `areaMM`: the sum of every pixel's darkness (0 for white, 1 for black), so a
// bolder stroke or a heavier grey counts for more.
inline double InkMM(const QImage& image, double dpi, const QRectF& areaMM) {
    double ink = 0;
    ForEachPixelMM(image, dpi, areaMM, [&](int, int, uchar grey) { ink += (255 - grey) / 255.0; });
    return ink;
}

// --- the worksheet's page ---------------------------------------------------------------------

// The worksheet template's page (Page1 of the worksheet window's report), moved into `report`,
// with the texts a sheet of 20 problems gives its seven objects.
inline TfrxReportPage* AddWorksheetPage(TfrxReport& report) {
    const std::unique_ptr<TfrxReport> source = worksheet::CreateWorksheetReport();
    auto* page = qobject_cast<TfrxReportPage*>(source->Pages(1));
    page->SetParent(&report);
    page->QObject::setParent(&report);
    for (TfrxComponent* c : page->Objects()) {
        auto* m = qobject_cast<TfrxMemoView*>(c);
        const QByteArray name = m->Name().toLatin1();
        QString text;
        if (name == "Memo7") {
            text = QString::fromUtf8("数  学  运  算  练  习");
        } else if (name == "Memo6") {
            text = QString::fromUtf8("题数：20      姓名                      年级         班级"
                                     "                           用时                     分数");
        } else {
            const int n = name.back() - '0';
            for (int r = 0; r < 4; ++r)
                text += QStringLiteral("%1 + %2 = %3    \r")
                            .arg(10 * n + r)
                            .arg(7 * r + n)
                            .arg(10 * n + r + 7 * r + n);
        }
        m->SetText(text);
    }
    return page;
}

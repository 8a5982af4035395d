#include "platform/PrintServiceRecording.h"

#include "platform/CanvasPainter.h"

#include <QPageSize>
#include <QPainter>

#include <cmath>

namespace platform {

namespace {

// A picture that reports the printer's resolution and sheet size, so that fonts given in
// points are sized in printer dots, as they are on the printer.
class SheetPicture : public QPicture {
public:
    SheetPicture(QPoint dpi, QSize dots) : m_dpi(dpi), m_dots(dots) {}

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth:
            return m_dots.width();
        case PdmHeight:
            return m_dots.height();
        case PdmWidthMM:
            return qRound(m_dots.width() * 25.4 / m_dpi.x());
        case PdmHeightMM:
            return qRound(m_dots.height() * 25.4 / m_dpi.y());
        case PdmDpiX:
        case PdmPhysicalDpiX:
            return m_dpi.x();
        case PdmDpiY:
        case PdmPhysicalDpiY:
            return m_dpi.y();
        default:
            return QPicture::metric(m);
        }
    }

private:
    QPoint m_dpi;
    QSize m_dots;
};

int Dots(qreal mm, int dpi) { return static_cast<int>(std::lround(mm / 25.4 * dpi)); }

} // namespace

class RecordingDevice final : public PrintDevice {
public:
    RecordingDevice(RecordingPrintService* service, const RecordingPrintService::Printer& p)
        : m_service(service), m_printer(p) {}

    std::optional<DeviceMode> CurrentDeviceMode() override {
        if (!m_printer.HasDeviceMode)
            return std::nullopt;
        return m_printer.Default;
    }
    QList<NamedCode> Papers() override { return m_printer.Papers; }
    QList<NamedCode> Bins() override { return m_printer.Bins; }

    DeviceMetrics Metrics(const DeviceMode& mode) override {
        Log(RecordingPrintService::Kind::Measure, mode);
        return m_service->MetricsOf(m_printer.Name, mode);
    }

    bool BeginDocument(const DeviceMode& mode, const QString& title,
                       const QString& outputFile) override {
        m_mode = mode;
        RecordingPrintService::Document doc;
        doc.Printer = m_printer.Name;
        doc.Title = title;
        doc.OutputFile = outputFile;
        m_service->m_documents.append(doc);
        m_document = static_cast<int>(m_service->m_documents.size()) - 1;
        Log(RecordingPrintService::Kind::BeginDocument, mode, title + QLatin1Char('|') + outputFile);
        return true;
    }

    void ResetDevice(const DeviceMode& mode) override {
        m_mode = mode;
        Log(RecordingPrintService::Kind::ResetDevice, mode);
    }

    Canvas* BeginSheet() override {
        if (m_document < 0)
            return nullptr;
        const DeviceMetrics m = m_service->MetricsOf(m_printer.Name, m_mode);
        m_picture = std::make_unique<SheetPicture>(QPoint(m.DpiX, m.DpiY),
                                                   QSize(m.PrintableWidth, m.PrintableHeight));
        m_painter = std::make_unique<QPainter>(m_picture.get());
        m_canvas = std::make_unique<PainterCanvas>(m_painter.get(), m.DpiX, m.DpiY, true);
        m_sheetMetrics = m;
        Log(RecordingPrintService::Kind::BeginSheet, m_mode);
        return m_canvas.get();
    }

    void EndSheet() override {
        if (!m_painter)
            return;
        m_canvas.reset();
        m_painter->end();
        m_painter.reset();
        RecordingPrintService::Sheet sheet;
        sheet.Printer = m_printer.Name;
        sheet.Document = m_document;
        sheet.Mode = m_mode;
        sheet.Metrics = m_sheetMetrics;
        sheet.Picture = *m_picture;
        m_picture.reset();
        m_service->m_sheets.append(sheet);
        m_service->m_documents[m_document].Sheets++;
        Log(RecordingPrintService::Kind::EndSheet, m_mode);
    }

    bool EndDocument() override {
        if (m_document < 0)
            return false;
        EndSheet();
        m_service->m_documents[m_document].Ended = true;
        Log(RecordingPrintService::Kind::EndDocument, m_mode);
        m_document = -1;
        return true;
    }

    void AbortDocument() override {
        if (m_document < 0)
            return;
        m_canvas.reset();
        m_painter.reset();
        m_picture.reset();
        m_service->m_documents[m_document].Aborted = true;
        Log(RecordingPrintService::Kind::AbortDocument, m_mode);
        m_document = -1;
    }

    bool BeginRawDocument(const QString& title) override {
        RecordingPrintService::Document doc;
        doc.Printer = m_printer.Name;
        doc.Title = title;
        doc.Raw = true;
        m_service->m_documents.append(doc);
        m_raw = static_cast<int>(m_service->m_documents.size()) - 1;
        Log(RecordingPrintService::Kind::BeginRaw, m_mode, title);
        return true;
    }

    bool WriteRawData(const QByteArray& bytes) override {
        if (m_raw < 0)
            return false;
        m_service->m_documents[m_raw].RawData += bytes;
        Log(RecordingPrintService::Kind::WriteRaw, m_mode, QString(), bytes);
        return true;
    }

    bool EndRawDocument() override {
        if (m_raw < 0)
            return false;
        m_service->m_documents[m_raw].Ended = true;
        Log(RecordingPrintService::Kind::EndRaw, m_mode);
        m_raw = -1;
        return true;
    }

private:
    void Log(RecordingPrintService::Kind kind, const DeviceMode& mode, const QString& text = {},
             const QByteArray& data = {}) {
        m_service->m_events.append({kind, m_printer.Name, mode, text, data});
    }

    RecordingPrintService* m_service;
    RecordingPrintService::Printer m_printer;
    DeviceMode m_mode;
    int m_document = -1;
    int m_raw = -1;
    std::unique_ptr<SheetPicture> m_picture;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<PainterCanvas> m_canvas;
    DeviceMetrics m_sheetMetrics;
};

RecordingPrintService::Printer RecordingPrintService::MakePrinter(const QString& name,
                                                                  const QString& port) {
    Printer p;
    p.Name = name;
    p.Port = port;
    p.Default.PaperSize = 9;
    p.Default.Orientation = DeviceMode::Portrait;
    p.Default.Fields = DeviceMode::FieldOrientation | DeviceMode::FieldPaperSize;
    p.Papers = {{QStringLiteral("Letter"), 1},
                {QStringLiteral("A3"), 8},
                {QStringLiteral("A4"), 9},
                {QStringLiteral("A5"), 11}};
    p.Bins = {{QStringLiteral("Automatic"), 7},
              {QStringLiteral("Upper"), 1},
              {QStringLiteral("Manual"), 4}};
    return p;
}

const RecordingPrintService::Printer* RecordingPrintService::Find(const QString& name) const {
    for (const Printer& p : m_printers)
        if (p.Name == name)
            return &p;
    return nullptr;
}

DeviceMetrics RecordingPrintService::MetricsOf(const QString& printer,
                                               const DeviceMode& mode) const {
    const Printer* p = Find(printer);
    if (!p)
        return {};
    QSizeF mm;
    if (mode.PaperSize == 256 && mode.PaperWidth > 0 && mode.PaperLength > 0) {
        mm = QSizeF(mode.PaperWidth / 10.0, mode.PaperLength / 10.0);
    } else {
        QPageSize::PageSizeId id = QPageSize::id(mode.PaperSize);
        if (id == QPageSize::Custom)
            id = QPageSize::A4;
        mm = QPageSize(id).size(QPageSize::Millimeter);
    }
    QMarginsF margins = p->Margins;
    if (mode.Orientation == DeviceMode::Landscape) {
        // The sheet turned a quarter anticlockwise: its old top edge is now on the left.
        mm.transpose();
        margins = QMarginsF(p->Margins.top(), p->Margins.right(), p->Margins.bottom(),
                            p->Margins.left());
    }
    DeviceMetrics m;
    m.DpiX = p->Dpi.x();
    m.DpiY = p->Dpi.y();
    m.PhysicalWidth = Dots(mm.width(), m.DpiX);
    m.PhysicalHeight = Dots(mm.height(), m.DpiY);
    m.OffsetX = Dots(margins.left(), m.DpiX);
    m.OffsetY = Dots(margins.top(), m.DpiY);
    m.PrintableWidth = m.PhysicalWidth - m.OffsetX - Dots(margins.right(), m.DpiX);
    m.PrintableHeight = m.PhysicalHeight - m.OffsetY - Dots(margins.bottom(), m.DpiY);
    return m;
}

QList<PrinterEntry> RecordingPrintService::Printers() {
    QList<PrinterEntry> list;
    for (const Printer& p : m_printers)
        list.append({p.Name, p.Port});
    return list;
}

std::unique_ptr<PrintDevice> RecordingPrintService::Open(const QString& name) {
    const Printer* p = Find(name);
    if (!p)
        return nullptr;
    return std::make_unique<RecordingDevice>(this, *p);
}

} // namespace platform

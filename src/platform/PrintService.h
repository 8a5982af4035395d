#pragma once
// The printing service as the report engine's printers see it: which printers exist, the
// default one, and per printer its driver settings record, papers, paper sources, metrics,
// documents and sheets drawn through a canvas, and raw spooler documents. Two backends: CUPS
// (Qt PrintSupport, libcups where Qt has no call) and a recording one for tests.

#include <QByteArray>
#include <QList>
#include <QString>

#include <QPoint>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace platform {

class Canvas;

// The driver's settings for one printer, the fields the report engine reads and sets. The
// bits of `Fields` say which of them a set-up means to change; they keep the values the old
// device record used so that a stored mask reads the same.
struct DeviceMode {
    enum Field : unsigned {
        FieldOrientation = 0x00000001,
        FieldPaperSize = 0x00000002,
        FieldPaperLength = 0x00000004,
        FieldPaperWidth = 0x00000008,
        FieldCopies = 0x00000100,
        FieldDefaultSource = 0x00000200,
        FieldDuplex = 0x00001000,
    };
    enum : int { Portrait = 1, Landscape = 2 };
    enum : int { DuplexSimplex = 1, DuplexVertical = 2, DuplexHorizontal = 3 };

    unsigned Fields = 0;
    int Orientation = Portrait;
    int PaperSize = 9;       // paper code; 256 = custom size
    int PaperLength = 0;     // 0.1 mm, custom sizes only
    int PaperWidth = 0;      // 0.1 mm, custom sizes only
    int Copies = 1;
    int DefaultSource = 7;   // bin code; 7 = automatic
    int Duplex = DuplexSimplex;

    friend bool operator==(const DeviceMode&, const DeviceMode&) = default;
};

// A paper or a paper source: its name as the driver shows it and its code.
struct NamedCode {
    QString Name;
    int Code = 0;
    friend bool operator==(const NamedCode&, const NamedCode&) = default;
};

// What a device context reports, in device dots.
struct DeviceMetrics {
    int DpiX = 0, DpiY = 0;
    int PhysicalWidth = 0, PhysicalHeight = 0;   // the whole sheet
    int OffsetX = 0, OffsetY = 0;                // printable area's corner on the sheet
    int PrintableWidth = 0, PrintableHeight = 0; // printable area
    friend bool operator==(const DeviceMetrics&, const DeviceMetrics&) = default;
};

struct PrinterEntry {
    QString Name;
    QString Port; // where the printer is: the queue's device URI on CUPS
};

// One opened printer.
class PrintDevice {
public:
    virtual ~PrintDevice();

    // The driver's current settings; empty when the driver has no settings record to give.
    virtual std::optional<DeviceMode> CurrentDeviceMode() = 0;
    // Papers with a paper code, in the driver's order; sizes without a code are left out.
    virtual QList<NamedCode> Papers() = 0;
    // Paper sources with their bin codes, in the driver's order.
    virtual QList<NamedCode> Bins() = 0;
    // Metrics of a sheet set up with `mode` (the information context).
    virtual DeviceMetrics Metrics(const DeviceMode& mode) = 0;

    // Opens a document; `outputFile` empty means the printer itself. False when it cannot.
    virtual bool BeginDocument(const DeviceMode& mode, const QString& title,
                               const QString& outputFile) = 0;
    // The set-up of the following sheets changes; an open document stays open.
    virtual void ResetDevice(const DeviceMode& mode) = 0;
    // Starts a sheet and returns the canvas drawing on it (origin at the printable area's
    // corner, one unit = one device dot); null when no document is open or the sheet cannot
    // be started (LastError says why).
    virtual Canvas* BeginSheet() = 0;
    virtual void EndSheet() = 0;
    // Closes the document and hands it to the spooler (or the output file).
    virtual bool EndDocument() = 0;
    // Drops the open document; nothing reaches the printer.
    virtual void AbortDocument() = 0;
    // Why the last document or raw call failed, as the service put it; empty when unknown.
    virtual QString LastError() const { return QString(); }

    // Raw documents: bytes that go to the queue unchanged.
    virtual bool BeginRawDocument(const QString& title) = 0;
    virtual bool WriteRawData(const QByteArray& bytes) = 0;
    virtual bool EndRawDocument() = 0;
};

class PrintService {
public:
    virtual ~PrintService();

    // Installed printers in the service's order.
    virtual QList<PrinterEntry> Printers() = 0;
    // The service's default printer; empty when none is set.
    virtual QString DefaultPrinterName() = 0;
    // Opens a printer by name; null when there is no such printer.
    virtual std::unique_ptr<PrintDevice> Open(const QString& name) = 0;
};

// A PDF document written sheet by sheet: what the CUPS backend sends to a queue or writes to a
// print file. It is the program's own PDF writer (installed at start-up), so a printed sheet
// carries the same glyphs, weights and styles as the exported page.
class PdfDocument {
public:
    virtual ~PdfDocument();
    // Starts a sheet of `sizePt` points (width, height as oriented); the canvas draws in dots of
    // `dpi` with its origin `originDots` from the sheet's top left corner.
    virtual Canvas* BeginSheet(QSizeF sizePt, int dpi, QPoint originDots) = 0;
    virtual void EndSheet() = 0;
    // Writes the rest of the document; false when the device failed at any point.
    virtual bool Finish() = 0;
};
using PdfDocumentFactory =
    std::function<std::unique_ptr<PdfDocument>(QIODevice* out, const QString& title)>;
// The writer printed documents are made with is installed as a service (Registry); without
// one, documents cannot begin.

// The service of this desktop: CUPS.
std::shared_ptr<PrintService> SystemPrintService();

} // namespace platform

#pragma once
// A printing service for tests: printers described by the test, and a log of everything the
// report engine asked of them — every paper set-up, document, sheet and the drawing on it.

#include "platform/PrintService.h"

#include <QMarginsF>
#include <QPicture>
#include <QPoint>
#include <QStringList>

namespace platform {

class RecordingPrintService : public PrintService {
public:
    struct Printer {
        QString Name;
        QString Port;
        bool HasDeviceMode = true;  // false: the driver gives no settings record
        DeviceMode Default;         // the driver's current settings
        QList<NamedCode> Papers;    // default: Letter, A3, A4, A5
        QList<NamedCode> Bins;      // default: Automatic (7), Upper (1), Manual (4)
        QPoint Dpi{600, 600};
        QMarginsF Margins{4, 5, 6, 7}; // mm, unprintable, of a portrait sheet
    };

    enum class Kind {
        Measure,       // metrics of a set-up were read
        ResetDevice,   // the following sheets take a new set-up
        BeginDocument,
        BeginSheet,
        EndSheet,
        EndDocument,
        AbortDocument,
        BeginRaw,
        WriteRaw,
        EndRaw,
    };
    struct Event {
        Kind What;
        QString Printer;
        DeviceMode Mode;   // the set-up in force
        QString Text;      // title and file of a document
        QByteArray Data;   // raw bytes written
    };
    struct Sheet {
        QString Printer;
        int Document = 0;      // index into Documents()
        DeviceMode Mode;       // the set-up the sheet was printed with
        DeviceMetrics Metrics;
        QPicture Picture;      // what was drawn, in device dots
    };
    struct Document {
        QString Printer;
        QString Title;
        QString OutputFile;
        bool Raw = false;
        bool Ended = false;    // closed and handed over
        bool Aborted = false;
        QByteArray RawData;
        int Sheets = 0;
    };

    RecordingPrintService() = default;

    // A printer with the defaults above, A4 portrait, under `name`.
    static Printer MakePrinter(const QString& name, const QString& port = QString());

    void AddPrinter(const Printer& printer) { m_printers.append(printer); }
    void SetDefaultPrinter(const QString& name) { m_default = name; }

    const QList<Event>& Events() const { return m_events; }
    const QList<Sheet>& Sheets() const { return m_sheets; }
    const QList<Document>& Documents() const { return m_documents; }
    // The metrics a set-up gives on a printer (what Measure answered).
    DeviceMetrics MetricsOf(const QString& printer, const DeviceMode& mode) const;

    QList<PrinterEntry> Printers() override;
    QString DefaultPrinterName() override { return m_default; }
    std::unique_ptr<PrintDevice> Open(const QString& name) override;

private:
    friend class RecordingDevice;
    const Printer* Find(const QString& name) const;

    QList<Printer> m_printers;
    QString m_default;
    QList<Event> m_events;
    QList<Sheet> m_sheets;
    QList<Document> m_documents;
};

} // namespace platform

// The CUPS printing service. Printers, papers, resolution and unprintable margins come from Qt
// PrintSupport; paper sources, device URIs and the spooling of documents from libcups.
//
// A document is drawn into a PDF file by the program's own PDF writer (at the device's
// resolution, each sheet at its own size and orientation) and handed to the queue when it ends,
// so the printed sheet is the page the PDF export writes: faces without a bold or italic style
// are emboldened and slanted the same way. Qt's PDF printer would embed the regular face and
// lose the emboldening; Qt's own CUPS job submission has no paper source and sets a job-wide
// orientation that would turn every sheet of a document with mixed orientations.

#include "platform/PrintService.h"

#include "platform/Canvas.h"
#include "platform/Registry.h"

#include <QFile>
#include <QHash>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>

// The PPD calls are what libcups offers to read a queue's InputSlot choices.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {

PrintDevice::~PrintDevice() = default;
PrintService::~PrintService() = default;
PdfDocument::~PdfDocument() = default;

namespace {

// Queue name of a destination "queue/instance".
QByteArray QueueOf(const QString& name) { return name.section(QLatin1Char('/'), 0, 0).toUtf8(); }

// Paper source codes of the well-known InputSlot keywords; other sources get user codes from
// 256 on, in the driver's order.
int BinCodeOf(const QByteArray& keyword) {
    static const QHash<QByteArray, int> codes = {
        {"Upper", 1},         {"OnlyOne", 1},      {"Lower", 2},       {"Middle", 3},
        {"Manual", 4},        {"ManualFeed", 4},   {"Envelope", 5},    {"ManualEnvelope", 6},
        {"EnvManual", 6},     {"Auto", 7},         {"AutoSelect", 7},  {"Default", 7},
        {"Tractor", 8},       {"SmallFormat", 9},  {"LargeFormat", 10}, {"LargeCapacity", 11},
        {"Cassette", 14},     {"FormSource", 15},
    };
    return codes.value(keyword, 0);
}

QPageLayout::Orientation OrientationOf(const DeviceMode& mode) {
    return mode.Orientation == DeviceMode::Landscape ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait;
}

class CupsPrintDevice final : public PrintDevice {
public:
    CupsPrintDevice(const QPrinterInfo& info) : m_info(info), m_name(info.printerName()) {}
    ~CupsPrintDevice() override {
        AbortDocument();
        if (m_rawJob > 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, m_queue.constData(), m_rawJob, 0);
    }

    std::optional<DeviceMode> CurrentDeviceMode() override {
        InfoPrinter();
        DeviceMode mode;
        const QPageSize size = m_info.defaultPageSize();
        if (size.isValid() && size.windowsId() != 0) {
            mode.PaperSize = size.windowsId();
        } else if (size.isValid()) {
            const QSizeF mm = size.size(QPageSize::Millimeter);
            mode.PaperSize = 256;
            mode.PaperWidth = static_cast<int>(std::lround(mm.width() * 10));
            mode.PaperLength = static_cast<int>(std::lround(mm.height() * 10));
        }
        mode.Orientation = m_defaultOrientation == QPageLayout::Landscape ? DeviceMode::Landscape
                                                                          : DeviceMode::Portrait;
        mode.Copies = 1;
        mode.DefaultSource = 7;
        switch (m_info.defaultDuplexMode()) {
        case QPrinter::DuplexLongSide:
            mode.Duplex = DeviceMode::DuplexVertical;
            break;
        case QPrinter::DuplexShortSide:
            mode.Duplex = DeviceMode::DuplexHorizontal;
            break;
        default:
            mode.Duplex = DeviceMode::DuplexSimplex;
        }
        mode.Fields = DeviceMode::FieldOrientation | DeviceMode::FieldPaperSize |
                      DeviceMode::FieldCopies | DeviceMode::FieldDefaultSource |
                      DeviceMode::FieldDuplex;
        return mode;
    }

    QList<NamedCode> Papers() override {
        QList<NamedCode> papers;
        for (const QPageSize& size : CodedSizes())
            papers.append({size.name(), size.windowsId()});
        return papers;
    }

    QList<NamedCode> Bins() override {
        LoadSources();
        QList<NamedCode> bins;
        for (const Source& s : m_sources)
            bins.append({s.Name, s.Code});
        return bins;
    }

    DeviceMetrics Metrics(const DeviceMode& mode) override {
        const QPageLayout layout = LayoutFor(mode);
        const int dpi = Resolution();
        const QRect full = layout.fullRectPixels(dpi);
        const QRect paint = layout.paintRectPixels(dpi);
        DeviceMetrics m;
        m.DpiX = m.DpiY = dpi;
        m.PhysicalWidth = full.width();
        m.PhysicalHeight = full.height();
        m.OffsetX = paint.left();
        m.OffsetY = paint.top();
        m.PrintableWidth = paint.width();
        m.PrintableHeight = paint.height();
        return m;
    }

    bool BeginDocument(const DeviceMode& mode, const QString& title,
                       const QString& outputFile) override {
        AbortDocument();
        m_mode = mode;
        m_title = title;
        m_outputFile = outputFile;
        m_lastError.clear();
        const PdfDocumentFactory* makeDocument = Registry::Find<PdfDocumentFactory>();
        if (!makeDocument || !*makeDocument) {
            m_lastError = QStringLiteral("no PDF writer is installed");
            return false;
        }
        if (outputFile.isEmpty()) {
            // A queue that cannot take the job says so before anything is drawn.
            m_lastError = QueueProblem();
            if (!m_lastError.isEmpty())
                return false;
            m_spoolFile = std::make_unique<QTemporaryFile>();
            if (!m_spoolFile->open()) {
                m_lastError = m_spoolFile->errorString();
                m_spoolFile.reset();
                return false;
            }
            m_file = m_spoolFile.get();
        } else {
            // The file is made now so that an unwritable name fails here, not after drawing.
            m_outFile = std::make_unique<QFile>(outputFile);
            if (!m_outFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                m_lastError = m_outFile->errorString();
                m_outFile.reset();
                return false;
            }
            m_file = m_outFile.get();
        }
        m_pdf = (*makeDocument)(m_file, title);
        m_sheets = 0;
        m_media.clear();
        return m_pdf != nullptr;
    }

    void ResetDevice(const DeviceMode& mode) override { m_mode = mode; }

    Canvas* BeginSheet() override {
        if (!m_pdf)
            return nullptr;
        const QPageLayout layout = LayoutFor(m_mode);
        const int dpi = Resolution();
        if (m_sheets == 0)
            m_media = MediaOf(layout.pageSize());
        ++m_sheets;
        const QRectF full = layout.fullRectPoints();
        return m_pdf->BeginSheet(full.size(), dpi, layout.paintRectPixels(dpi).topLeft());
    }

    void EndSheet() override {
        if (m_pdf)
            m_pdf->EndSheet();
    }

    bool EndDocument() override {
        if (!m_pdf)
            return false;
        bool ok = m_pdf->Finish();
        m_pdf.reset();
        if (ok && !m_file->flush())
            ok = false;
        if (!ok)
            m_lastError = m_file->errorString();
        m_file = nullptr;
        m_outFile.reset();
        if (m_spoolFile) {
            // A document without sheets sends nothing.
            if (ok && m_sheets > 0) {
                m_spoolFile->close();
                ok = Spool(m_spoolFile->fileName());
            }
            m_spoolFile.reset();
        }
        return ok;
    }

    QString LastError() const override { return m_lastError; }

    void AbortDocument() override {
        const bool toFile = m_pdf && m_outFile;
        m_pdf.reset();
        m_file = nullptr;
        m_outFile.reset();
        m_spoolFile.reset();
        if (toFile)
            QFile::remove(m_outputFile);
    }

    bool BeginRawDocument(const QString& title) override {
        m_queue = QueueOf(m_name);
        m_rawJob = cupsCreateJob(CUPS_HTTP_DEFAULT, m_queue.constData(), title.toUtf8().constData(),
                                 0, nullptr);
        if (m_rawJob <= 0)
            return false;
        if (cupsStartDocument(CUPS_HTTP_DEFAULT, m_queue.constData(), m_rawJob,
                              title.toUtf8().constData(), CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
            cupsCancelJob2(CUPS_HTTP_DEFAULT, m_queue.constData(), m_rawJob, 0);
            m_rawJob = 0;
            return false;
        }
        return true;
    }

    bool WriteRawData(const QByteArray& bytes) override {
        if (m_rawJob <= 0)
            return false;
        return cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.constData(),
                                    static_cast<size_t>(bytes.size())) == HTTP_STATUS_CONTINUE;
    }

    bool EndRawDocument() override {
        if (m_rawJob <= 0)
            return false;
        m_rawJob = 0;
        return cupsFinishDocument(CUPS_HTTP_DEFAULT, m_queue.constData()) == IPP_STATUS_OK;
    }

private:
    struct Source {
        QString Name;
        int Code;
        QByteArray Keyword;
    };

    // The media name CUPS knows a size by: the queue's own name for its sizes, else a custom size.
    QByteArray MediaOf(const QPageSize& size) {
        for (const QPageSize& s : m_info.supportedPageSizes())
            if (s.isEquivalentTo(size))
                return s.key().toUtf8();
        const QSizeF mm = size.size(QPageSize::Millimeter);
        return QStringLiteral("Custom.%1x%2mm").arg(mm.width()).arg(mm.height()).toUtf8();
    }

    // Why the queue cannot take a job now (server out of reach, queue gone, stopped or not
    // accepting jobs); empty when it can.
    QString QueueProblem() {
        const QByteArray queue = QueueOf(m_name);
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                         "/printers/%s", queue.constData());
        ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        static const char* const wanted[] = {"printer-state", "printer-state-message",
                                             "printer-is-accepting-jobs"};
        ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3,
                      nullptr, wanted);
        ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
        const ipp_status_t status = cupsLastError();
        QString problem;
        if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || (!response && status > IPP_STATUS_OK_CONFLICTING)) {
            problem = QStringLiteral("the print server cannot be reached (%1)")
                          .arg(QString::fromUtf8(cupsLastErrorString()));
        } else if (status > IPP_STATUS_OK_CONFLICTING) {
            problem = QString::fromUtf8(cupsLastErrorString());
        } else {
            QString message;
            if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
                message = QString::fromUtf8(ippGetString(a, 0, nullptr)).trimmed();
            const QString because = message.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(message);
            ipp_attribute_t* accepting =
                ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
            ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
            if (accepting && !ippGetBoolean(accepting, 0))
                problem = QStringLiteral("the printer is not accepting jobs") + because;
            else if (state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED)
                problem = QStringLiteral("the printer is stopped") + because;
        }
        ippDelete(response);
        return problem;
    }

    // The queue's settings as Qt reads them (resolution, printable margins of each size).
    QPrinter* InfoPrinter() {
        if (!m_infoPrinter) {
            m_infoPrinter = std::make_unique<QPrinter>(m_info, QPrinter::HighResolution);
            m_defaultOrientation = m_infoPrinter->pageLayout().orientation();
        }
        return m_infoPrinter.get();
    }

    // The queue's default resolution; Qt's PDF resolution when the queue names none.
    int Resolution() {
        LoadPpd();
        return m_resolution > 0 ? m_resolution : InfoPrinter()->resolution();
    }

    // The queue's sizes that have a paper code, one per code, in the queue's order. Where two
    // sizes share a code (ANSI A and US Letter are both code 1) the one under Qt's key for the
    // code is kept.
    QList<QPageSize> CodedSizes() {
        if (m_codedLoaded)
            return m_coded;
        m_codedLoaded = true;
        for (const QPageSize& size : m_info.supportedPageSizes()) {
            const int code = size.windowsId();
            if (code == 0)
                continue;
            auto same = std::find_if(m_coded.begin(), m_coded.end(),
                                     [&](const QPageSize& s) { return s.windowsId() == code; });
            if (same == m_coded.end())
                m_coded.append(size);
            else if (same->key() != QPageSize::key(QPageSize::id(code)) &&
                     size.key() == QPageSize::key(QPageSize::id(code)))
                *same = size;
        }
        return m_coded;
    }

    // The sheet of `mode` with the queue's unprintable margins as its margins, so that the
    // painter's origin is the printable area's corner.
    QPageLayout LayoutFor(const DeviceMode& mode) {
        QPageSize size;
        const bool custom = mode.PaperSize == 256 || (mode.Fields & DeviceMode::FieldPaperLength &&
                                                      mode.PaperLength > 0 && mode.PaperWidth > 0);
        if (custom && mode.PaperWidth > 0 && mode.PaperLength > 0) {
            size = QPageSize(QSizeF(mode.PaperWidth / 10.0, mode.PaperLength / 10.0),
                             QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
        } else {
            const QPageSize::PageSizeId id = QPageSize::id(mode.PaperSize);
            for (const QPageSize& s : CodedSizes())
                if (s.windowsId() == mode.PaperSize) {
                    size = s;
                    break;
                }
            if (!size.isValid())
                size = QPageSize(id == QPageSize::Custom ? QPageSize::A4 : id);
        }
        QPrinter* p = InfoPrinter();
        p->setPageOrientation(OrientationOf(mode));
        p->setPageSize(size);
        QPageLayout layout = p->pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
        const QMarginsF min = layout.minimumMargins();
        layout.setMargins(min);
        return layout;
    }

    void LoadSources() { LoadPpd(); }

    // Paper sources and the default resolution from the queue's description.
    void LoadPpd() {
        if (m_ppdLoaded)
            return;
        m_ppdLoaded = true;
        const QByteArray queue = QueueOf(m_name);
        const char* ppdPath = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.constData());
        if (!ppdPath)
            return;
        if (ppd_file_t* ppd = ppdOpenFile(ppdPath)) {
            if (ppd_option_t* slot = ppdFindOption(ppd, "InputSlot")) {
                int user = 256;
                for (int i = 0; i < slot->num_choices; ++i) {
                    const QByteArray keyword(slot->choices[i].choice);
                    int code = BinCodeOf(keyword);
                    if (code == 0)
                        code = user++;
                    m_sources.append({QString::fromUtf8(slot->choices[i].text), code, keyword});
                }
            }
            // "300dpi" or "300x600dpi"; the vertical figure is the one fonts follow, and both
            // are the same on every queue seen so far, so the first serves for both.
            QByteArray res;
            if (ppd_option_t* r = ppdFindOption(ppd, "Resolution"))
                res = r->defchoice;
            else if (ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr))
                res = a->value;
            m_resolution = res.left(res.indexOf('d')).split('x').first().toInt();
            ppdClose(ppd);
        }
        ::unlink(ppdPath);
    }

    bool Spool(const QString& file) {
        QList<QByteArray> names, values;
        auto add = [&](const char* n, const QByteArray& v) {
            names << QByteArray(n);
            values << v;
        };
        // The job's media is the first sheet's; the pages of the document keep their own sizes.
        if (!m_media.isEmpty())
            add("media", m_media);
        if (m_mode.Fields & DeviceMode::FieldCopies && m_mode.Copies > 1)
            add("copies", QByteArray::number(m_mode.Copies));
        if (m_mode.Fields & DeviceMode::FieldDuplex) {
            switch (m_mode.Duplex) {
            case DeviceMode::DuplexVertical:
                add("sides", "two-sided-long-edge");
                break;
            case DeviceMode::DuplexHorizontal:
                add("sides", "two-sided-short-edge");
                break;
            default:
                add("sides", "one-sided");
            }
        }
        if (m_mode.Fields & DeviceMode::FieldDefaultSource && m_mode.DefaultSource != 7) {
            LoadSources();
            for (const Source& s : m_sources)
                if (s.Code == m_mode.DefaultSource) {
                    add("InputSlot", s.Keyword);
                    break;
                }
        }
        cups_option_t* options = nullptr;
        int count = 0;
        for (int i = 0; i < names.size(); ++i)
            count = cupsAddOption(names[i].constData(), values[i].constData(), count, &options);
        const QByteArray queue = QueueOf(m_name);
        const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.constData(),
                                       QFile::encodeName(file).constData(),
                                       m_title.toUtf8().constData(), count, options);
        cupsFreeOptions(count, options);
        if (job <= 0)
            m_lastError = QString::fromUtf8(cupsLastErrorString());
        return job > 0;
    }

    QPrinterInfo m_info;
    QString m_name;
    std::unique_ptr<QPrinter> m_infoPrinter;
    QPageLayout::Orientation m_defaultOrientation = QPageLayout::Portrait;
    bool m_ppdLoaded = false;
    QList<Source> m_sources;
    int m_resolution = 0;
    bool m_codedLoaded = false;
    QList<QPageSize> m_coded;

    DeviceMode m_mode;
    QString m_title;
    QString m_lastError;
    QString m_outputFile;
    std::unique_ptr<QTemporaryFile> m_spoolFile;
    std::unique_ptr<QFile> m_outFile;
    QFileDevice* m_file = nullptr; // the spool file or the print file
    std::unique_ptr<PdfDocument> m_pdf;
    int m_sheets = 0;
    QByteArray m_media;

    QByteArray m_queue;
    int m_rawJob = 0;
};

class CupsPrintService final : public PrintService {
public:
    QList<PrinterEntry> Printers() override {
        QList<PrinterEntry> list;
        cups_dest_t* dests = nullptr;
        const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        for (const QString& name : QPrinterInfo::availablePrinterNames()) {
            QString port;
            const QByteArray queue = name.toUtf8();
            const QByteArray base = QueueOf(name);
            const QByteArray instance = name.contains(QLatin1Char('/'))
                                            ? name.section(QLatin1Char('/'), 1).toUtf8()
                                            : QByteArray();
            if (cups_dest_t* d = cupsGetDest(base.constData(),
                                             instance.isEmpty() ? nullptr : instance.constData(),
                                             count, dests))
                port = QString::fromUtf8(cupsGetOption("device-uri", d->num_options, d->options));
            list.append({name, port});
        }
        cupsFreeDests(count, dests);
        return list;
    }

    QString DefaultPrinterName() override { return QPrinterInfo::defaultPrinterName(); }

    std::unique_ptr<PrintDevice> Open(const QString& name) override {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull())
            return nullptr;
        return std::make_unique<CupsPrintDevice>(info);
    }
};

} // namespace

std::shared_ptr<PrintService> SystemPrintService() {
    static std::shared_ptr<PrintService> service = std::make_shared<CupsPrintService>();
    return service;
}

} // namespace platform

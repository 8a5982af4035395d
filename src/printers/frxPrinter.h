#pragma once
// The printers the report engine prints on: one process-wide list with a current printer, and
// per printer its papers, paper sources (bins), resolution and unprintable margins. Every size
// handed across here is in millimetres; resolutions are in dots per inch.

#include "platform/Error.h"
#include "printers/frxPrinterConst.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

class QWidget;

namespace platform {
class PrintService;
class PrintDevice;
class Canvas;
struct DeviceMode;
struct NamedCode;
} // namespace platform


// An error of the printing side; the message is the text shown to the user.
class TfrxPrinterException : public platform::Error {
public:
    using platform::Error::Error;
};

// One entry of the built-in paper table.
struct TPaperInfo {
    int Typ;          // paper code
    const char* Name; // empty for every entry
    int X, Y;         // portrait width and height, 0.1 mm
};

constexpr int PAPERCOUNT = 66;
// Codes 1 to 47 and 50 to 68, the standard paper codes, in code order.
extern const TPaperInfo PaperInfo[PAPERCOUNT];

// The table's portrait width and height of `paperCode` in mm; false (and the outputs
// untouched) when the table does not hold the code.
bool GetPaperDimensions(int paperCode, long double& width, long double& height);

// A paper or bin of a printer: (name, code).
struct TfrxNamedCode {
    QString Name;
    int Code = 0;
    friend bool operator==(const TfrxNamedCode&, const TfrxNamedCode&) = default;
};

// The surface a printer's sheets are drawn on. Between BeginPrinterPage and EndPrinterPage
// `Surface()` draws on the open sheet in device dots; a font given in points maps to printer
// dots because the device's resolution is the printer's.
class TfrxPrinterCanvas {
public:
    platform::Canvas* Surface() const { return m_surface; }
    // Dots per inch of the printer; fonts sized in points are scaled with the vertical one.
    QPoint Dpi() const { return m_dpi; }

private:
    friend class TfrxPrinter;
    friend class TfrxVirtualPrinter;
    platform::Canvas* m_surface = nullptr;
    QPoint m_dpi;
};

// A printer: installed (TfrxPrinter) or the virtual one used when nothing is installed.
class TfrxCustomPrinter {
public:
    TfrxCustomPrinter(const QString& name, const QString& port);
    virtual ~TfrxCustomPrinter();
    TfrxCustomPrinter(const TfrxCustomPrinter&) = delete;
    TfrxCustomPrinter& operator=(const TfrxCustomPrinter&) = delete;

    // Reads papers, bins, resolution and the default sheet; runs once, later calls do nothing.
    virtual void InitPrinter() = 0;
    virtual void AbortDocument() = 0;
    virtual void BeginDocument() = 0;
    virtual void BeginPrinterPage() = 0;
    virtual void BeginRawDocument() = 0;
    virtual void EndDocument() = 0;
    virtual void EndPrinterPage() = 0;
    virtual void EndRawDocument() = 0;
    virtual void WriteRawData(const QByteArray& bytes) = 0;
    // Selects a sheet for measuring: paper code, orientation and, for code 256, the size in mm.
    virtual void SetViewPaper(int paper, TPrinterOrientation orientation, long double width,
                              long double height) = 0;
    // Sets up the next sheets. `duplex` is 1 + the page's duplex mode: 1 leaves the driver's
    // setting, 2 vertical, 3 horizontal, 4 simplex.
    virtual void SetPrintPaper(int paper, TPrinterOrientation orientation, long double width,
                               long double height, int bin, int duplex, int copies) = 0;
    // Shows the printer's properties; true when the user confirmed.
    virtual bool ShowPrinterProperties() = 0;

    // Position of the first paper with this code; -1 when none.
    int PaperIndexOf(int code) const;
    // Code of the paper with this name; the first entry's code (256, "Custom") when none has it.
    int PaperCodeOf(const QString& name) const;

    int BinOverride() const { return m_binOverride; }
    void SetBinOverride(int bin) { m_binOverride = bin; }
    // The first entry is always "Default" with code 7.
    const QList<TfrxNamedCode>& Bins() const { return m_bins; }
    QStringList BinNames() const;
    TfrxPrinterCanvas* Canvas() { return &m_canvas; }
    TPrinterOrientation DefaultOrientation() const { return m_defOrientation; }
    int DefaultPaper() const { return m_defPaper; }
    long double DefaultPaperHeight() const { return m_defPaperHeight; } // mm
    long double DefaultPaperWidth() const { return m_defPaperWidth; }   // mm
    QPoint Dpi() const { return m_dpi; }
    // Output file of the next document; empty means the printer.
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    bool Initialized() const { return m_initialized; }
    QString Name() const { return m_name; }
    int Paper() const { return m_paper; } // 256 = custom size
    // The first entry is always "Custom" with code 256.
    const QList<TfrxNamedCode>& Papers() const { return m_papers; }
    QStringList PaperNames() const;
    long double PaperHeight() const { return m_paperHeight; } // mm, in the current orientation
    long double PaperWidth() const { return m_paperWidth; }   // mm, in the current orientation
    long double LeftMargin() const { return m_leftMargin; }   // mm, unprintable
    long double TopMargin() const { return m_topMargin; }
    long double RightMargin() const { return m_rightMargin; }
    long double BottomMargin() const { return m_bottomMargin; }
    TPrinterOrientation Orientation() const { return m_orientation; }
    // Where the printer is; the print dialog shows it under "Where:".
    QString Port() const { return m_port; }
    bool Printing() const { return m_printing; }
    // Document name given to the spooler.
    QString Title() const { return m_title; }
    void SetTitle(const QString& title) { m_title = title; }

protected:
    int m_binOverride = -1;
    QList<TfrxNamedCode> m_bins;
    TfrxPrinterCanvas m_canvas;
    TPrinterOrientation m_defOrientation = poPortrait;
    int m_defPaper = DMPAPER_A4;
    long double m_defPaperHeight = 0; // mm
    long double m_defPaperWidth = 0;  // mm
    QPoint m_dpi;
    QString m_fileName;
    bool m_initialized = false;
    QString m_name;
    int m_paper = DMPAPER_A4;
    QList<TfrxNamedCode> m_papers;
    long double m_paperHeight = 0; // mm
    long double m_paperWidth = 0;  // mm
    long double m_leftMargin = 0, m_topMargin = 0, m_rightMargin = 0, m_bottomMargin = 0; // mm
    TPrinterOrientation m_orientation = poPortrait;
    QString m_port;
    bool m_printing = false;
    QString m_title;
};

// An installed printer, reached through the printing service.
class TfrxPrinter : public TfrxCustomPrinter {
public:
    TfrxPrinter(const QString& name, const QString& port,
                std::shared_ptr<platform::PrintService> service);
    ~TfrxPrinter() override;

    void InitPrinter() override;
    void AbortDocument() override;
    void BeginDocument() override;
    void BeginPrinterPage() override;
    void BeginRawDocument() override;
    void EndDocument() override;
    void EndPrinterPage() override;
    void EndRawDocument() override;
    void WriteRawData(const QByteArray& bytes) override;
    void SetViewPaper(int paper, TPrinterOrientation orientation, long double width,
                      long double height) override;
    void SetPrintPaper(int paper, TPrinterOrientation orientation, long double width,
                       long double height, int bin, int duplex, int copies) override;
    bool ShowPrinterProperties() override;

    // Reads resolution, sheet size and margins from the current context; raises
    // "Printer selected is not valid" when the resolution is 0.
    void ReadPrinterMetrics();

    // The driver's settings record; null until InitPrinter got one.
    platform::DeviceMode* DevMode() const { return m_deviceMode.get(); }
    // Stays empty: the driver is reached by the printer's name.
    QString DriverName() const { return QString(); }

private:
    void RecreateDC();
    bool OpenDevice();

    std::shared_ptr<platform::PrintService> m_service;
    std::unique_ptr<platform::PrintDevice> m_device;
    std::unique_ptr<platform::DeviceMode> m_deviceMode;
    platform::Canvas* m_sheetSurface = nullptr;
};

// The printer used when nothing is installed: 600 dpi, A4 portrait, 5 mm margins, the
// built-in paper table. It draws nowhere.
class TfrxVirtualPrinter : public TfrxCustomPrinter {
public:
    using TfrxCustomPrinter::TfrxCustomPrinter;

    void InitPrinter() override;
    void AbortDocument() override {}
    void BeginDocument() override {}
    void BeginPrinterPage() override {}
    void BeginRawDocument() override {}
    void EndDocument() override {}
    void EndPrinterPage() override {}
    void EndRawDocument() override {}
    void WriteRawData(const QByteArray&) override {}
    void SetViewPaper(int paper, TPrinterOrientation orientation, long double width,
                      long double height) override;
    void SetPrintPaper(int paper, TPrinterOrientation orientation, long double width,
                       long double height, int bin, int duplex, int copies) override;
    bool ShowPrinterProperties() override { return false; }
};

// The list of printers with the current one.
class TfrxPrinters {
public:
    // Fills the list from `service`; null means the desktop's printing service.
    explicit TfrxPrinters(std::shared_ptr<platform::PrintService> service = nullptr);
    ~TfrxPrinters();
    TfrxPrinters(const TfrxPrinters&) = delete;
    TfrxPrinters& operator=(const TfrxPrinters&) = delete;

    // Frees every printer and enumerates again; selects the default printer.
    void FillPrinterList();

    int Count() const { return static_cast<int>(m_printers.size()); }
    TfrxCustomPrinter* Item(int index) const;
    TfrxCustomPrinter* operator[](int index) const { return Item(index); }
    // The printer at PrinterIndex.
    TfrxCustomPrinter* CurrentPrinter() const { return Item(m_printerIndex); }
    // Printer names, parallel to the printers; what the print dialog lists.
    const QStringList& Printers() const { return m_names; }
    int PrinterIndex() const { return m_printerIndex; }
    bool HasPhysicalPrinters() const { return m_hasPhysicalPrinters; }
    // Index of the printer of this name, compared without case; -1 when absent.
    int IndexOfPrinter(const QString& name) const;
    // Makes printer `index` current (-1: the default printer) and initialises it.
    void SelectPrinter(int index);
    // The printing service's default destination.
    QString DefaultPrinterName() const;

    platform::PrintService* Service() const { return m_service.get(); }

private:
    std::shared_ptr<platform::PrintService> m_service;
    std::vector<std::unique_ptr<TfrxCustomPrinter>> m_printers;
    QStringList m_names;
    int m_printerIndex = -1;
    bool m_hasPhysicalPrinters = false;
};

// The process-wide printer list, filled on first use from the installed print service (none:
// the desktop's), and again whenever another is installed (tests print on a recording one).
TfrxPrinters* frxPrinters();
inline TfrxPrinters* PrinterList() { return frxPrinters(); }

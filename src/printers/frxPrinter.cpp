#include "printers/frxPrinter.h"

#include "platform/PrintService.h"
#include "platform/Registry.h"
#include "printers/frxPrinter_p.h"
#include "resources/frxRes.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>

#include <cfenv>
#include <cmath>

// Portrait sizes in 0.1 mm of the standard paper codes.
const TPaperInfo PaperInfo[PAPERCOUNT] = {
    {1, "", 2159, 2794},   {2, "", 2159, 2794},   {3, "", 2794, 4318},   {4, "", 4318, 2794},
    {5, "", 2159, 3556},   {6, "", 1397, 2159},   {7, "", 1842, 2667},   {8, "", 2970, 4200},
    {9, "", 2100, 2970},   {10, "", 2100, 2970},  {11, "", 1480, 2100},  {12, "", 2500, 3540},
    {13, "", 1820, 2570},  {14, "", 2159, 3302},  {15, "", 2150, 2750},  {16, "", 2540, 3556},
    {17, "", 2794, 4318},  {18, "", 2159, 2794},  {19, "", 984, 2254},   {20, "", 1048, 2413},
    {21, "", 1143, 2635},  {22, "", 1207, 2794},  {23, "", 1270, 2921},  {24, "", 4318, 5588},
    {25, "", 5588, 8636},  {26, "", 8636, 11176}, {27, "", 1100, 2200},  {28, "", 1620, 2290},
    {29, "", 3240, 4580},  {30, "", 2290, 3240},  {31, "", 1140, 1620},  {32, "", 1140, 2290},
    {33, "", 2500, 3530},  {34, "", 1760, 2500},  {35, "", 1760, 1250},  {36, "", 1100, 2300},
    {37, "", 984, 1905},   {38, "", 920, 1651},   {39, "", 3778, 2794},  {40, "", 2159, 3048},
    {41, "", 2159, 3302},  {42, "", 2500, 3530},  {43, "", 1000, 1480},  {44, "", 2286, 2794},
    {45, "", 2540, 2794},  {46, "", 3810, 2794},  {47, "", 2200, 2200},  {50, "", 2355, 3048},
    {51, "", 2355, 3810},  {52, "", 2969, 4572},  {53, "", 2354, 3223},  {54, "", 2101, 2794},
    {55, "", 2100, 2970},  {56, "", 2355, 3048},  {57, "", 2270, 3560},  {58, "", 3050, 4870},
    {59, "", 2159, 3223},  {60, "", 2100, 3300},  {61, "", 1480, 2100},  {62, "", 1820, 2570},
    {63, "", 3220, 4450},  {64, "", 1740, 2350},  {65, "", 2010, 2760},  {66, "", 4200, 5940},
    {67, "", 2970, 4200},  {68, "", 3220, 4450},
};

bool GetPaperDimensions(int paperCode, long double& width, long double& height) {
    for (const TPaperInfo& info : PaperInfo) {
        if (info.Typ == paperCode) {
            width = info.X / 10.0L;
            height = info.Y / 10.0L;
            return true;
        }
    }
    return false;
}

namespace {

// A printer message of the message table with its one value filled in.
QString PrinterText(const char* key, const QString& value) {
    return frxFillIn(frxGet(QString::fromLatin1(key)), {value});
}

// Rounds half to even, the rounding the metrics have always used.
long double RoundMM(long double v) { return std::nearbyint(v); }

QStringList NamesOf(const QList<TfrxNamedCode>& list) {
    QStringList names;
    names.reserve(list.size());
    for (const TfrxNamedCode& e : list)
        names << e.Name;
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TfrxCustomPrinter

TfrxCustomPrinter::TfrxCustomPrinter(const QString& name, const QString& port)
    : m_name(name), m_port(port) {
    m_papers.append({frxGet(QStringLiteral("prCustom")), DMPAPER_USER});
    m_bins.append({frxGet(QStringLiteral("prDefault")), DMBIN_AUTO});
}

TfrxCustomPrinter::~TfrxCustomPrinter() = default;

int TfrxCustomPrinter::PaperIndexOf(int code) const {
    for (int i = 0; i < m_papers.size(); ++i)
        if (m_papers[i].Code == code)
            return i;
    return -1;
}

int TfrxCustomPrinter::PaperCodeOf(const QString& name) const {
    for (const TfrxNamedCode& e : m_papers)
        if (e.Name == name)
            return e.Code;
    return m_papers.first().Code;
}

QStringList TfrxCustomPrinter::BinNames() const { return NamesOf(m_bins); }
QStringList TfrxCustomPrinter::PaperNames() const { return NamesOf(m_papers); }

// ---------------------------------------------------------------------------------------------
// TfrxPrinter

TfrxPrinter::TfrxPrinter(const QString& name, const QString& port,
                         std::shared_ptr<platform::PrintService> service)
    : TfrxCustomPrinter(name, port), m_service(std::move(service)) {}

TfrxPrinter::~TfrxPrinter() {
    // A document still open when the program ends is dropped rather than half printed.
    if (m_printing && m_device)
        m_device->AbortDocument();
}

bool TfrxPrinter::OpenDevice() {
    if (!m_device && m_service)
        m_device = m_service->Open(m_name);
    return m_device != nullptr;
}

void TfrxPrinter::InitPrinter() {
    if (m_initialized)
        return;
    if (!OpenDevice())
        return;
    std::optional<platform::DeviceMode> mode = m_device->CurrentDeviceMode();
    if (!mode)
        return; // no settings record: the printer stays uninitialised with "Custom" / "Default"
    m_deviceMode = std::make_unique<platform::DeviceMode>(*mode);

    RecreateDC();
    ReadPrinterMetrics();

    m_defPaper = m_deviceMode->PaperSize;
    m_paper = m_defPaper;
    m_defPaperWidth = m_paperWidth;
    m_defPaperHeight = m_paperHeight;
    m_defOrientation =
        m_deviceMode->Orientation == platform::DeviceMode::Portrait ? poPortrait : poLandscape;
    m_orientation = m_defOrientation;

    const QList<platform::NamedCode> papers = m_device->Papers();
    for (int i = 0; i < papers.size() && i < 256; ++i)
        if (papers[i].Code != DMPAPER_USER)
            m_papers.append({papers[i].Name.left(64), papers[i].Code});

    const QList<platform::NamedCode> bins = m_device->Bins();
    for (int i = 0; i < bins.size() && i < 256; ++i)
        if (bins[i].Code != DMBIN_AUTO)
            m_bins.append({bins[i].Name.left(24), bins[i].Code});

    m_binOverride = -1;
    m_initialized = true;
}

void TfrxPrinter::RecreateDC() {
    // Contexts are made per call by the service: the information context is the record itself,
    // the printing context the open document. What stays is the canvas's resolution.
    m_canvas.m_surface = m_sheetSurface;
    m_canvas.m_dpi = m_dpi;
}

void TfrxPrinter::ReadPrinterMetrics() {
    if (!OpenDevice() || !m_deviceMode)
        throw TfrxPrinterException(frxGet(QStringLiteral("prNotValid")));
    const platform::DeviceMetrics m = m_device->Metrics(*m_deviceMode);
    m_dpi = QPoint(m.DpiX, m.DpiY);
    if (m.DpiX == 0 || m.DpiY == 0)
        throw TfrxPrinterException(frxGet(QStringLiteral("prNotValid")));
    m_canvas.m_dpi = m_dpi;

    const long double dx = m.DpiX, dy = m.DpiY;
    m_paperHeight = RoundMM(m.PhysicalHeight / dy * 25.4L);
    m_paperWidth = RoundMM(m.PhysicalWidth / dx * 25.4L);
    m_leftMargin = RoundMM(m.OffsetX / dx * 25.4L);
    m_topMargin = RoundMM(m.OffsetY / dy * 25.4L);
    m_rightMargin = m_paperWidth - RoundMM(m.PrintableWidth / dx * 25.4L) - m_leftMargin;
    m_bottomMargin = m_paperHeight - RoundMM(m.PrintableHeight / dy * 25.4L) - m_topMargin;
}

void TfrxPrinter::AbortDocument() {
    if (m_device)
        m_device->AbortDocument();
    // Nothing is left to hand to the spooler: only the printer's state is reset.
    m_printing = false;
    EndDocument();
}

void TfrxPrinter::BeginDocument() {
    if (!OpenDevice() || !m_deviceMode)
        throw TfrxPrinterException(frxGet(QStringLiteral("prNotValid")));
    m_printing = true;
    if (!m_device->BeginDocument(*m_deviceMode, m_title, m_fileName)) {
        m_printing = false;
        QString text = m_fileName.isEmpty()
                           ? PrinterText("prCannotStart", m_name)
                           : PrinterText("prCannotCreate", m_fileName);
        if (const QString reason = m_device->LastError(); !reason.isEmpty())
            text += QStringLiteral(": ") + reason;
        throw TfrxPrinterException(text);
    }
    RecreateDC();
}

void TfrxPrinter::BeginPrinterPage() {
    if (!m_device || !m_printing)
        return;
    m_sheetSurface = m_device->BeginSheet();
    m_canvas.m_surface = m_sheetSurface;
    // Drawing would go nowhere (and the caller draws through the canvas): say so instead.
    if (!m_sheetSurface)
        throw TfrxPrinterException(PrinterText("prCannotStart", m_name));
}

void TfrxPrinter::EndPrinterPage() {
    if (!m_device)
        return;
    m_device->EndSheet();
    m_sheetSurface = nullptr;
    m_canvas.m_surface = nullptr;
}

void TfrxPrinter::EndDocument() {
    // Closing the document hands it to the spooler; if that fails the pages never reach the
    // printer, which the caller must hear about. The printer's state is reset either way.
    bool sent = true;
    QString reason;
    if (m_device && m_printing) {
        // The spooler runs with floating-point exceptions held; the program's own
        // environment comes back afterwards.
        std::fenv_t saved;
        std::feholdexcept(&saved);
        sent = m_device->EndDocument();
        std::fesetenv(&saved);
        if (!sent)
            reason = m_device->LastError();
    }
    m_sheetSurface = nullptr;
    m_printing = false;
    RecreateDC();
    m_binOverride = -1;
    if (!sent) {
        const QString target = m_fileName.isEmpty() ? m_name : m_fileName;
        QString text = PrinterText("prCannotSend", target);
        if (!reason.isEmpty())
            text += QStringLiteral(": ") + reason;
        throw TfrxPrinterException(text);
    }
}

void TfrxPrinter::BeginRawDocument() {
    if (!OpenDevice())
        throw TfrxPrinterException(frxGet(QStringLiteral("prNotValid")));
    RecreateDC();
    if (!m_device->BeginRawDocument(m_title))
        throw TfrxPrinterException(PrinterText("prCannotStart", m_name));
}

void TfrxPrinter::WriteRawData(const QByteArray& bytes) {
    if (m_device && !m_device->WriteRawData(bytes))
        throw TfrxPrinterException(PrinterText("prCannotSend", m_name));
}

void TfrxPrinter::EndRawDocument() {
    if (m_device && !m_device->EndRawDocument())
        throw TfrxPrinterException(PrinterText("prCannotSend", m_name));
}

void TfrxPrinter::SetViewPaper(int paper, TPrinterOrientation orientation, long double width,
                               long double height) {
    if (paper == DMPAPER_USER) {
        // A custom size is measured as A4: its margins are A4's in that orientation.
        SetViewPaper(DMPAPER_A4, orientation, 0, 0);
        m_paperWidth = width;
        m_paperHeight = height;
    } else if (m_deviceMode) {
        m_deviceMode->Fields =
            platform::DeviceMode::FieldOrientation | platform::DeviceMode::FieldPaperSize;
        m_deviceMode->PaperSize = paper;
        m_deviceMode->Orientation = orientation == poLandscape ? platform::DeviceMode::Landscape
                                                               : platform::DeviceMode::Portrait;
        RecreateDC();
        ReadPrinterMetrics();
    }
    m_paper = paper;
    m_orientation = orientation;
}

void TfrxPrinter::SetPrintPaper(int paper, TPrinterOrientation orientation, long double width,
                                long double height, int bin, int duplex, int copies) {
    if (!m_deviceMode) {
        m_paper = paper;
        m_orientation = orientation;
        return;
    }
    using DM = platform::DeviceMode;
    platform::DeviceMode& dm = *m_deviceMode;
    dm.Fields |= DM::FieldOrientation | DM::FieldPaperSize | DM::FieldCopies |
                 DM::FieldDefaultSource;
    if (duplex != 1)
        dm.Fields |= DM::FieldDuplex;

    if (paper == DMPAPER_USER) {
        dm.Fields |= DM::FieldPaperLength | DM::FieldPaperWidth;
        dm.PaperLength = static_cast<int>(std::lround(height * 10));
        dm.PaperWidth = static_cast<int>(std::lround(width * 10));
    } else {
        dm.PaperLength = 0;
        dm.PaperWidth = 0;
    }

    dm.PaperSize = paper;
    dm.Orientation = orientation == poLandscape ? DM::Landscape : DM::Portrait;
    dm.Copies = copies;

    if (m_binOverride != -1)
        bin = m_binOverride;
    if (bin != DMBIN_AUTO)
        dm.DefaultSource = bin;

    if (duplex == 4)
        dm.Duplex = DM::DuplexSimplex;
    else if (duplex != 1)
        dm.Duplex = duplex;

    if (OpenDevice())
        m_device->ResetDevice(dm);
    RecreateDC();
    ReadPrinterMetrics();
    m_paper = paper;
    m_orientation = orientation;
}

bool TfrxPrinter::ShowPrinterProperties() {
    if (!OpenDevice() || !m_deviceMode)
        return false;
    QWidget* owner = QApplication::activeWindow();
    if (!frxShowDeviceModeDialog(owner, m_name, *m_deviceMode, m_device->Papers(),
                                 m_device->Bins()))
        return false;
    m_binOverride = m_deviceMode->DefaultSource;
    RecreateDC();
    return true;
}

// ---------------------------------------------------------------------------------------------
// TfrxVirtualPrinter

void TfrxVirtualPrinter::InitPrinter() {
    if (m_initialized)
        return;
    m_dpi = QPoint(600, 600);
    m_canvas.m_dpi = m_dpi;
    m_defPaper = DMPAPER_A4;
    m_defOrientation = poPortrait;
    m_defPaperWidth = 210;
    m_defPaperHeight = 297;
    for (const TPaperInfo& info : PaperInfo)
        m_papers.append({QString::fromLatin1(info.Name), info.Typ});
    m_binOverride = -1;
    m_initialized = true;
}

void TfrxVirtualPrinter::SetViewPaper(int paper, TPrinterOrientation orientation,
                                      long double width, long double height) {
    long double w = 0, h = 0;
    if (paper != DMPAPER_USER && GetPaperDimensions(paper, w, h)) {
        if (orientation == poLandscape)
            std::swap(w, h);
        m_paper = paper;
        m_paperWidth = w;
        m_paperHeight = h;
    } else {
        m_paper = DMPAPER_USER;
        m_paperWidth = width;
        m_paperHeight = height;
    }
    m_orientation = orientation;
    m_leftMargin = m_topMargin = m_rightMargin = m_bottomMargin = 5;
}

void TfrxVirtualPrinter::SetPrintPaper(int paper, TPrinterOrientation orientation,
                                       long double width, long double height, int bin,
                                       int duplex, int copies) {
    SetViewPaper(paper, orientation, width, height);
    m_binOverride = bin;
}

// ---------------------------------------------------------------------------------------------
// TfrxPrinters

TfrxPrinters::TfrxPrinters(std::shared_ptr<platform::PrintService> service)
    : m_service(service ? std::move(service) : platform::SystemPrintService()) {
    FillPrinterList();
}

TfrxPrinters::~TfrxPrinters() = default;

TfrxCustomPrinter* TfrxPrinters::Item(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_printers[static_cast<size_t>(index)].get();
}

void TfrxPrinters::FillPrinterList() {
    m_printers.clear();
    m_names.clear();
    m_printerIndex = -1;

    const QList<platform::PrinterEntry> entries =
        m_service ? m_service->Printers() : QList<platform::PrinterEntry>();
    for (const platform::PrinterEntry& e : entries) {
        m_printers.push_back(std::make_unique<TfrxPrinter>(e.Name, e.Port, m_service));
        m_names << e.Name;
    }

    if (!m_printers.empty()) {
        m_hasPhysicalPrinters = true;
        SelectPrinter(IndexOfPrinter(DefaultPrinterName()));
    } else {
        const QString name = frxGet(QStringLiteral("prVirtual"));
        m_printers.push_back(std::make_unique<TfrxVirtualPrinter>(name, QString()));
        m_names << name;
        m_hasPhysicalPrinters = false;
        SelectPrinter(0);
    }
}

int TfrxPrinters::IndexOfPrinter(const QString& name) const {
    const QLocale locale = QLocale::system();
    const QString key = locale.toLower(name);
    for (int i = 0; i < m_names.size(); ++i)
        if (locale.toLower(m_names[i]) == key)
            return i;
    return -1;
}

void TfrxPrinters::SelectPrinter(int index) {
    if (index == -1)
        index = IndexOfPrinter(DefaultPrinterName());
    // Printers exist but none is the default (or no default is set): the first one serves,
    // so that there is always a current printer while any printer is installed.
    if (index < 0 || index >= Count())
        index = Count() > 0 ? 0 : -1;
    m_printerIndex = index;
    if (TfrxCustomPrinter* p = CurrentPrinter())
        p->InitPrinter();
}

QString TfrxPrinters::DefaultPrinterName() const {
    if (!m_service)
        return QString();
    QString name = m_service->DefaultPrinterName().left(255);
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma >= 0)
        name.truncate(comma);
    return name;
}

// ---------------------------------------------------------------------------------------------

namespace {
std::unique_ptr<TfrxPrinters>& GlobalPrinters() {
    static std::unique_ptr<TfrxPrinters> list;
    return list;
}
// The print service the list was made from, as the registry stamped it.
std::uint64_t& ListStamp() {
    static std::uint64_t stamp = 0;
    return stamp;
}
} // namespace

TfrxPrinters* frxPrinters() {
    std::unique_ptr<TfrxPrinters>& list = GlobalPrinters();
    const std::uint64_t stamp = platform::Registry::Stamp<platform::PrintService>();
    if (list && ListStamp() != stamp)
        list.reset();
    if (!list) {
        list = std::make_unique<TfrxPrinters>(platform::Registry::Shared<platform::PrintService>());
        ListStamp() = stamp;
        // The printers hold print devices of the GUI library; they must go while the
        // application object still exists, not among the static destructors after it.
        static bool cleanupRegistered = false;
        if (!cleanupRegistered && QCoreApplication::instance()) {
            qAddPostRoutine([] { GlobalPrinters().reset(); });
            cleanupRegistered = true;
        }
    }
    return list.get();
}

#pragma once
// The one place that wires the report engine: every service the libraries look up (object
// serializer, evaluator, run-time factory, output handlers, preview operations, printed
// documents, print service, error sink) is installed here, from the parts asked for. The
// program installs all of them at start-up; each test executable installs the parts its tests
// meet, and a test that swaps a service does it inside an EngineScope or a RegistryScope.

#include "platform/Error.h"
#include "platform/Registry.h"

#include <memory>

namespace platform {
class PrintService;
}

namespace startup {

enum Part : unsigned {
    ObjectFiles = 1u << 0,    // reports save and load their objects (the XML serializer)
    Expressions = 1u << 1,    // expressions and scripts of report objects
    PreparedPages = 1u << 2,  // reports keep their prepared pages in the store
    Engine = 1u << 3,         // and prepare them with the engine
    ProgressWindow = 1u << 4, // long report operations show the progress window
    PreviewWindow = 1u << 5,  // reports show their prepared pages in the preview window
    Printing = 1u << 6,       // the store prints through the print job; the preview's Page settings
    PdfExport = 1u << 7,      // the store's Export runs the filters (the PDF file)
    PdfPrinting = 1u << 8,    // printed documents are written by the same PDF writer
    Search = 1u << 9,         // the preview's Find and F3
    PreviewFiles = 1u << 10,  // the preview's Save and Open of prepared report files
};
inline constexpr unsigned Everything = (1u << 11) - 1;
// The model without windows: what files, the engine and the store need.
inline constexpr unsigned Model = ObjectFiles | Expressions | PreparedPages | Engine;

// What the machine provides; empty members take the desktop's own.
struct Services {
    // Printers and queues (none: CUPS).
    std::shared_ptr<platform::PrintService> Printers;
    // Where error texts go instead of the error box.
    platform::ErrorSink Errors;
};

// Installs `parts` and the services; parts not asked for stay as they are.
void Install(unsigned parts = Everything, const Services& services = {});

// Installs like Install and puts every service back as it was when it goes.
class EngineScope {
public:
    explicit EngineScope(unsigned parts, const Services& services = {});

private:
    platform::RegistryScope m_saved;
};

} // namespace startup

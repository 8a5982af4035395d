#include "startup/Startup.h"

#include "export/frxExportPDF.h"
#include "platform/PrintService.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewFiles.h"
#include "preview/frxPreviewForm.h"
#include "preview/frxSearchDialog.h"
#include "print/frxPrintJob.h"
#include "print/frxProgress.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"
#include "report/frxRuntime.h"
#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"

namespace startup {

namespace {

using platform::Registry;

// A copy of the installed service, or an empty one: parts fill in their members of it.
template <class Service>
Service Current() {
    const Service* installed = Registry::Find<Service>();
    return installed ? *installed : Service{};
}

} // namespace

void Install(unsigned parts, const Services& services) {
    if (parts & ObjectFiles)
        Registry::Install<TfrxComponentStreamer>(frxCreateXMLStreamer());
    if (parts & Expressions)
        Registry::Install<TfrxEvaluator>(frxCreateEvaluator());

    if (parts & (PreparedPages | Engine | ProgressWindow | PreviewWindow)) {
        TfrxRuntimeFactory factory = Current<TfrxRuntimeFactory>();
        if (parts & PreparedPages)
            factory.CreatePreviewPages = &frxCreatePreviewPages;
        if (parts & Engine)
            factory.CreateEngine = &frxCreateEngine;
        if (parts & ProgressWindow)
            factory.CreateProgress = &frxCreateProgress;
        if (parts & PreviewWindow)
            factory.ShowPreview = &frxShowPreview;
        Registry::Install(std::move(factory));
    }

    if (parts & Printing)
        Registry::Install(TfrxPrintHandler(&frxPrintPreviewPages));
    if (parts & PdfExport)
        Registry::Install(TfrxExportHandler(&frxExportPreviewPages));
    if (parts & PdfPrinting)
        Registry::Install(platform::PdfDocumentFactory(&frxCreatePrintedDocument));

    if (parts & (Printing | Search | PreviewFiles)) {
        TfrxPreviewOperations operations = Current<TfrxPreviewOperations>();
        if (parts & Printing)
            operations.PageSetup = &frxPageSetup;
        if (parts & Search) {
            operations.Find = &frxFind;
            operations.FindNext = &frxFindNext;
        }
        if (parts & PreviewFiles) {
            operations.Save = [](TfrxPreview* preview) { frxSaveToFile(preview); };
            operations.Load = [](TfrxPreview* preview) { frxLoadFromFile(preview); };
        }
        Registry::Install(std::move(operations));
    }

    if (services.Printers)
        Registry::Install<platform::PrintService>(services.Printers);
    if (services.Errors)
        Registry::Install(services.Errors);
}

EngineScope::EngineScope(unsigned parts, const Services& services) { Install(parts, services); }

} // namespace startup

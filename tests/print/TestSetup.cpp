// What start-up installs for the report engine, installed once for this test executable.

#include "preview/frxExportPDF.h"
#include "preview/frxPreviewForm.h"
#include "preview/frxPreviewPages.h"
#include "preview/frxXMLSerializer.h"
#include "print/frxProgress.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"

void SumdrillTestSetup() {
    frxInstallXMLSerializer();
    frxInstallEvaluator();
    frxInstallPreviewPages();
    frxInstallEngine();
    frxInstallProgress();
    frxInstallPreview();
    frxInstallPdfPrinting();
}

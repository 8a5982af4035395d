// What start-up installs for the report engine, installed once for this test executable.

#include "store/frxPreviewPages.h"
#include "store/frxXMLSerializer.h"
#include "report/frxEngine.h"
#include "report/frxExpression.h"

void SumdrillTestSetup() {
    frxInstallXMLSerializer();
    frxInstallEvaluator();
    frxInstallPreviewPages();
    frxInstallEngine();
}

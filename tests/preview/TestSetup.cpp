// What start-up installs for the report engine, installed once for this test executable.

#include "export/frxExportPDF.h"
#include "store/frxXMLSerializer.h"
#include "report/frxExpression.h"

void SumdrillTestSetup() {
    frxInstallXMLSerializer();
    frxInstallEvaluator();
    frxInstallExportFilters();
}

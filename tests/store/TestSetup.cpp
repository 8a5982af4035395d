// The engine parts this executable's tests meet, installed as start-up installs them.

#include "EngineParts.h"

static ::testing::Environment* const engine =
    AddEngineParts(startup::ObjectFiles | startup::Expressions | startup::PdfExport);

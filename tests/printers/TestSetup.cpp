// The engine parts this executable's tests meet, installed as start-up installs them: printed
// documents are written by the program's PDF writer.

#include "EngineParts.h"

static ::testing::Environment* const engine = AddEngineParts(startup::PdfPrinting);

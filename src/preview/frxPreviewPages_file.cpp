// Prepared report files: the store's document with the source pages, the dictionary and the
// pictures beside the pages.

#include "preview/frxPreviewPages.h"

#include "report/frxClass.h"

using namespace frxClass;

namespace {
[[noreturn]] void NotYet() {
    throw TfrxException(QStringLiteral("Prepared report files cannot be saved or opened yet"));
}
} // namespace

void TfrxPreviewPages::ReadFromStream(QIODevice&, bool) { NotYet(); }
void TfrxPreviewPages::WriteToStream(QIODevice&) { NotYet(); }
bool TfrxPreviewPages::ReadFromFile(const QString&, bool) { NotYet(); }
void TfrxPreviewPages::WriteToFile(const QString&) { NotYet(); }

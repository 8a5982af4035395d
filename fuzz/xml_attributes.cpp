// Any attribute text applied to a text object sets what it can and collects errors for the
// rest; writing the object afterwards and reading that text into a fresh object never fails.

#include "store/frxXMLSerializer.h"

#include "report/frxClass.h"

#include <cstdint>
#include <cstdlib>

using namespace frxClass;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    TfrxMemoView memo;
    TfrxXMLSerializer s;
    s.AttributesToProperties(text, &memo);
    s.ResolveFixUps();

    const QByteArray written = s.ObjectToString(&memo);
    TfrxXMLSerializer r;
    TfrxComponent* copy = r.ObjectFromString(nullptr, written);
    if (!copy)
        std::abort();
    delete copy;
    return 0;
}

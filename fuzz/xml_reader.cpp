// Any bytes read as a document give a tree or "Invalid file format". A tree that was read must
// write and read back to the same tree and the same bytes, and a partial load must save to the
// same bytes as a full one (its unloaded items come back from the source stream).

#include "xml/frxXML.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Iterative: fuzzed documents nest deeply.
bool SameTree(const TfrxXMLItem* a, const TfrxXMLItem* b) {
    std::vector<std::pair<const TfrxXMLItem*, const TfrxXMLItem*>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x->Name() != y->Name() || x->Attributes() != y->Attributes() ||
            x->Count() != y->Count() || x->MayUnload() != y->MayUnload())
            return false;
        for (int i = 0; i < x->Count(); ++i)
            pending.emplace_back(x->Item(i), y->Item(i));
    }
    return true;
}

bool Load(TfrxXMLDocument& doc, QBuffer& buf, bool partial) {
    try {
        doc.LoadFromStream(&buf, partial);
        return true;
    } catch (const TfrxInvalidXMLException& e) {
        if (e.Message() != QStringLiteral("Invalid file format"))
            std::abort();
        return false;
    }
}

QByteArray Save(TfrxXMLDocument& doc) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    doc.SaveToStream(&out);
    return out.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer in;
    in.setData(reinterpret_cast<const char*>(data), int(size));
    in.open(QIODevice::ReadOnly);
    TfrxXMLDocument doc;
    if (!Load(doc, in, false))
        return 0;

    const QByteArray written = Save(doc);
    QBuffer again;
    again.setData(written);
    again.open(QIODevice::ReadOnly);
    TfrxXMLDocument back;
    if (!Load(back, again, false) || !SameTree(doc.Root(), back.Root()) || Save(back) != written)
        std::abort();

    in.seek(0);
    TfrxXMLDocument partial;
    if (!Load(partial, in, true) || Save(partial) != written)
        std::abort();
    return 0;
}

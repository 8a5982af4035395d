#pragma once
// What the store reads of the object model and of the report's run-time parts, in one place:
// the style flags, the links between a source copy and its template, the alias and the stored
// text of a copy, the engine, the preview and the report's progress operations.

#include "report/frxClass.h"
#include "report/frxRuntime.h"


namespace frxStore {

// Objects that appear on prepared pages: views and bands.
inline bool IsPreviewVisible(const TfrxComponent* c) {
    return c->ComponentStyle().testFlag(frxClass::csPreviewVisible);
}
// Objects stored whole with their common delta on top.
inline bool IsContainer(const TfrxComponent* c) {
    return c->ComponentStyle().testFlag(frxClass::csContainer);
}

// A copy points at its template and the template at its copy; a run-time object at its copy.
inline TfrxComponent* OriginalOf(const TfrxComponent* c) { return c->OriginalComponent(); }
inline void SetOriginal(TfrxComponent* c, TfrxComponent* original) {
    c->SetOriginalComponent(original);
}
inline QString AliasOf(const TfrxComponent* c) { return c->AliasName(); }
inline void SetAlias(TfrxComponent* c, const QString& alias) { c->SetAliasName(alias); }
// The copy's full serialised text: class name, then its attributes.
inline QByteArray BaseTextOf(const TfrxComponent* c) { return c->BaseName(); }
inline void SetBaseText(TfrxComponent* c, const QByteArray& text) { c->SetBaseName(text); }

inline TfrxCustomEngine* EngineOf(TfrxReport* report) {
    return report ? report->Runtime().Engine() : nullptr;
}
inline TfrxPreviewLink* PreviewOf(TfrxReport* report) {
    return report ? report->Runtime().Preview : nullptr;
}
inline TfrxCustomPreviewPages* PagesOf(TfrxReport* report) {
    return report ? report->Runtime().PreviewPages() : nullptr;
}

// The report's progress operations: events, progress window, preview, pending messages.
inline void ProgressStart(TfrxReport* report, int kind) {
    if (report)
        report->ProgressStart(static_cast<TfrxProgressType>(kind));
}
inline void Progress(TfrxReport* report, int kind, int n) {
    if (report)
        report->ProgressStep(static_cast<TfrxProgressType>(kind), n);
}
inline void ProgressStop(TfrxReport* report, int kind) {
    if (report)
        report->ProgressStop(static_cast<TfrxProgressType>(kind));
}

// Whether `c` is of the class named `className` or derives from it (classes the object model
// may not have yet: page footers, overlays, column footers, group headers).
inline bool IsOfClass(const TfrxComponent* c, const char* className) {
    for (const QMetaObject* mo = c ? c->metaObject() : nullptr; mo; mo = mo->superClass())
        if (qstrcmp(mo->className(), className) == 0)
            return true;
    return false;
}

} // namespace frxStore

// TEMPORARY until the groundwork lands: the report's run-time part kept beside the report.
#include "report/frxClass.h"
#include "report/frxExpression.h"
#include "report/frxGraphicUtils.h"
#include "report/frxRuntime.h"

#include <unordered_map>

namespace {
TfrxRuntimeFactory& Factory() {
    static TfrxRuntimeFactory f;
    return f;
}
} // namespace

void frxSetRuntimeFactory(const TfrxRuntimeFactory& factory) { Factory() = factory; }
const TfrxRuntimeFactory& frxRuntimeFactory() { return Factory(); }

TfrxReportRuntime::TfrxReportRuntime(TfrxReport* report) : m_report(report) {}
TfrxReportRuntime::~TfrxReportRuntime() = default;
frx::TfrxReportEvaluation* TfrxReportRuntime::Evaluation() {
    return frx::TfrxReportEvaluation::Of(m_report);
}
TfrxDrawText* TfrxReportRuntime::DrawText() { return frxDrawText(); }
TfrxCustomPreviewPages* TfrxReportRuntime::PreviewPages() {
    if (!m_pages && Factory().CreatePreviewPages)
        m_pages = Factory().CreatePreviewPages(m_report);
    return m_pages.get();
}
TfrxCustomEngine* TfrxReportRuntime::Engine() {
    if (!m_engine && Factory().CreateEngine)
        m_engine = Factory().CreateEngine(m_report);
    return m_engine.get();
}

TfrxReportRuntime& TfrxReport::Runtime() {
    static std::unordered_map<TfrxReport*, std::unique_ptr<TfrxReportRuntime>> map;
    auto& p = map[this];
    if (!p) {
        p = std::make_unique<TfrxReportRuntime>(this);
        QObject::connect(this, &QObject::destroyed, [this] { map.erase(this); });
    }
    return *p;
}

#include "report/frxRuntime.h"

#include "platform/Error.h"
#include "report/frxGraphicUtils.h"

namespace {

TfrxRuntimeFactory g_factory;
TfrxEvaluator* g_evaluator = nullptr;

} // namespace

void frxSetRuntimeFactory(const TfrxRuntimeFactory& factory) { g_factory = factory; }

const TfrxRuntimeFactory& frxRuntimeFactory() { return g_factory; }

void frxSetEvaluator(TfrxEvaluator* evaluator) { g_evaluator = evaluator; }

TfrxEvaluator& frxEvaluator() {
    if (!g_evaluator)
        throw platform::Error(QStringLiteral("No expression evaluator is installed"));
    return *g_evaluator;
}

TfrxReportRuntime::TfrxReportRuntime(TfrxReport* report) : m_report(report) {}

// The engine goes first (it refers to the store), then the store, then the evaluation state.
TfrxReportRuntime::~TfrxReportRuntime() {
    m_engine.reset();
    m_pages.reset();
    Progress.reset();
    m_evaluation.reset();
}

void TfrxReportRuntime::SetEvaluation(std::unique_ptr<TfrxEvaluationState> state) {
    m_evaluation = std::move(state);
}

TfrxDrawText* TfrxReportRuntime::DrawText() {
    if (!m_drawText)
        m_drawText = std::make_unique<TfrxDrawText>();
    return m_drawText.get();
}

TfrxCustomPreviewPages* TfrxReportRuntime::PreviewPages() {
    if (!m_pages && g_factory.CreatePreviewPages)
        m_pages = g_factory.CreatePreviewPages(m_report);
    return m_pages.get();
}

TfrxCustomEngine* TfrxReportRuntime::Engine() {
    if (!m_engine && g_factory.CreateEngine)
        m_engine = g_factory.CreateEngine(m_report);
    return m_engine.get();
}

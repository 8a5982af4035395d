#include "report/frxRuntime.h"

#include "platform/Error.h"
#include "platform/Registry.h"
#include "report/frxGraphicUtils.h"

const TfrxRuntimeFactory& frxRuntimeFactory() {
    static const TfrxRuntimeFactory none;
    const TfrxRuntimeFactory* factory = platform::Registry::Find<TfrxRuntimeFactory>();
    return factory ? *factory : none;
}

TfrxEvaluator& frxEvaluator() {
    TfrxEvaluator* evaluator = platform::Registry::Find<TfrxEvaluator>();
    if (!evaluator)
        throw platform::Error(QStringLiteral("No expression evaluator is installed"));
    return *evaluator;
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
    // The factory is looked up only until the store is made: this runs for every engine step.
    if (!m_pages)
        if (const TfrxRuntimeFactory& factory = frxRuntimeFactory(); factory.CreatePreviewPages)
            m_pages = factory.CreatePreviewPages(m_report);
    return m_pages.get();
}

TfrxCustomEngine* TfrxReportRuntime::Engine() {
    if (!m_engine)
        if (const TfrxRuntimeFactory& factory = frxRuntimeFactory(); factory.CreateEngine)
            m_engine = factory.CreateEngine(m_report);
    return m_engine.get();
}

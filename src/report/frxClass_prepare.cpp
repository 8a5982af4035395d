// The report's preparation: Prepare with its template save and restore and its error display,
// ShowReport and ShowPrepared, the timer path and the progress operations. The store, the
// engine, the preview and the progress window are reached only through report/frxRuntime.

#include "report/frxClass.h"

#include "platform/Error.h"
#include "report/frxRuntime.h"
#include "report/frxScript.h"
#include "resources/frxRes.h"

#include <QApplication>
#include <QBuffer>
#include <QMessageBox>
#include <QTimer>

using namespace frxClass;

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

} // namespace

TfrxDataSet* TfrxReport::GetDataSet(const QString& userName) {
    if (userName.isEmpty())
        return nullptr;
    for (TfrxComponent* c : AllObjects())
        if (auto* ds = qobject_cast<TfrxDataSet*>(c);
            ds && ds->UserName().compare(userName, Qt::CaseInsensitive) == 0)
            return ds;
    for (TfrxDataSet* ds : TfrxDataSet::ProgramDataSets())
        if (ds->UserName().compare(userName, Qt::CaseInsensitive) == 0)
            return ds;
    return nullptr;
}

bool TfrxReport::Prepare(bool clearLastReport) {
    TfrxReportRuntime& runtime = Runtime();
    TfrxCustomPreviewPages* pages = runtime.PreviewPages();
    TfrxCustomEngine* engine = runtime.Engine();
    if (!pages || !engine)
        throw TfrxException(frxGet(Q("enNoStore")));

    if (clearLastReport)
        pages->ClearAll();
    ClearErrors();
    Terminated = false;
    bool result = false;

    for (const QString& name : std::as_const(m_datasets))
        if (!GetDataSet(name))
            AddError(frxFillIn(frxGet(Q("clDSNotExist")), {name}));

    if (m_errors.isEmpty()) {
        // Preparation changes template objects (texts, bounds, the last values of repeated
        // texts); the template read back afterwards undoes all of it.
        const QString password = m_reportOptions->Password();
        m_reportOptions->SetPassword(QString());
        QBuffer saved;
        const bool keep = m_engineOptions->DestroyForms;
        if (keep) {
            saved.open(QIODevice::ReadWrite);
            SaveToStream(saved, true);
        }

        try {
            if (OnBeginDoc)
                OnBeginDoc(this);
            if (PrepareScript()) {
                TfrxScript* script = Script();
                if (script->HasMainStatements()) {
                    QString error;
                    if (!script->RunMain(&error) && !Terminated)
                        throw TfrxException(error);
                }
                if (!Terminated) {
                    if (engine->Run()) {
                        if (OnEndDoc)
                            OnEndDoc(this);
                        result = true;
                    } else if (TfrxPreviewLink* preview = runtime.Preview) {
                        // Nothing was prepared (errors found first, dialogs cancelled): the
                        // report's own preview window has nothing to show.
                        preview->CloseOwnWindow();
                    }
                }
            }
        } catch (const std::exception& e) {
            AddError(platform::MessageOf(e));
        }

        if (keep) {
            const QStringList errors = m_errors;
            // What a program set on the engine options without storing it survives the reload.
            struct KeepOptions {
                TfrxReport* report;
                bool threadSafe, destroyForms;
                ~KeepOptions() {
                    report->EngineOptions()->EnableThreadSafe = threadSafe;
                    report->EngineOptions()->DestroyForms = destroyForms;
                }
            } keepOptions{this, m_engineOptions->EnableThreadSafe, keep};
            try {
                // The run-time part (store, engine) is not part of the template: reading
                // the template back leaves the prepared pages as they are.
                saved.seek(0);
                LoadFromStream(saved);
            } catch (const std::exception& e) {
                m_errors = errors;
                AddError(platform::MessageOf(e));
            }
            m_reportOptions->SetPassword(password);
            if (m_errors != errors) {
                const QStringList readErrors = m_errors;
                m_errors = errors;
                for (const QString& e : readErrors)
                    AddError(e);
            }
        } else {
            m_reportOptions->SetPassword(password);
        }
    }

    if (!m_errors.isEmpty()) {
        result = false;
        ShowErrors();
    }
    return result;
}

void TfrxReport::ShowErrors() {
    QString text = frxGet(Q("clErrors")) + Q("\r\n");
    for (const QString& e : std::as_const(m_errors))
        text += e + Q("\r\n");
    switch (m_engineOptions->NewSilentMode()) {
    case simMessageBoxes: {
        QMessageBox box(QMessageBox::Critical, frxGet(Q("mbError")), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setObjectName(Q("frxErrorBox"));
        box.exec();
        break;
    }
    case simSilent:
        break;
    case simReThrow:
        throw TfrxException(text);
    }
}

void TfrxReport::ShowReport(bool clearLastReport) {
    if (!frxRuntimeFactory().ShowPreview)
        throw TfrxException(frxGet(Q("enNoPreview")));
    if (clearLastReport) {
        if (TfrxCustomPreviewPages* pages = Runtime().PreviewPages())
            pages->ClearAll();
    }
    if (!m_oldStyleProgress) {
        connect(m_timer, &QTimer::timeout, this, &TfrxReport::TimerTick, Qt::UniqueConnection);
        m_timer->start();
    } else if (!Prepare(false)) {
        return;
    }
    ShowPrepared();
    // A modal preview closed before the timer ticked leaves nothing to prepare for.
    if (!Runtime().Preview)
        m_timer->stop();
}

void TfrxReport::TimerTick() {
    m_timer->stop();
    // The preview closed before the first tick: there is nobody to prepare for.
    if (!Runtime().Preview)
        return;
    platform::Guarded([this] { Prepare(false); });
}

void TfrxReport::ShowPrepared() {
    const TfrxRuntimeFactory& factory = frxRuntimeFactory();
    if (!factory.ShowPreview)
        throw TfrxException(frxGet(Q("enNoPreview")));
    factory.ShowPreview(this);
}

// ---------------------------------------------------------------------------------------------
// Progress

namespace {

bool UsesWindow(const TfrxReport* report, TfrxProgressType kind) {
    return report->ShowProgress() && (kind != ptRunning || report->OldStyleProgress());
}

} // namespace

void TfrxReport::ProgressStart(TfrxProgressType kind) {
    if (m_engineOptions->EnableThreadSafe)
        return;
    if (OnProgressStart)
        OnProgressStart(this, kind, 0);
    TfrxReportRuntime& runtime = Runtime();
    if (UsesWindow(this, kind)) {
        runtime.Progress.reset();
        if (const auto& create = frxRuntimeFactory().CreateProgress)
            runtime.Progress = create(this);
    }
    if (kind == ptRunning && runtime.Preview)
        runtime.Preview->PrepareStarted();
    QCoreApplication::processEvents();
}

void TfrxReport::ProgressStep(TfrxProgressType kind, int progress) {
    if (m_engineOptions->EnableThreadSafe)
        return;
    if (OnProgress)
        OnProgress(this, kind, progress);
    TfrxReportRuntime& runtime = Runtime();
    if (UsesWindow(this, kind) && runtime.Progress) {
        const char* key = "prPrinting";
        if (kind == ptRunning) {
            const TfrxCustomEngine* engine = runtime.Engine();
            key = engine && !engine->FinalPass ? "prRunningFirst" : "prRunning";
        } else if (kind == ptExporting) {
            key = "prExporting";
        }
        QString text = frxGet(Q(key));
        text.replace(Q("%d"), QString::number(progress));
        runtime.Progress->SetMessage(text);
        const TfrxCustomEngine* engine = runtime.Engine();
        // The final pass after a cancelled first pass makes the pages already counted.
        if (runtime.Progress->Terminated() && !(engine && engine->PageLimit > 0)) {
            Terminated = true;
            Script()->Terminate();
        }
    }
    if (kind == ptRunning && runtime.Preview)
        runtime.Preview->PageArrived(progress - 1);
    QCoreApplication::processEvents();
}

void TfrxReport::ProgressStop(TfrxProgressType kind) {
    if (m_engineOptions->EnableThreadSafe)
        return;
    // The program's event may raise; the progress window and the preview stop anyway (a
    // preview left busy would refuse to close), and the error goes on afterwards.
    std::exception_ptr failure;
    try {
        if (OnProgressStop)
            OnProgressStop(this, kind, 0);
    } catch (...) {
        failure = std::current_exception();
    }
    TfrxReportRuntime& runtime = Runtime();
    if (UsesWindow(this, kind))
        runtime.Progress.reset();
    if (kind == ptRunning && runtime.Preview)
        runtime.Preview->PrepareStopped();
    QCoreApplication::processEvents();
    if (failure)
        std::rethrow_exception(failure);
}

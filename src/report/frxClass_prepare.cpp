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

QString WithArgument(QString text, const QString& arg) {
    const qsizetype at = text.indexOf(Q("%s"));
    if (at >= 0)
        text.replace(at, 2, arg);
    return text;
}

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
            AddError(WithArgument(frxGet(Q("clDSNotExist")), name));

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
                if (!Terminated && engine->Run()) {
                    if (OnEndDoc)
                        OnEndDoc(this);
                    result = true;
                }
            }
        } catch (const std::exception& e) {
            AddError(platform::MessageOf(e));
        }

        if (keep) {
            const QStringList errors = m_errors;
            try {
                saved.seek(0);
                m_reloading = true;
                struct Reloading {
                    bool& flag;
                    ~Reloading() { flag = false; }
                } reloading{m_reloading};
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
}

void TfrxReport::TimerTick() {
    m_timer->stop();
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
        if (runtime.Progress->Terminated()) {
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
    if (OnProgressStop)
        OnProgressStop(this, kind, 0);
    TfrxReportRuntime& runtime = Runtime();
    if (UsesWindow(this, kind))
        runtime.Progress.reset();
    if (kind == ptRunning && runtime.Preview)
        runtime.Preview->PrepareStopped();
    QCoreApplication::processEvents();
}

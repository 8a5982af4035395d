#pragma once
// The report and the class registry that makes components from their class names.

#include "report/frxClass_options.h"

// The report: pages as its children, variables, script, options and the program's callbacks.
class TfrxReport : public TfrxComponent {
    Q_OBJECT
    Q_CLASSINFO("default:OldStyleProgress", "false")
    Q_CLASSINFO("default:ShowProgress", "true")
    Q_CLASSINFO("default:StoreInDFM", "true")
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(QString ParentReport READ ParentReport WRITE SetParentReport)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool DotMatrixReport READ DotMatrixReport WRITE SetDotMatrixReport)
    Q_PROPERTY(TfrxEngineOptions* EngineOptions READ EngineOptions)
    Q_PROPERTY(QString IniFile READ IniFile WRITE SetIniFile)
    Q_PROPERTY(bool OldStyleProgress READ OldStyleProgress WRITE SetOldStyleProgress)
    Q_PROPERTY(TfrxPreviewOptions* PreviewOptions READ PreviewOptions)
    Q_PROPERTY(TfrxPrintOptions* PrintOptions READ PrintOptions)
    Q_PROPERTY(TfrxReportOptions* ReportOptions READ ReportOptions)
    Q_PROPERTY(QString ScriptLanguage READ ScriptLanguage WRITE SetScriptLanguage)
    Q_PROPERTY(QStringList ScriptText READ ScriptText WRITE SetScriptText)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool StoreInDFM READ StoreInDFM WRITE SetStoreInDFM)
    Q_PROPERTY(QString OnRunDialogs READ OnRunDialogs WRITE SetOnRunDialogs)
    Q_PROPERTY(QString OnStartReport READ OnStartReport WRITE SetOnStartReport)
    Q_PROPERTY(QString OnStopReport READ OnStopReport WRITE SetOnStopReport)
public:
    Q_INVOKABLE explicit TfrxReport(QObject* owner = nullptr);
    ~TfrxReport() override;

    // Always "4.3": any assigned value stores "4.3".
    QString Version() const { return QStringLiteral("4.3"); }
    void SetVersion(const QString&) {}
    QString ParentReport() const { return m_parentReport; }
    void SetParentReport(const QString& v) { m_parentReport = v; }
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    bool DotMatrixReport() const { return m_dotMatrixReport; }
    void SetDotMatrixReport(bool v) { m_dotMatrixReport = v; }
    TfrxEngineOptions* EngineOptions() const { return m_engineOptions.get(); }
    QString IniFile() const { return m_iniFile; }
    void SetIniFile(const QString& v) { m_iniFile = v; }
    bool OldStyleProgress() const { return m_oldStyleProgress; }
    void SetOldStyleProgress(bool v) { m_oldStyleProgress = v; }
    TfrxPreviewOptions* PreviewOptions() const { return m_previewOptions.get(); }
    TfrxPrintOptions* PrintOptions() const { return m_printOptions.get(); }
    TfrxReportOptions* ReportOptions() const { return m_reportOptions.get(); }
    QString ScriptLanguage() const { return m_scriptLanguage; }
    void SetScriptLanguage(const QString& v) { m_scriptLanguage = v; }
    QStringList ScriptText() const { return m_scriptText; }
    void SetScriptText(const QStringList& v) { m_scriptText = v; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool v) { m_showProgress = v; }
    bool StoreInDFM() const { return m_storeInDFM; }
    void SetStoreInDFM(bool v) { m_storeInDFM = v; }
    QString OnRunDialogs() const { return m_onRunDialogs; }
    void SetOnRunDialogs(const QString& v) { m_onRunDialogs = v; }
    QString OnStartReport() const { return m_onStartReport; }
    void SetOnStartReport(const QString& v) { m_onStartReport = v; }
    QString OnStopReport() const { return m_onStopReport; }
    void SetOnStopReport(const QString& v) { m_onStopReport = v; }

    // Pages are the children, in template order; a data page counts too.
    int PagesCount() const { return static_cast<int>(Objects().size()); }
    TfrxPage* Pages(int index) const;

    // Report variables, stored in the template as the collection "Variables".
    TfrxVariables& Variables() { return m_variables; }
    const TfrxVariables& Variables() const { return m_variables; }
    // Names of the data sets the report uses ("Datasets") and of its styles ("Style").
    QStringList& Datasets() { return m_datasets; }
    const QStringList& Datasets() const { return m_datasets; }
    QStringList& Styles() { return m_styles; }
    const QStringList& Styles() const { return m_styles; }
    // "Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#",
    // "CopyName#", refilled by Clear.
    const QStringList& BuiltInNames() const { return m_builtInNames; }

    // --- preparation (frxClass_prepare.cpp) ---
    // Prepares the template into the report's store: data-set check, template kept aside and
    // restored, script, engine run. Errors are shown by EngineOptions.NewSilentMode; false when
    // there were any.
    bool Prepare(bool clearLastReport = true);
    // Opens the preview on the report and has the report prepared into it (50 ms later, by the
    // timer, unless OldStyleProgress). Raises when no preview window is installed.
    void ShowReport(bool clearLastReport = true);
    // Opens the preview on the pages prepared so far.
    void ShowPrepared();
    // Called by the store and the print job around a long operation; they fire the progress
    // events, drive the progress window and tell the preview. Nothing at all in thread-safe mode.
    void ProgressStart(TfrxProgressType kind);
    void ProgressStep(TfrxProgressType kind, int progress);
    void ProgressStop(TfrxProgressType kind);
    // The data set of that user name (without case): one in the report's tree, else one the
    // program made; null when none.
    TfrxDataSet* GetDataSet(const QString& userName);
    // --- end of preparation ---

    // Preparation errors: sorted, a text that is already there (in any case) is not added.
    const QStringList& Errors() const { return m_errors; }
    void AddError(const QString& text);
    void ClearErrors() { m_errors.clear(); }

    // Name of the object being evaluated; prefixes error texts.
    QString CurrentObjectName;
    // Set when the user cancels; stops the preparation and printing loops.
    bool Terminated = false;
    // Repeats every 50 ms once enabled; its tick prepares the report. Disabled at start.
    QTimer* Timer() const { return m_timer; }

    // Program callbacks (the worksheet sets only OnGetValue).
    std::function<void(const QString& varName, Variant& value)> OnGetValue;
    std::function<void(TfrxComponent* sender)> OnBeginDoc;
    std::function<void(TfrxComponent* sender)> OnEndDoc;
    std::function<void(TfrxReportComponent* sender)> OnBeforePrint;
    std::function<void(TfrxReportComponent* sender)> OnAfterPrint;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgressStart;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgress;
    std::function<void(TfrxReport* sender, int progressType, int progress)> OnProgressStop;
    std::function<void()> OnPreview;
    // The report's own preview window was closed.
    std::function<void()> OnClosePreview;
    // Printing: before the first page, before each page drawn in the default, scale and split
    // modes (with the copy number), and at the end, also when printing stops with an error.
    std::function<void(TfrxReport* sender)> OnPrintReport;
    std::function<void(TfrxReportPage* page, int copyNo)> OnPrintPage;
    std::function<void(TfrxReport* sender)> OnAfterPrintReport;
    std::function<void(TfrxPage* page)> OnManualBuild;
    // A click on an object of a prepared page in the preview (button and shift state as Qt's
    // values); setting `modified` stores the changed page back.
    std::function<void(TfrxView* view, int button, int shift, bool& modified)> OnClickObject;
    // The mouse over an object of a prepared page.
    std::function<void(TfrxView* view)> OnMouseOverObject;

    // Destroys the pages and sets everything else back to the defaults.
    void Clear() override;
    // Clears, then reads the whole report through the object serializer.
    void LoadFromStream(QIODevice& stream) override;
    void Assign(const TfrxComponent* source) override;

    // Variables, Datasets and Style, kept beside the published properties.
    void WriteBinaryProperties(QDataStream& out) const override;
    bool ReadBinaryProperties(QDataStream& in) override;

    // --- evaluation (frxExpression.cpp) ---
    // The evaluation entry: a name's value, else the expression run through the expression
    // cache with `script` (the report's own when null) as parent. Errors go into Errors and
    // are raised.
    Variant Calc(const QString& expression, TfrxScript* script = nullptr);
    // The name-resolution chain; false when no source knows the name.
    bool ResolveName(const QString& name, Variant& value);
    // The report's script program.
    TfrxScript* Script();
    // Empties the expression cache, names the objects and compiles ScriptText; false (and an
    // entry in Errors) when it does not compile.
    bool PrepareScript();
    // --- end of evaluation ---

    // What the report holds while it is used: evaluation state, text layout object, prepared
    // pages store, engine, links to a preview and a progress window. Made on first use.
    TfrxReportRuntime& Runtime();

protected:
    bool Publishes(const char* propertyName) const override;

private:
    QString m_parentReport;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    bool m_dotMatrixReport = false;
    std::unique_ptr<TfrxEngineOptions> m_engineOptions;
    QString m_iniFile = QStringLiteral("\\Software\\Brindle");
    bool m_oldStyleProgress = false;
    std::unique_ptr<TfrxPreviewOptions> m_previewOptions;
    std::unique_ptr<TfrxPrintOptions> m_printOptions;
    std::unique_ptr<TfrxReportOptions> m_reportOptions;
    QString m_scriptLanguage;
    QStringList m_scriptText;
    bool m_showProgress = true;
    bool m_storeInDFM = true;
    QString m_onRunDialogs, m_onStartReport, m_onStopReport;
    TfrxVariables m_variables;
    QStringList m_datasets, m_styles, m_builtInNames;
    QStringList m_errors;
    QTimer* m_timer = nullptr;
    std::unique_ptr<TfrxReportRuntime> m_runtime;
    // The timer's tick prepares the report (frxClass_prepare.cpp).
    void TimerTick();
    void ShowErrors();
};

// Class registry: creates a component from its class name.
void frxRegisterClass(const QMetaObject* componentClass);
// The registered class of that name (compared without case); null when none.
const QMetaObject* frxFindClass(const QString& className);
// A new component of the named class, owned by `owner` (and its child when the owner is a
// component); null when the class is unknown.
TfrxComponent* frxCreateComponent(const QString& className, QObject* owner = nullptr);

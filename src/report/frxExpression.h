#pragma once
// Evaluation inside a report: the name-resolution chain (data fields, built-in names, the
// program's value callback, report variables, global variables, script variables), Calc with
// its cache of compiled expressions, and the substitution of bracketed expressions in text
// objects with their display formats. Errors are collected in the report's Errors and raised
// as TfrxException.

#include "report/frxClass.h"
#include "report/frxRuntime.h"
#include "report/frxScript.h"
#include "report/frxVariant.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>

#include <functional>
#include <map>
#include <memory>

namespace frx {

// What the built-in names answer; the engine keeps these current while it runs.
struct TfrxEngineValues {
    QDate StartDate;          // "Date": start of the preparation
    QTime StartTime;          // "Time"
    int Page = 0;             // "Page": logical number of the current prepared page
    int PageIndex = 0;        // "Page#" is this plus 1
    int TotalPages = 0;       // "TotalPages": logical page total
    int EngineTotalPages = 0; // "TotalPages#": first-pass count of a two-pass run, else 0
    int Line = 0;             // "Line"
    int LineNo = 0;           // "Line#"
};

// A data field of a data set: found flag, value and the field's kind (for ConvertNulls:
// Integer or Float give 0, String gives empty text, Boolean gives false).
using TfrxDataFieldLookup = std::function<bool(QStringView dataSet, const QString& field,
                                               Variant& value, Variant::Type& kind)>;

// The compatibility hook for older report formats, asked first by every name resolution.
// Process-wide; this program installs none.
using TfrxValueHandler = std::function<bool(const QString& name, Variant& value)>;
TfrxValueHandler& frxCompatibilityValueHandler();

// The evaluation state a report owns: its script program, the expression cache and the
// engine's current values. Kept in the report's run-time part.
class TfrxReportEvaluation : public TfrxEvaluationState {
public:
    // The report's evaluation state, made on first use with the report's names bound.
    static TfrxReportEvaluation* Of(TfrxReport* report);

    TfrxScript& Script() { return m_script; }
    TfrxEngineValues Engine;
    TfrxDataFieldLookup DataField;
    // Objects the run-time parts give the script under their names ("Engine", "Outline").
    QHash<QString, QPointer<QObject>> HostObjects;

    // The cache: emptied and set to a language by the script preparation.
    void ClearCache(const QString& language);
    QString CacheLanguage() const { return m_cacheLanguage; }
    int CacheCount() const { return static_cast<int>(m_cache.size()); }
    // The program text compiled for a cached expression (compared without case); empty if none.
    QString CachedProgram(const QString& expression) const;

    // Adds the report's objects, "Report", "Value" and the report functions to the script.
    void BindNames();

private:
    explicit TfrxReportEvaluation(TfrxReport* report);
    friend Variant frxCalc(TfrxReport* report, const QString& expression, TfrxScript* script);

    struct CacheEntry {
        std::shared_ptr<TfrxScript> program;
        QString function;
        QString text;
    };
    TfrxReport* m_report;
    TfrxScript m_script;
    std::map<QString, CacheEntry> m_cache; // sorted; key: the case-folded expression
    QString m_cacheLanguage = QStringLiteral("PascalScript");
    int m_calcDepth = 0;
};

// Prepares the report script for a run: empties the expression cache (taking the report's
// ScriptLanguage), resets and names every object, binds the report's functions and compiles
// ScriptText. A compile error adds "Script error at <line:column>: <message>" to Errors and
// gives false.
bool frxPrepareReportScript(TfrxReport* report);

// The report's evaluation entry: a name that resolves gives its value; anything else is run as
// an expression of the cache's language, `script` (the report's own when null) being the
// parent of the compiled function. Errors go into the report's Errors and are raised.
Variant frxCalc(TfrxReport* report, const QString& expression, TfrxScript* script = nullptr);

// The name-resolution chain; false when no source knows the name (value is then Null).
bool frxResolveName(TfrxReport* report, const QString& name, Variant& value);

// The data step of a text object: substitutes its bracketed expressions, sets the script's
// "Value", the highlight and the blanking of repeated texts.
void frxEvaluateContent(TfrxCustomMemoView* memo);
// One bracketed part's inner text -> the text that replaces it.
QString frxEvaluateAndFormat(TfrxCustomMemoView* memo, const QString& text);
// A value as text under a format kind, format string and decimal separator.
QString frxFormatValue(const Variant& value, frxClass::TfrxFormatKind kind, const QString& formatStr,
                       const QString& decimalSeparator);

// The bracketed part that opens at or after `i` (0-based): the inner text, `i` at its opening
// delimiter and `j` at the last character of its closing delimiter; `j` == `i` when there is
// none. Delimiters inside quoted text do not count; nested delimiters stay in the inner text.
QString frxExtractBracketed(const QString& s, const QString& open, const QString& close,
                            qsizetype& i, qsizetype& j);
// Replaces every bracketed part of `s` by `evaluate`(inner text); inserted text is not scanned
// again. `delimiters` is "open,close". Returns false (and leaves `s`) when `s` holds no opening
// delimiter or the opening delimiter is empty.
bool frxSubstitute(QString& s, const QString& delimiters,
                   const std::function<QString(const QString&)>& evaluate);

} // namespace frx

// The evaluator the object model calls for Calc, scripts and text substitution.
std::shared_ptr<TfrxEvaluator> frxCreateEvaluator();

#pragma once
// The report's script program: compiles a program in one of the report languages
// ("PascalScript", "C++Script", "BasicScript", "JScript"), finds its functions by name and runs
// them. A program sees the names its host adds (report objects, variables, host functions), the
// names of its parent program, and the run-time library (the unit constants, Format, Copy, ...).
// Compile errors carry a position and a message; run-time errors come back as text, never as a
// crash: nesting, call depth and the number of executed steps are bounded.

#include "platform/Error.h"
#include "report/frxVariant.h"

#include <QHash>
#include <QPointer>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>

class QObject;

namespace frx {

// A run-time error of a script or of a host function called by it; the message is shown to
// the user as it stands.
class ScriptError : public platform::Error {
public:
    using platform::Error::Error;
};

namespace script {
struct Program;
struct Runner;
class ScriptCompiler;
} // namespace script

} // namespace frx

class TfrxScript {
public:
    // A function the host offers to scripts. It may throw frx::ScriptError.
    using HostFunction = std::function<Variant(const QList<Variant>& args)>;

    explicit TfrxScript(TfrxScript* parent = nullptr);
    ~TfrxScript();
    TfrxScript(const TfrxScript&) = delete;
    TfrxScript& operator=(const TfrxScript&) = delete;

    TfrxScript* Parent() const { return m_parent; }
    void SetParent(TfrxScript* parent) { m_parent = parent; }

    // Forgets the compiled program and every name the host added.
    void Clear();

    // Names the host adds; later additions of the same name replace earlier ones.
    void AddObject(const QString& name, QObject* object);
    void AddVariable(const QString& name, const Variant& value);
    void AddFunction(const QString& name, int minArgs, int maxArgs, HostFunction fn);

    // Variables: the host's and the program's own global ones. Set does nothing and returns
    // false when the program has no such variable (its parents are not searched).
    bool HasVariable(const QString& name) const;
    Variant GetVariable(const QString& name) const;
    bool SetVariable(const QString& name, const Variant& value);

    // Compiles `text` in `language` (compared without case). On failure ErrorPos() is
    // "line:column" and ErrorMsg() says what is wrong; the previous program is gone either way.
    bool Compile(const QString& language, const QString& text);
    QString ErrorPos() const { return m_errorPos; }
    QString ErrorMsg() const { return m_errorMsg; }
    bool IsCompiled() const { return m_program != nullptr; }
    QString Language() const { return m_language; }

    // The main block of the compiled program has statements.
    bool HasMainStatements() const;
    // Runs the main block. Run-time errors come back in `error` with false.
    bool RunMain(QString* error = nullptr);
    // True while the main block runs.
    bool IsRunning() const { return m_runningMain; }
    void SetRunning(bool running) { m_runningMain = running; }

    bool HasFunction(const QString& name) const;
    // Runs an event procedure of the compiled program: with `sender` as its argument when it
    // takes one, without arguments when it takes none.
    bool CallEvent(const QString& name, QObject* sender, QString* error = nullptr);
    // Stops a running program at its next step (the user cancelled); the next Compile clears it.
    void Terminate() { m_terminated = true; }
    bool IsTerminated() const { return m_terminated; }
    // Runs a function of the compiled program with the given arguments.
    bool CallFunction(const QString& name, const QList<Variant>& args, Variant& result,
                      QString* error = nullptr);

    // Upper bound of statements and loop rounds one run may execute; 0 means no bound.
    void SetStepLimit(long long steps) { m_stepLimit = steps; }
    long long StepLimit() const { return m_stepLimit; }

    // The languages a program can be written in, in their usual spelling.
    static QStringList Languages();

    // The one-function program that evaluates `expression` in `language` (compared without
    // case) as the function "fr3f" + n; empty for a language that has no such form.
    static QString ExpressionProgram(const QString& language, const QString& expression, int n);

private:
    friend struct frx::script::Runner;
    friend class frx::script::ScriptCompiler;

    struct HostFn {
        int minArgs = 0;
        int maxArgs = 0;
        HostFunction fn;
    };
    static QString Key(const QString& name) { return name.toCaseFolded(); }

    TfrxScript* m_parent = nullptr;
    // Guarded: a template reload frees the objects behind the names.
    QHash<QString, QPointer<QObject>> m_objects;
    QHash<QString, Variant> m_variables;
    QHash<QString, HostFn> m_functions;
    std::shared_ptr<frx::script::Program> m_program;
    QString m_language;
    QString m_errorPos;
    QString m_errorMsg;
    bool m_runningMain = false;
    bool m_terminated = false;
    long long m_stepLimit = 100'000'000;
};

#pragma once
// Named report values: the report's own list (`Variables`) and the process-wide
// `frxGlobalVariables`. Names compare case-insensitively in the user's locale; a name that
// begins with a blank is a category heading that only groups variables for display and is
// never found by a name without that blank.

#include "report/frxVariant.h"

#include <QList>
#include <QString>
#include <QStringList>

class TfrxVariable {
public:
    TfrxVariable() = default;
    TfrxVariable(const QString& name, const Variant& value) : Name(name), Value(value) {}

    QString Name;
    Variant Value = Variant::Null();
};

class TfrxVariables {
public:
    // Appends a variable with an empty name and a Null value and returns it.
    TfrxVariable& Add();
    TfrxVariable& Add(const QString& name, const Variant& value = Variant::Null());
    void Clear() { m_items.clear(); }
    void Delete(int index);
    int Count() const { return static_cast<int>(m_items.size()); }
    TfrxVariable& Items(int index) { return m_items[index]; }
    const TfrxVariable& Items(int index) const { return m_items[index]; }

    // Position of the first variable with that name, or -1.
    int IndexOf(const QString& name) const;
    // The value of the named variable, or Null when there is none.
    Variant Get(const QString& name) const;
    // Sets the value of the named variable, appending the variable when there is none.
    void Set(const QString& name, const Variant& value);

    bool operator==(const TfrxVariables& o) const;

    // The comparison the list uses for names.
    static bool SameName(const QString& a, const QString& b);

private:
    QList<TfrxVariable> m_items;
};

// Shared by every report of the process.
TfrxVariables& frxGlobalVariables();

// The names every report answers itself, in the order it looks at them.
const QStringList& frxBuiltInVariableNames();

#include "report/frxVariables.h"

#include <QCollator>
#include <QLocale>

namespace {

bool StartsWithBlank(const QString& s) { return !s.isEmpty() && s.at(0) == QLatin1Char(' '); }

} // namespace

bool TfrxVariables::SameName(const QString& a, const QString& b) {
    if (a.size() == b.size() && a == b)
        return true;
    // Collation may weigh blanks lightly; a heading must never stand in for a plain name.
    if (StartsWithBlank(a) != StartsWithBlank(b))
        return false;
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    static thread_local QCollator collator = [] {
        QCollator c(QLocale::system());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setIgnorePunctuation(false);
        return c;
    }();
    return collator.compare(a, b) == 0;
}

TfrxVariable& TfrxVariables::Add() {
    m_items.append(TfrxVariable());
    return m_items.last();
}

TfrxVariable& TfrxVariables::Add(const QString& name, const Variant& value) {
    m_items.append(TfrxVariable(name, value));
    return m_items.last();
}

void TfrxVariables::Delete(int index) {
    if (index >= 0 && index < Count())
        m_items.removeAt(index);
}

int TfrxVariables::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameName(m_items[i].Name, name))
            return i;
    return -1;
}

Variant TfrxVariables::Get(const QString& name) const {
    const int i = IndexOf(name);
    return i < 0 ? Variant::Null() : m_items[i].Value;
}

void TfrxVariables::Set(const QString& name, const Variant& value) {
    const int i = IndexOf(name);
    if (i < 0)
        Add(name, value);
    else
        m_items[i].Value = value;
}

bool TfrxVariables::operator==(const TfrxVariables& o) const {
    if (Count() != o.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].Name != o.m_items[i].Name || m_items[i].Value != o.m_items[i].Value)
            return false;
    return true;
}

TfrxVariables& frxGlobalVariables() {
    static TfrxVariables globals;
    return globals;
}

const QStringList& frxBuiltInVariableNames() {
    static const QStringList names = {
        QStringLiteral("Date"),        QStringLiteral("Time"),  QStringLiteral("Page"),
        QStringLiteral("Page#"),       QStringLiteral("TotalPages"),
        QStringLiteral("TotalPages#"), QStringLiteral("Line"),  QStringLiteral("Line#"),
        QStringLiteral("CopyName#"),
    };
    return names;
}

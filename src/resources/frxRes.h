#pragma once
// The report engine's message table: every visible text of the report, preview and printing
// windows is looked up here by a number (101, 200, ...) or by a key ("clPageOf", "prPrinting").

#include <QHash>
#include <QStringList>
#include <QString>

class TfrxResources {
public:
    TfrxResources();

    // The text stored under `key`, without a leading "!". A key that the table does not hold
    // yields the key itself, so a missing text shows up as its name rather than as nothing.
    QString Get(const QString& key) const;
    // Numbered texts are stored under their decimal number: Get(101) == Get("101").
    QString Get(int id) const;

    // True when the table holds `key` (the text may still be empty).
    bool Contains(const QString& key) const;

    // Adds or replaces one entry. The built-in table is filled by the constructor; this is for
    // callers that extend it (and for tests of the "!" rule).
    void Add(const QString& key, const QString& text);

    // All keys, sorted; for tests and diagnostics.
    QStringList Keys() const;

private:
    QHash<QString, QString> m_texts;
};

// The process-wide table, created on first use.
TfrxResources* frxResources();

// Shorthands for frxResources()->Get(...).
QString frxGet(int id);
QString frxGet(const QString& key);
// A message with its "%s" placeholders filled in order (a placeholder without a value stays).
QString frxFillIn(QString text, const QStringList& values);

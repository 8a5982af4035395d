#include "platform/Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace platform::Profile {

namespace {

// Splits the file into lines without their CR LF / LF endings.
QList<QByteArray> ReadLines(const QString& path, bool* exists = nullptr) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (exists)
            *exists = false;
        return {};
    }
    if (exists)
        *exists = true;
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the text after the final line ending
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// The section name of a "[name]" line, or a null array when the line is no header.
QByteArray SectionOf(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.size() < 2 || !t.startsWith('['))
        return {};
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return {};
    QByteArray name = t.mid(1, close - 1).trimmed();
    if (name.isNull())
        name = QByteArray(""); // "[]" names the empty section
    return name;
}

// The key of a "key=value" line, or a null array when the line holds no entry.
QByteArray KeyOf(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return {};
    const QByteArray key = line.left(eq).trimmed();
    if (key.startsWith(';'))
        return {};
    return key.isNull() ? QByteArray("") : key;
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.size() == b.size() && qstrnicmp(a.constData(), b.constData(), a.size()) == 0;
}

} // namespace

QByteArray ReadString(const QString& path, const QByteArray& section, const QByteArray& key,
                      const QByteArray& def) {
    bool inSection = false;
    for (const QByteArray& line : ReadLines(path)) {
        const QByteArray header = SectionOf(line);
        if (!header.isNull()) {
            inSection = SameName(header, section);
            continue;
        }
        if (!inSection)
            continue;
        const QByteArray k = KeyOf(line);
        if (k.isNull() || !SameName(k, key))
            continue;
        QByteArray value = line.mid(line.indexOf('=') + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return def;
}

bool WriteString(const QString& path, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value) {
    QList<QByteArray> lines = ReadLines(path);
    const QByteArray entry = key + '=' + value;

    qsizetype sectionLine = -1; // header of the section
    qsizetype lastEntry = -1;   // last non-blank line of the section
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray header = SectionOf(lines[i]);
        if (!header.isNull()) {
            if (sectionLine >= 0)
                break; // the next section begins
            if (SameName(header, section)) {
                sectionLine = i;
                lastEntry = i;
            }
            continue;
        }
        if (sectionLine < 0)
            continue;
        if (!lines[i].trimmed().isEmpty())
            lastEntry = i;
        const QByteArray k = KeyOf(lines[i]);
        if (!k.isNull() && SameName(k, key)) {
            keyLine = i;
            break;
        }
    }
    if (keyLine >= 0) {
        lines[keyLine] = entry;
    } else if (sectionLine >= 0) {
        lines.insert(lastEntry + 1, entry);
    } else {
        lines.append('[' + section + ']');
        lines.append(entry);
    }

    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + "\r\n";

    // Replacing goes through a new file and a rename, which a read-only file would not stop;
    // the old platform refused to write such a file, and so do we.
    const QFileInfo info(path);
    if ((info.exists() && IsReadOnly(path)) || IsReadOnly(info.absolutePath()))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool IsReadOnly(const QString& path) {
    const QFileInfo fi(path);
    return !fi.isWritable() || !(fi.permissions() & QFileDevice::WriteOwner);
}

} // namespace platform::Profile

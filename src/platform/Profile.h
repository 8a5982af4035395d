#pragma once
// Profile (INI) files as the old desktop platform read and wrote them: 8-bit text (GBK here),
// "[section]" headers, "key=value" lines ending in CR LF. Every call goes to the file; nothing
// is cached between calls. Section and key names compare without regard to ASCII case.

#include <QByteArray>
#include <QString>

namespace platform::Profile {

// The value of key in section, blanks around it and one pair of enclosing quotes removed;
// def when the file, the section or the key is missing.
QByteArray ReadString(const QString& path, const QByteArray& section, const QByteArray& key,
                      const QByteArray& def);

// Writes key=value into section: the key's line is replaced in place when present, otherwise
// added after the section's last entry; the section is added at the end and the file created
// when missing. The file is replaced atomically, so a failed write leaves the old file whole.
// Returns false when the file cannot be written.
bool WriteString(const QString& path, const QByteArray& section, const QByteArray& key,
                 const QByteArray& value);

// Whether a file or folder is read-only for WriteString: not writable, or without its owner's
// write bit (the administrator passes every access check, but a file or folder marked
// read-only stays read-only for everyone).
bool IsReadOnly(const QString& path);

} // namespace platform::Profile

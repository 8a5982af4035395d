// Any bytes as a settings file: reading never fails, and a write of one key reads back as
// written while a key of another section keeps its value.

#include "platform/Profile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString& Path() {
    static const QString path = QDir::tempPath() + QStringLiteral("/sumdrill-fuzz-profile-%1.ini")
                                                       .arg(QString::number(qint64(getpid())));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::Profile;
    {
        QFile f(Path());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QByteArray config("Config"), other("Fuzz");
    const QByteArray before = ReadString(Path(), config, QByteArray("\xCC\xE2\xD0\xCD"), "none");
    ReadString(Path(), QByteArray(), QByteArray(), "none");
    if (!WriteString(Path(), other, "Key", "value 1"))
        return 0;
    if (ReadString(Path(), other, "Key", "none") != "value 1")
        std::abort();
    if (ReadString(Path(), config, QByteArray("\xCC\xE2\xD0\xCD"), "none") != before)
        std::abort();
    return 0;
}

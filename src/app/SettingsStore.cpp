#include "app/SettingsStore.h"

#include "platform/Error.h"
#include "platform/GbkCodec.h"
#include "platform/Profile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cctype>
#include <limits>

#define GBK_KEY(fn, text)                                                                          \
    const QByteArray& SettingsStore::fn() {                                                        \
        static const QByteArray key = platform::Gbk(text);                                         \
        return key;                                                                                \
    }
GBK_KEY(KeyProblemCount, "结果")
GBK_KEY(KeyResultLimit, "题数")
GBK_KEY(KeyOperand1Limit, "数字1范围")
GBK_KEY(KeyOperand2Limit, "数字2范围")
GBK_KEY(KeyProblemType, "题型")
GBK_KEY(KeyDecimalPlaces, "小数点")
GBK_KEY(KeyShowAnswers, "显示结果")
GBK_KEY(Section, "Config")
#undef GBK_KEY

std::optional<int> SettingsStore::ParseInteger(const QByteArray& text) {
    bool ok = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const QByteArray digits = text.mid(2);
        // Only hexadecimal digits; a 32-bit pattern, as the old reader took it.
        for (char c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return std::nullopt;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || v > 0xFFFFFFFFull)
            return std::nullopt;
        return static_cast<int>(static_cast<quint32>(v));
    }
    QByteArray t = text;
    if (t.startsWith('+'))
        t.remove(0, 1);
    if (t.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(t[i])) && !(i == 0 && t[i] == '-'))
            return std::nullopt;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(v);
}

QString SettingsStore::Locate(const QString& programDir, const QString& userDir) {
    const QString beside = QDir(programDir).filePath(QStringLiteral("SystemConfig.ini"));
    if (!platform::Profile::IsReadOnly(programDir))
        return beside;
    const QString own = QDir(userDir).filePath(QStringLiteral("SystemConfig.ini"));
    if (QDir().mkpath(userDir) && !QFileInfo::exists(own) && QFileInfo::exists(beside)) {
        // The copy keeps the read-only bits of the file it came from; the user's own copy is
        // theirs to write.
        if (QFile::copy(beside, own))
            QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    return own;
}

QString SettingsStore::DefaultPath() {
    return Locate(QCoreApplication::applicationDirPath(),
                  QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                      QStringLiteral("/sumdrill"));
}

int SettingsStore::ReadInteger(const QByteArray& key, int def) const {
    const QByteArray text = platform::Profile::ReadString(m_path, Section(), key, QByteArray());
    return ParseInteger(text).value_or(def);
}

bool SettingsStore::ReadBool(const QByteArray& key) const { return ReadInteger(key, 0) != 0; }

void SettingsStore::WriteInteger(const QByteArray& key, int value) const {
    if (!platform::Profile::WriteString(m_path, Section(), key, QByteArray::number(value)))
        throw platform::Error(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(m_path)));
}

void SettingsStore::WriteBool(const QByteArray& key, bool value) const {
    WriteInteger(key, value ? 1 : 0);
}

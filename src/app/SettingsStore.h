#pragma once
// The seven choices of the main window, kept in SystemConfig.ini beside the executable, or in
// the user's configuration folder when the program's folder cannot be written (section
// "Config", GBK key names, CR LF lines). Holds only the path: every read and write goes to the
// file.

#include <QByteArray>
#include <QString>

#include <optional>

class SettingsStore {
public:
    // GBK key names, in the order they are written and read.
    static const QByteArray& KeyProblemCount();  // "结果": index in the problem-count list
    static const QByteArray& KeyResultLimit();   // "题数": index in the result-limit list
    static const QByteArray& KeyOperand1Limit(); // "数字1范围"
    static const QByteArray& KeyOperand2Limit(); // "数字2范围"
    static const QByteArray& KeyProblemType();   // "题型"
    static const QByteArray& KeyDecimalPlaces(); // "小数点"
    static const QByteArray& KeyShowAnswers();   // "显示结果"
    static const QByteArray& Section();          // "Config"

    explicit SettingsStore(QString path = {}) : m_path(std::move(path)) {}
    const QString& Path() const { return m_path; }
    void SetPath(const QString& path) { m_path = path; }

    // The key's number: decimal, or hexadecimal after "0x"/"0X"; def when the text is no
    // 32-bit integer or the key is missing.
    int ReadInteger(const QByteArray& key, int def) const;
    // A check state: on when the number (default 0) is not 0.
    bool ReadBool(const QByteArray& key) const;

    // Raise "Unable to write to <path>" when the file cannot be written.
    void WriteInteger(const QByteArray& key, int value) const;
    void WriteBool(const QByteArray& key, bool value) const;

    // The number rule on its own.
    static std::optional<int> ParseInteger(const QByteArray& text);

    // Where the settings file lives: SystemConfig.ini in `programDir`, beside the program, as
    // the design has it, unless that folder cannot be written (a program installed for all
    // users): then SystemConfig.ini in `userDir`, which is created and, the first time, given
    // the contents of the file beside the program when there is one. A read-only file in a
    // writable folder stays where it is (writing it then fails as designed).
    static QString Locate(const QString& programDir, const QString& userDir);
    // Locate for this program, with the user's folder "sumdrill" in their configuration folder.
    static QString DefaultPath();

private:
    QString m_path;
};

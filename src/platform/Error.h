#pragma once
// Errors are raised as exceptions carrying a message text. An error that reaches an event
// handler is shown by the application in its error box and ends the handler; Guarded() is the
// one place where that happens, so no exception ever crosses a Qt event boundary.

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace platform {

// The program's error: a message text.
class Error : public std::exception {
public:
    explicit Error(QString message)
        : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The message of any error: the text of an Error, what() (UTF-8) of any other exception.
QString MessageOf(const std::exception& e);

// The text the error box shows: the message with a full stop appended when it has none.
QString ErrorBoxText(const QString& message);

// Shows the application's error box: titled with the application's name, an error icon, OK.
void ShowErrorBox(const QString& message);

// Runs an event handler; an error it raises is shown in the error box and the handler's
// remaining steps are skipped. Returns whether the handler finished.
bool Guarded(const std::function<void()>& handler) noexcept;

// Where errors go instead of the box when installed as a service (the command line's standard
// error, tests that drive many handlers); none or an empty one: the box.
using ErrorSink = std::function<void(const QString& boxText)>;

} // namespace platform

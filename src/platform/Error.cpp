#include "platform/Error.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

namespace {
std::function<void(const QString&)> g_sink;
}

QString MessageOf(const std::exception& e) {
    if (const auto* own = dynamic_cast<const Error*>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

QString ErrorBoxText(const QString& message) {
    if (message.endsWith(QLatin1Char('.')))
        return message;
    return message + QLatin1Char('.');
}

void ShowErrorBox(const QString& message) {
    const QString text = ErrorBoxText(message);
    if (g_sink) {
        g_sink(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

bool Guarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        try {
            ShowErrorBox(MessageOf(e));
        } catch (...) {
        }
    } catch (...) {
        try {
            ShowErrorBox(QStringLiteral("Unknown error"));
        } catch (...) {
        }
    }
    return false;
}

void SetErrorSink(std::function<void(const QString&)> sink) { g_sink = std::move(sink); }

} // namespace platform

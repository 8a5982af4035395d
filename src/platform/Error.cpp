#include "platform/Error.h"

#include "platform/Registry.h"

#include <QApplication>
#include <QMessageBox>

namespace platform {

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
    if (const std::shared_ptr<ErrorSink> sink = Registry::Shared<ErrorSink>(); sink && *sink) {
        (*sink)(text);
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

} // namespace platform

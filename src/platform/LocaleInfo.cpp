#include "platform/LocaleInfo.h"

#include <QLocale>

namespace platform {

QChar DecimalSeparator() {
    const QString sep = QLocale::system().decimalPoint();
    if (sep.isEmpty() || sep.at(0).isNull())
        return QLatin1Char('.');
    return sep.at(0);
}

} // namespace platform

#include "platform/Convert.h"

#include "platform/Error.h"

namespace platform {

int StrToInt(const QString& text) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok)
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text.left(100)));
    return v;
}

} // namespace platform

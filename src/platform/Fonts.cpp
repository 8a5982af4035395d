#include "platform/Fonts.h"

#include <QFont>
#include <QString>
#include <QStringList>

namespace platform {

void InstallFontSubstitutions() {
    struct Entry {
        const char* family;
        const char* faces;
    };
    // Song faces for the Chinese designs; metric twins for the Latin ones; DejaVu last.
    static const Entry table[] = {
        {"宋体", "AR PL UMing CN,AR PL UMing TW,AR PL UMing HK,Noto Serif CJK SC,DejaVu Sans"},
        {"SimSun", "AR PL UMing CN,AR PL UMing TW,Noto Serif CJK SC,DejaVu Sans"},
        {"新宋体", "AR PL UMing CN,AR PL UMing TW,Noto Serif CJK SC,DejaVu Sans"},
        {"Arial", "Liberation Sans,DejaVu Sans,AR PL UMing CN"},
        {"MS Sans Serif", "Liberation Sans,DejaVu Sans,AR PL UMing CN"},
        {"Tahoma", "DejaVu Sans,Liberation Sans,AR PL UMing CN"},
        {"Times New Roman", "Liberation Serif,DejaVu Serif,AR PL UMing CN"},
        {"Courier New", "Liberation Mono,DejaVu Sans Mono,AR PL UMing CN"},
    };
    for (const Entry& e : table) {
        const QString family = QString::fromUtf8(e.family);
        QFont::removeSubstitutions(family);
        QFont::insertSubstitutions(family, QString::fromUtf8(e.faces).split(QLatin1Char(',')));
    }
}

} // namespace platform

#include "common/U_Common.h"

namespace U_Common {

namespace {
WorksheetSettings g_settings;
QString g_settingsPath;
} // namespace

int AddSubToggle = 1;
int MulDivToggle = 3;

WorksheetSettings& Settings() { return g_settings; }

const QString& SettingsPath() { return g_settingsPath; }

void SetSettingsPath(const QString& path) { g_settingsPath = path; }

} // namespace U_Common

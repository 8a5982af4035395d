#pragma once
// The windows and the printed page ask for fonts by the names their designs use ("宋体", "Arial",
// "MS Sans Serif"); this maps those names onto the faces installed here.

namespace platform {

// Registers the font substitutions with the application. Call once after the application
// object exists and before any window is created.
void InstallFontSubstitutions();

} // namespace platform

#pragma once
// Process-wide values shared by the main window, the generator and the worksheet window.

#include <QString>

// The worksheet settings of the last press of the generate button.
struct WorksheetSettings {
    int ProblemCount = 10;  // 10..100 in steps of 10
    int ResultLimit = 10;   // largest value a problem may have
    int Operand1Limit = 10; // operand 1 is drawn from 1..Operand1Limit
    int Operand2Limit = 10; // operand 2 is drawn from 1..Operand2Limit
    int ProblemType = 0;    // index into the problem-type list, 0..7
    int DecimalPlaces = 0;  // places kept in division values, 0..3
    bool ShowAnswers = false;
};

namespace U_Common {

// The one shared record, filled by the main window.
WorksheetSettings& Settings();

// Full path of the settings file (SettingsStore::Locate says where it is).
const QString& SettingsPath();
void SetSettingsPath(const QString& path);

// Alternation states of the two mixed problem types: AddSubToggle holds 1 or 2, MulDivToggle
// 3 or 4. Set once when the main window is created; never reset afterwards.
extern int AddSubToggle;
extern int MulDivToggle;

} // namespace U_Common

#pragma once
// The worksheet settings the tests start from.

#include "common/U_Common.h"

// `count` problems of `type` with `decimals` places, results up to 100 and operands up to 50,
// everything else as a new installation has it.
inline WorksheetSettings SheetSettings(int count, int type, int decimals = 0,
                                       bool answers = false) {
    WorksheetSettings s;
    s.ProblemCount = count;
    s.ResultLimit = 100;
    s.Operand1Limit = 50;
    s.Operand2Limit = 50;
    s.ProblemType = type;
    s.DecimalPlaces = decimals;
    s.ShowAnswers = answers;
    return s;
}

// The same, as the shared settings the worksheet window reads.
inline WorksheetSettings& StartWorksheetSettings(int count, int type, int decimals = 0) {
    return U_Common::Settings() = SheetSettings(count, type, decimals);
}

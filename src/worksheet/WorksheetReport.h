#pragma once
// The worksheet's print template (frxReport1): one A4 page with seven text objects whose texts
// are the bracketed names "[var1]" .. "[var7]", and the values the worksheet answers for them.

#include "report/frxVariant.h"

#include <QString>

#include <memory>

class TfrxReport;

namespace worksheet {

class Worksheet;

// A report holding the template, with every property, object, position, font and flag it stores.
std::unique_ptr<TfrxReport> CreateWorksheetReport();

// The value callback's answer for `varName` (exact names, case counts): "var1".."var5" the lines
// of that layout column for the first `problemCount` slots, each ending in a carriage return;
// "var6" the header line with the problem count; "var7" the title. Any other name leaves
// `value` as it came, so the engine goes on with its own lookup.
void WorksheetValue(const Worksheet& sheet, int problemCount, const QString& varName,
                    Variant& value);

} // namespace worksheet

#pragma once
// What the user's locale settings say about numbers.

#include <QChar>

namespace platform {

// The decimal separator of the user's locale; a full stop when the locale gives none.
QChar DecimalSeparator();

} // namespace platform

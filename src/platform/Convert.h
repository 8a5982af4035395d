#pragma once
// Text-to-number conversions of the old run-time library, with its error texts.

#include <QString>

namespace platform {

// A decimal integer: an optional sign and digits, with blanks around them at most. Raises
// platform::Error "'<text>' is not a valid integer value" otherwise (the text cut at 100
// characters, so a pasted page of text does not become the error box).
int StrToInt(const QString& text);

} // namespace platform

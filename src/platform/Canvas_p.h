#pragma once
// Shared by the canvases that format text through Qt.

#include "platform/Canvas.h"

#include <QFontMetrics>
#include <QString>

namespace platform {

// TextFormat flags as Qt text flags; "&" stays literal because no mnemonic flag is ever set.
int QtTextFlags(unsigned flags);
// The text cut with an ellipsis to the rectangle's width when EndEllipsis asks for it.
QString ElideIfAsked(const QFontMetrics& fm, const QString& text, const Rect& r, unsigned flags);

} // namespace platform

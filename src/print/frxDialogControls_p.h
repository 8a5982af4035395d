// Controls of the print dialog and the page settings window, placed at their design pixels.

#pragma once

#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

namespace frxDialogControls {

template <class W>
W* Make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

// "&" in a label's text is text here, never an accelerator.
inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text,
                         const QRect& geometry) {
    auto* l = Make<QLabel>(parent, name, geometry);
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    return l;
}

} // namespace frxDialogControls

#pragma once
// Detail of the printers unit that no other unit needs.

#include <QList>
#include <QString>

class QWidget;

namespace platform {
struct DeviceMode;
struct NamedCode;
} // namespace platform

// The properties dialog of one printer: edits paper, orientation, paper source, copies and
// duplex of `mode` and writes them back when the user confirms (true). Owned by `owner`.
bool frxShowDeviceModeDialog(QWidget* owner, const QString& printerName,
                             platform::DeviceMode& mode, const QList<platform::NamedCode>& papers,
                             const QList<platform::NamedCode>& bins);

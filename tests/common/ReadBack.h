#pragma once
// What the program wrote, read back for comparison: everything a prepared page draws on a
// printer's sheet, and an independent XML parser's verdict on a saved file.

#include "platform/CanvasRecording.h"
#include "report/frxRuntime.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// Everything page `index` draws at 600 dpi on a printer's sheet, one line per call: kind and
// bounds, and for text its characters, origin, font and advances.
inline QStringList PrintedSheet(TfrxCustomPreviewPages& store, int index) {
    platform::RecordingCanvas sheet(600, 600, true);
    store.RenderPage(index, &sheet, 600 / 96.0, 600 / 96.0, 0, 0);
    QStringList out;
    for (const platform::CanvasRecord& r : sheet.Records()) {
        QString line = QStringLiteral("%1 [%2,%3,%4,%5]")
                           .arg(int(r.Kind))
                           .arg(r.Bounds.Left)
                           .arg(r.Bounds.Top)
                           .arg(r.Bounds.Right)
                           .arg(r.Bounds.Bottom);
        if (!r.Text.isEmpty()) {
            line += QStringLiteral(" \"%1\" at %2,%3 %4 %5px%6 adv")
                        .arg(r.Text)
                        .arg(r.Origin.x())
                        .arg(r.Origin.y())
                        .arg(r.Font.Name)
                        .arg(r.Font.Height)
                        .arg(r.Font.Bold ? QStringLiteral(" bold") : QString());
            for (int a : r.Advances)
                line += QLatin1Char(' ') + QString::number(a);
        }
        out << line;
    }
    return out;
}

// xmllint's verdict on a file: empty when well-formed, else what it said.
inline QString XmlLint(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    if (!p.waitForFinished(120000))
        return QStringLiteral("xmllint did not run: ") + p.errorString();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString::fromLocal8Bit(p.readAllStandardError()) +
               QStringLiteral(" (exit %1)").arg(p.exitCode());
    return QString();
}

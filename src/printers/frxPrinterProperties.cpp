// The printer properties dialog: the settings record of one printer, as a small form.

#include "platform/PrintService.h"
#include "printers/frxPrinter_p.h"
#include "resources/frxRes.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

bool frxShowDeviceModeDialog(QWidget* owner, const QString& printerName,
                             platform::DeviceMode& mode, const QList<platform::NamedCode>& papers,
                             const QList<platform::NamedCode>& bins) {
    using DM = platform::DeviceMode;
    QDialog dlg(owner);
    dlg.setObjectName(QStringLiteral("PrinterPropertiesForm"));
    dlg.setWindowTitle(QStringLiteral("%1 %2").arg(printerName, frxGet(209)));

    auto* form = new QFormLayout;

    auto* paperCB = new QComboBox(&dlg);
    paperCB->setObjectName(QStringLiteral("PaperCB"));
    for (const platform::NamedCode& p : papers)
        paperCB->addItem(p.Name, p.Code);
    if (int i = paperCB->findData(mode.PaperSize); i >= 0)
        paperCB->setCurrentIndex(i);
    form->addRow(QStringLiteral("Paper:"), paperCB);

    auto* portraitRB = new QRadioButton(frxGet(410), &dlg);
    portraitRB->setObjectName(QStringLiteral("PortraitRB"));
    auto* landscapeRB = new QRadioButton(frxGet(411), &dlg);
    landscapeRB->setObjectName(QStringLiteral("LandscapeRB"));
    (mode.Orientation == DM::Landscape ? landscapeRB : portraitRB)->setChecked(true);
    auto* orientationBox = new QVBoxLayout;
    orientationBox->addWidget(portraitRB);
    orientationBox->addWidget(landscapeRB);
    form->addRow(QStringLiteral("Orientation:"), orientationBox);

    // The automatic source is always offered, whether or not the driver lists it.
    auto* sourceCB = new QComboBox(&dlg);
    sourceCB->setObjectName(QStringLiteral("SourceCB"));
    sourceCB->addItem(frxGet(QStringLiteral("prDefault")), 7);
    for (const platform::NamedCode& b : bins)
        if (b.Code != 7)
            sourceCB->addItem(b.Name, b.Code);
    if (int i = sourceCB->findData(mode.DefaultSource); i >= 0)
        sourceCB->setCurrentIndex(i);
    form->addRow(QStringLiteral("Paper source:"), sourceCB);

    auto* copiesE = new QSpinBox(&dlg);
    copiesE->setObjectName(QStringLiteral("CopiesE"));
    copiesE->setRange(1, 9999);
    copiesE->setValue(qMax(1, mode.Copies));
    form->addRow(QStringLiteral("Copies:"), copiesE);

    auto* duplexCB = new QComboBox(&dlg);
    duplexCB->setObjectName(QStringLiteral("DuplexCB"));
    duplexCB->addItem(QStringLiteral("One-sided"), int(DM::DuplexSimplex));
    duplexCB->addItem(QStringLiteral("Two-sided, long edge"), int(DM::DuplexVertical));
    duplexCB->addItem(QStringLiteral("Two-sided, short edge"), int(DM::DuplexHorizontal));
    if (int i = duplexCB->findData(mode.Duplex); i >= 0)
        duplexCB->setCurrentIndex(i);
    form->addRow(QStringLiteral("Duplex:"), duplexCB);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);

    auto* layout = new QVBoxLayout(&dlg);
    layout->addLayout(form);
    layout->addWidget(buttons);

    if (dlg.exec() != QDialog::Accepted)
        return false;

    if (paperCB->currentIndex() >= 0)
        mode.PaperSize = paperCB->currentData().toInt();
    mode.Orientation = landscapeRB->isChecked() ? DM::Landscape : DM::Portrait;
    mode.DefaultSource = sourceCB->currentData().toInt();
    mode.Copies = copiesE->value();
    mode.Duplex = duplexCB->currentData().toInt();
    mode.Fields |= DM::FieldPaperSize | DM::FieldOrientation | DM::FieldDefaultSource |
                   DM::FieldCopies | DM::FieldDuplex;
    return true;
}

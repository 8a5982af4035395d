#pragma once
// The find dialog and the preview's Find and Find next: the text and the two options are asked
// for, the prepared pages are searched (frxSearch), and the hit is scrolled into view and
// shown inverted until a later search.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TfrxPreview;

class TfrxSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrxSearchDialog(QWidget* parent = nullptr);

    // Controls, by their design names. The replace panel exists but is never shown.
    QLabel* TextL;
    QLineEdit* TextE;
    QWidget* ReplacePanel;
    QLabel* ReplaceL;
    QLineEdit* ReplaceE;
    QGroupBox* SearchL;
    QCheckBox* TopCB;
    QCheckBox* CaseCB;
    QPushButton* OkB;
    QPushButton* CancelB;

    void FormShow();
    // OK keeps the text as the last one entered.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
};

// Find (the Find button, Ctrl+F): runs the dialog, then searches; either way F3 is allowed
// afterwards.
void frxFind(TfrxPreview* preview);
// Find next (F3): the same search again, after the last hit.
void frxFindNext(TfrxPreview* preview);

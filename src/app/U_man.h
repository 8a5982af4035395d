#pragma once
// The main window: the settings of the next worksheet, kept in the settings file, and the
// button that generates it.

#include "app/SettingsStore.h"
#include "worksheet/U_Shengcheng.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;


class TF_man : public QWidget {
    Q_OBJECT
public:
    explicit TF_man(QWidget* parent = nullptr);

    // The worksheet window the generate button shows; set at start-up.
    void SetWorksheetWindow(Tfrm_Shengcheng* window) { frm_Shengcheng = window; }

    // Runs once after creation: toggles, settings path (the executable's directory +
    // "SystemConfig.ini"), then loads the settings file or creates it.
    void FormCreate();
    // The same with the settings file elsewhere.
    void FormCreate(const QString& settingsPath);

    // Event handlers (each runs through the error guard when the control fires it).
    void CB_TishuChange();
    void CB_JieguoheChange();
    void CB_Shuzhi1Change();
    void CB_Shuzhi2Change();
    void CB_TixingChange();
    void CB_XiaoshuweiChange();
    void ChB_ShowClick();
    void B_ShengchengClick();
    void B_ExitClick();

    void LoadSettings();
    void WriteAllSettings();
    // Fills the shared worksheet settings from the controls, after writing all keys.
    void CollectWorksheetSettings();

    const SettingsStore& Store() const { return m_store; }

    QComboBox* CB_Tishu;
    QComboBox* CB_Jieguohe;
    QComboBox* CB_Shuzhi1;
    QComboBox* CB_Shuzhi2;
    QComboBox* CB_Tixing;
    QComboBox* CB_Xiaoshuwei;
    QPushButton* B_Shengcheng;
    QCheckBox* ChB_Save;
    QCheckBox* ChB_Show;
    QPushButton* B_Exit;
    QPlainTextEdit* M_txt;
    QLabel* L_Tishu;
    QLabel* Label1;
    QLabel* L_Jieguohe;
    QLabel* Label2;
    QLabel* L_Shuzhi1;
    QLabel* Label3;
    QLabel* L_Shuzhi2;
    QLabel* Label4;
    QLabel* L_Tixing;
    QLabel* L_Xiaoshuwei;

private:
    QComboBox* MakeList(const char* name, const QStringList& items, int index,
                        const QRect& geometry, void (TF_man::*handler)());
    QLabel* MakeLabel(const char* name, const char* text, const QRect& geometry);
    void WriteListIndex(const QByteArray& key, const QComboBox* list);

    SettingsStore m_store;
    QPointer<Tfrm_Shengcheng> frm_Shengcheng;
};

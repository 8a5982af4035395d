#include "app/U_man.h"

#include "common/U_Common.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "worksheet/U_Shengcheng.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QStringList LimitItems() {
    return {U("10"), U("20"),  U("30"),  U("40"),  U("50"),  U("60"),  U("70"),  U("80"),
            U("90"), U("100"), U("150"), U("200"), U("300"), U("500"), U("1000")};
}

// The notes below the controls.
QString NotesText() {
    return QStringList{U(""),
                       U("1,本程序为小学生四则运算随机出题使用 "),
                       U(""),
                       U("2,除数小数点已解决，已优化随机数的产生"),
                       U(""),
                       U("3,在使用过程中如有问题请与我联系"),
                       U(""),
                       U("4,所选的题数和范围会自动保存，下次打开时恢复"),
                       U(""),
                       U("5,勾选显示结果可打印带答案的题目，方便批改")}
        .join(QLatin1Char('\n'));
}

} // namespace

TF_man::TF_man(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("F_man"));
    setWindowTitle(U("Sumwell V1.4 By Tarnwick Quill版"));
    // The design's outer size is 466 x 462 at (192, 128); the client area is that less a
    // sizeable frame (8 px each side) and a caption (31 px).
    move(192, 128);
    setFixedSize(450, 423);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    L_Tishu = MakeLabel("L_Tishu", "出题数量：", QRect(24, 32, 65, 13));
    CB_Tishu = MakeList("CB_Tishu",
                        {U("10"), U("20"), U("30"), U("40"), U("50"), U("60"), U("70"), U("80"),
                         U("90"), U("100")},
                        0, QRect(96, 32, 81, 21), &TF_man::CB_TishuChange);
    Label1 = MakeLabel("Label1", "道", QRect(176, 32, 12, 13));
    L_Jieguohe = MakeLabel("L_Jieguohe", "计算结果范围：", QRect(216, 32, 97, 17));
    CB_Jieguohe = MakeList("CB_Jieguohe", LimitItems(), 0, QRect(320, 32, 81, 21),
                           &TF_man::CB_JieguoheChange);
    Label2 = MakeLabel("Label2", "以内", QRect(400, 32, 33, 17));
    L_Shuzhi1 = MakeLabel("L_Shuzhi1", "数字1范围：", QRect(16, 80, 73, 13));
    CB_Shuzhi1 = MakeList("CB_Shuzhi1", LimitItems(), 0, QRect(96, 80, 81, 21),
                          &TF_man::CB_Shuzhi1Change);
    Label3 = MakeLabel("Label3", "以内", QRect(176, 80, 33, 17));
    L_Shuzhi2 = MakeLabel("L_Shuzhi2", "数字2范围：", QRect(240, 80, 73, 17));
    CB_Shuzhi2 = MakeList("CB_Shuzhi2", LimitItems(), 0, QRect(320, 80, 81, 21),
                          &TF_man::CB_Shuzhi2Change);
    Label4 = MakeLabel("Label4", "以内", QRect(400, 80, 33, 17));
    L_Tixing = MakeLabel("L_Tixing", "题型：", QRect(53, 120, 36, 13));
    CB_Tixing = MakeList("CB_Tixing",
                         {U("加+"), U("减-"), U("乘x"), U("除÷"), U("加减混合+-"),
                          U("乘除混合x÷"), U("加减乘混合+-x"), U("加减乘除混合+-x÷")},
                         4, QRect(96, 120, 81, 21), &TF_man::CB_TixingChange);
    L_Xiaoshuwei = MakeLabel("L_Xiaoshuwei", "小数点：", QRect(265, 120, 48, 13));
    CB_Xiaoshuwei = MakeList("CB_Xiaoshuwei", {U("0"), U("1"), U("2"), U("3")}, 0,
                             QRect(320, 120, 81, 21), &TF_man::CB_XiaoshuweiChange);

    B_Shengcheng = new QPushButton(U("生  成"), this);
    B_Shengcheng->setObjectName(QStringLiteral("B_Shengcheng"));
    B_Shengcheng->setGeometry(40, 168, 75, 25);
    connect(B_Shengcheng, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { B_ShengchengClick(); }); });

    ChB_Save = new QCheckBox(U("自动保存"), this);
    ChB_Save->setObjectName(QStringLiteral("ChB_Save"));
    ChB_Save->setGeometry(136, 176, 81, 17);
    ChB_Save->setChecked(true);
    ChB_Save->setEnabled(false);

    ChB_Show = new QCheckBox(U("显示结果"), this);
    ChB_Show->setObjectName(QStringLiteral("ChB_Show"));
    ChB_Show->setGeometry(232, 176, 81, 17);
    // The click handler follows every change of state, also one made by the program.
    connect(ChB_Show, &QCheckBox::toggled, this,
            [this] { platform::Guarded([this] { ChB_ShowClick(); }); });

    B_Exit = new QPushButton(U("退  出"), this);
    B_Exit->setObjectName(QStringLiteral("B_Exit"));
    B_Exit->setGeometry(328, 168, 75, 25);
    connect(B_Exit, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { B_ExitClick(); }); });

    M_txt = new QPlainTextEdit(this);
    M_txt->setObjectName(QStringLiteral("M_txt"));
    M_txt->setGeometry(24, 208, 401, 185);
    M_txt->setFrameShape(QFrame::Box); // flat border
    M_txt->setFrameShadow(QFrame::Plain);
    M_txt->setLineWidth(1);
    M_txt->setReadOnly(true);
    M_txt->setTextInteractionFlags(Qt::NoTextInteraction);
    M_txt->setPlainText(NotesText());
    M_txt->setEnabled(false);
    QFont notes(U("宋体"));
    notes.setPixelSize(16);
    notes.setBold(true);
    M_txt->setFont(notes);
    // The hot-light colour, kept when the control is disabled so the notes stay readable.
    QPalette pal = M_txt->palette();
    const QColor hotLight(0, 102, 204);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(g, QPalette::Text, hotLight);
    M_txt->setPalette(pal);

    // Tab order of the design.
    QWidget* order[] = {CB_Tishu, CB_Jieguohe,  CB_Shuzhi1, CB_Shuzhi2, CB_Tixing, CB_Xiaoshuwei,
                        B_Shengcheng, ChB_Save, ChB_Show,   B_Exit,     M_txt};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

QLabel* TF_man::MakeLabel(const char* name, const char* text, const QRect& geometry) {
    auto* label = new QLabel(U(text), this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QComboBox* TF_man::MakeList(const char* name, const QStringList& items, int index,
                            const QRect& geometry, void (TF_man::*handler)()) {
    auto* list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    list->addItems(items);
    list->setCurrentIndex(index);
    list->setGeometry(geometry);
    list->setMaxVisibleItems(items.size());
    // Only the user's choice runs the change handler, as the design has it.
    connect(list, &QComboBox::activated, this,
            [this, handler] { platform::Guarded([this, handler] { (this->*handler)(); }); });
    return list;
}

void TF_man::FormCreate() { FormCreate(SettingsStore::DefaultPath()); }

void TF_man::FormCreate(const QString& settingsPath) {
    U_Common::AddSubToggle = 1;
    U_Common::MulDivToggle = 3;
    U_Common::SetSettingsPath(settingsPath);
    m_store.SetPath(U_Common::SettingsPath());
    if (QFileInfo::exists(m_store.Path()))
        LoadSettings();
    else
        WriteAllSettings();
}

void TF_man::LoadSettings() {
    CB_Tishu->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyProblemCount(), 0));
    CB_Jieguohe->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyResultLimit(), 0));
    CB_Shuzhi1->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyOperand1Limit(), 0));
    CB_Shuzhi2->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyOperand2Limit(), 0));
    CB_Tixing->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyProblemType(), 0));
    CB_Xiaoshuwei->setCurrentIndex(m_store.ReadInteger(SettingsStore::KeyDecimalPlaces(), 0));
    ChB_Show->setChecked(m_store.ReadBool(SettingsStore::KeyShowAnswers()));
}

void TF_man::WriteListIndex(const QByteArray& key, const QComboBox* list) {
    m_store.WriteInteger(key, list->currentIndex());
}

void TF_man::WriteAllSettings() {
    WriteListIndex(SettingsStore::KeyProblemCount(), CB_Tishu);
    WriteListIndex(SettingsStore::KeyResultLimit(), CB_Jieguohe);
    WriteListIndex(SettingsStore::KeyOperand1Limit(), CB_Shuzhi1);
    WriteListIndex(SettingsStore::KeyOperand2Limit(), CB_Shuzhi2);
    WriteListIndex(SettingsStore::KeyProblemType(), CB_Tixing);
    WriteListIndex(SettingsStore::KeyDecimalPlaces(), CB_Xiaoshuwei);
    m_store.WriteBool(SettingsStore::KeyShowAnswers(), ChB_Show->isChecked());
}

void TF_man::CB_TishuChange() { WriteListIndex(SettingsStore::KeyProblemCount(), CB_Tishu); }
void TF_man::CB_JieguoheChange() { WriteListIndex(SettingsStore::KeyResultLimit(), CB_Jieguohe); }
void TF_man::CB_Shuzhi1Change() { WriteListIndex(SettingsStore::KeyOperand1Limit(), CB_Shuzhi1); }
void TF_man::CB_Shuzhi2Change() { WriteListIndex(SettingsStore::KeyOperand2Limit(), CB_Shuzhi2); }
void TF_man::CB_TixingChange() { WriteListIndex(SettingsStore::KeyProblemType(), CB_Tixing); }
void TF_man::CB_XiaoshuweiChange() {
    WriteListIndex(SettingsStore::KeyDecimalPlaces(), CB_Xiaoshuwei);
}

void TF_man::ChB_ShowClick() {
    m_store.WriteBool(SettingsStore::KeyShowAnswers(), ChB_Show->isChecked());
}

void TF_man::CollectWorksheetSettings() {
    WriteAllSettings();
    WorksheetSettings& s = U_Common::Settings();
    s.ProblemCount = platform::StrToInt(CB_Tishu->currentText());
    s.ResultLimit = platform::StrToInt(CB_Jieguohe->currentText());
    s.Operand1Limit = platform::StrToInt(CB_Shuzhi1->currentText());
    s.Operand2Limit = platform::StrToInt(CB_Shuzhi2->currentText());
    s.ProblemType = CB_Tixing->currentIndex();
    s.DecimalPlaces = platform::StrToInt(CB_Xiaoshuwei->currentText());
    s.ShowAnswers = ChB_Show->isChecked();
}

void TF_man::B_ShengchengClick() {
    B_Shengcheng->setText(U("生成中"));
    B_Shengcheng->setEnabled(false);
    // Runs also when collecting the settings fails; the error box comes after it.
    const auto restore = qScopeGuard([this] {
        B_Shengcheng->setEnabled(true);
        B_Shengcheng->setText(U("生  成"));
    });
    CollectWorksheetSettings();
    if (frm_Shengcheng)
        frm_Shengcheng->ShowModal();
}

void TF_man::B_ExitClick() { close(); }

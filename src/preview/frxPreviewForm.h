#pragma once
// The preview window: a tool bar, the preview control and a two-panel status bar. The report
// opens it (frxShowPreview, the way start-up hands the report) and prepares itself inside it.

#include "preview/frxPreview.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;
class TfrxReport;

class TfrxPreviewForm : public QDialog, public TfrxPreviewWindowLink {
    Q_OBJECT
public:
    explicit TfrxPreviewForm(QWidget* parent = nullptr);
    ~TfrxPreviewForm() override;

    TfrxPreview* Preview() const { return m_preview; }
    TfrxReport* Report() const { return m_preview->Report(); }

    // Takes the report's preview options: control panes, zoom, buttons, caption, menu.
    void InitFromOptions();

    // TfrxPreviewWindowLink
    void RefreshButtonStates() override;
    void SetPreparing(bool preparing) override;
    void UpdateZoomText() override;
    void UpdatePaneButtons() override;
    void ShowHint(const QString& text) override;

    void ShowPageStatus(int pageNo);
    void ToggleFullScreen();
    bool IsFullScreen() const { return m_fullScreen; }
    // Frees itself when closed (a window shown without a modal loop).
    bool FreeOnClose = false;

    // Handlers, named after their controls.
    void PrintBClick();
    void OpenBClick();
    void SaveBClick();
    void FindBClick();
    void ZoomPlusBClick();
    void ZoomMinusBClick();
    void ZoomCBClick();
    void FullScreenBtnClick();
    void OutlineBClick();
    void ThumbBClick();
    void PageSettingsBClick();
    void DesignerBClick();
    void Showtemplate1Click();
    void FirstBClick();
    void PriorBClick();
    void NextBClick();
    void LastBClick();
    void PageEClick();
    void CancelBClick();
    void CollapseAllClick();
    void ExpandAllClick();
    void PdfBClick();
    void EmailBClick();

    // Asks where an export goes: (file dialog filter, suggested name) -> chosen name, empty when
    // cancelled. A save-file dialog unless replaced.
    std::function<QString(const QString& filter, const QString& suggested)> AskFileName;

    // Controls, by their design names.
    QToolBar* ToolBar;
    QAction* PrintB;
    QAction* OpenB;
    QAction* SaveB;
    QAction* ExportB;
    QAction* PdfB;
    QAction* EmailB;
    QAction* FindB;
    QAction* Sep1;
    QAction* ZoomPlusB;
    QComboBox* ZoomCB;
    QAction* Sep3; // the zoom box's panel
    QAction* ZoomMinusB;
    QAction* FullScreenBtn;
    QAction* Sep2;
    QAction* OutlineB;
    QAction* ThumbB;
    QAction* PageSettingsB;
    QAction* DesignerB;
    QAction* Sep5;
    QAction* FirstB;
    QAction* PriorB;
    QLineEdit* PageE;
    QAction* Sep4; // the page box's panel
    QAction* NextB;
    QAction* LastB;
    QToolButton* CancelB;
    QAction* CancelBAction;
    QStatusBar* StatusBar;
    QLabel* StatusPanel0;
    QLabel* StatusPanel1;
    QMenu* RightMenu;
    QAction* CollapseAllItem;
    QAction* ExpandAllItem;
    QAction* RightMenuSep;
    QMenu* HiddenMenu;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    void reject() override;
    void CloseWindow() override { reject(); }
    // Every way of closing ends here: the report's OnClosePreview fires once the window is shut.
    void done(int result) override;

private:
    void FormCreate();
    QAction* AddButton(int image, int captionId, int hintId, void (TfrxPreviewForm::*handler)(),
                       const char* name, bool check = false);
    void BuildRightMenu();
    void ExportPdf();
    void SetButtonEnabled(QAction* button, bool enabled);
    bool Preparing() const;
    bool FirstPassRunning() const;

    TfrxPreview* m_preview;
    QWidget* m_client;
    bool m_fullScreen = false;
    Qt::WindowStates m_savedState;
    Qt::WindowFlags m_savedFlags;
    QRect m_savedGeometry;
    // Right-click menu items of the tool bar buttons.
    QHash<QAction*, QAction*> m_menuItems;
    // Why a button that cannot work yet is disabled.
    QHash<QAction*, QString> m_unavailable;
};

// The run-time factory's ShowPreview: binds an application's own preview control, or opens a
// TfrxPreviewForm (modal by default: returns when it is closed).
void frxShowPreview(TfrxReport* report);

#pragma once
// The small borderless window that shows what a long report operation is doing ("Printing page
// 5") and offers Cancel. The report creates one per progress start through the run-time
// factory (frxCreateProgress) and frees it at the stop; while it shows, the window that was
// active is disabled.

#include "report/frxRuntime.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

class TfrxProgress : public QWidget, public TfrxProgressSink {
    Q_OBJECT
public:
    // Client area 271 x 101 px, centred on the screen; disables the active window.
    explicit TfrxProgress(QWidget* parent = nullptr);
    ~TfrxProgress() override;

    // Resets the cancelled flag, shows or hides the bar and Cancel, sets the bar's maximum
    // and the message, and shows the window without making it modal.
    void ShowProgressWindow(int maximum, const QString& message, bool showBar, bool showCancel);
    // Shows the text at once (the label is repainted before returning).
    void SetProgressMessage(const QString& text);
    // Moves the bar, brings the window to the front and processes pending events.
    void SetProgressPosition(int position);

    QString Message() const { return m_message; }
    int Position() const { return m_position; }
    bool Cancelled() const { return m_cancelled; }
    // The window disabled while this one shows (none when nothing was active).
    QWidget* DisabledWindow() const { return m_disabled.data(); }

    QLabel* LMessage() const { return m_label; }
    QProgressBar* Bar() const { return m_bar; }
    QPushButton* CancelB() const { return m_cancelB; }

    // TfrxProgressSink
    void SetMessage(const QString& text) override { SetProgressMessage(text); }
    void SetPosition(int position) override { SetProgressPosition(position); }
    bool Terminated() const override { return m_cancelled; }

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CancelBClick();
    void EnableOwner();

    QFrame* m_panel = nullptr;
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancelB = nullptr;
    QString m_message;
    int m_position = 0;
    bool m_cancelled = false;
    QPointer<QWidget> m_disabled;
    // Dragging by the client area: the press position relative to the window's corner.
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The progress window of a report, shown at once (the run-time factory's CreateProgress).
std::unique_ptr<TfrxProgressSink> frxCreateProgress(TfrxReport* report);

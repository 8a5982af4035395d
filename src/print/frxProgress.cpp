#include "print/frxProgress.h"

#include "platform/Error.h"
#include "resources/frxRes.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kClientWidth = 271, kClientHeight = 101; // px
constexpr int kLabelTopWithBar = 15, kLabelTopWithoutBar = 35;

// A control's rectangle, mirrored for right-to-left layouts.
QRect Place(int left, int top, int width, int height) {
    if (QApplication::layoutDirection() == Qt::RightToLeft)
        left = kClientWidth - left - width;
    return QRect(left, top, width, height);
}

} // namespace

TfrxProgress::TfrxProgress(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frxProgress"));
    setFixedSize(kClientWidth, kClientHeight);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_panel->setLineWidth(2);
    m_panel->setGeometry(0, 0, kClientWidth, kClientHeight);

    m_label = new QLabel(m_panel);
    m_label->setObjectName(QStringLiteral("LMessage"));
    m_label->setAlignment(Qt::AlignCenter);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSize(8);
    m_label->setFont(tahoma);
    m_label->setGeometry(Place(16, 11, 237, 20));

    m_bar = new QProgressBar(m_panel);
    m_bar->setObjectName(QStringLiteral("Bar"));
    m_bar->setGeometry(Place(16, 37, 237, 17));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setVisible(false);

    m_cancelB = new QPushButton(frxGet(2), m_panel);
    m_cancelB->setObjectName(QStringLiteral("CancelB"));
    m_cancelB->setGeometry(Place(100, 64, 75, 25));
    connect(m_cancelB, &QPushButton::clicked, this,
            [this] { platform::Guarded([this] { CancelBClick(); }); });

    // Presses anywhere on the client area drag the window, as a title bar would.
    m_panel->installEventFilter(this);
    m_label->installEventFilter(this);
    m_bar->installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    // Printing starts from the modal preview window, which would swallow every click on a
    // window of its own level: this one sits above it, as the window in charge while it shows
    // (there is no loop of its own; the operation keeps running).
    setWindowModality(Qt::ApplicationModal);

    // The window the user was working in waits until the operation ends.
    QWidget* active = QApplication::activeWindow();
    if (active && active != this) {
        m_disabled = active;
        active->setEnabled(false);
    }
}

TfrxProgress::~TfrxProgress() { EnableOwner(); }

void TfrxProgress::ShowProgressWindow(int maximum, const QString& message, bool showBar,
                                      bool showCancel) {
    m_cancelled = false;
    m_cancelB->setVisible(showCancel);
    m_bar->setVisible(showBar);
    const QRect r = m_label->geometry();
    m_label->move(r.left(), showBar ? kLabelTopWithBar : kLabelTopWithoutBar);
    m_bar->setMinimum(0);
    m_bar->setValue(0);
    m_bar->setMaximum(maximum);
    m_position = 0;
    SetProgressMessage(message);
    show();
    QCoreApplication::processEvents();
}

void TfrxProgress::SetProgressMessage(const QString& text) {
    m_message = text;
    m_label->setText(text);
    m_label->repaint();
}

void TfrxProgress::SetProgressPosition(int position) {
    m_position = position;
    m_bar->setValue(position);
    raise();
    QCoreApplication::processEvents();
}

void TfrxProgress::CancelBClick() {
    m_cancelled = true;
    close();
}

void TfrxProgress::EnableOwner() {
    if (m_disabled)
        m_disabled->setEnabled(true);
    m_disabled = nullptr;
}

void TfrxProgress::hideEvent(QHideEvent* event) {
    EnableOwner();
    QWidget::hideEvent(event);
}

void TfrxProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_cancelB->isVisible()) {
        platform::Guarded([this] { CancelBClick(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TfrxProgress::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            break;
        m_dragging = true;
        m_dragOffset = e->globalPosition().toPoint() - pos();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!m_dragging || !(e->buttons() & Qt::LeftButton))
            break;
        move(e->globalPosition().toPoint() - m_dragOffset);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_dragging)
            break;
        m_dragging = false;
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

std::unique_ptr<TfrxProgressSink> frxCreateProgress(TfrxReport*) {
    auto window = std::make_unique<TfrxProgress>();
    window->ShowProgressWindow(0, QString(), false, true);
    return window;
}

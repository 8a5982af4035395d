#pragma once
// The print dialog's own small controls: owner-drawn drop-down lists, the up-down buttons of
// the copies field and the paint box of the collate picture.

#include <QComboBox>
#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

namespace frxPrintDialogDetail {

// A drop-down list whose items are drawn by the window: fixed item height, and the same
// drawing for the list's items and for the closed box.
class OwnerDrawCombo : public QComboBox {
    Q_OBJECT
public:
    using DrawFn = std::function<void(QPainter& painter, const QRect& rect, int index,
                                      bool selected)>;
    OwnerDrawCombo(int itemHeight, DrawFn draw, QWidget* parent = nullptr);

    int ItemHeight() const { return m_itemHeight; }
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_itemHeight;
    DrawFn m_draw;
};

class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(OwnerDrawCombo* combo);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    OwnerDrawCombo* m_combo;
};

// Up and down buttons bound to a number field: the position follows the field, stays within
// Min..Max and does not wrap.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* associate, QWidget* parent = nullptr);

    int Min = 1;
    int Max = 9999;
    int Position() const { return m_position; }
    // Sets the position (kept within Min..Max) and writes it into the field.
    void SetPosition(int position);
    // One step up (+1) or down (-1) from the number in the field.
    void Step(int delta);

    QToolButton* UpButton() const { return m_up; }
    QToolButton* DownButton() const { return m_down; }

private:
    QLineEdit* m_associate;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_position = 1;
};

// A surface the window paints itself.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    using PaintFn = std::function<void(QPainter& painter)>;
    PaintBox(PaintFn paint, QWidget* parent = nullptr) : QWidget(parent), m_paint(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PaintFn m_paint;
};

} // namespace frxPrintDialogDetail

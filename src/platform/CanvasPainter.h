#pragma once
// The canvas over a QPainter: a widget, a QImage, a printer or a PDF writer.

#include "platform/Canvas.h"

#include <QRegion>

#include <vector>

class QPainter;

namespace platform {

class PainterCanvas final : public Canvas {
public:
    // Draws through `painter` (not owned, must be active). Resolution comes from the painter's
    // device; paged devices (printers, PDF writers) count as printers.
    explicit PainterCanvas(QPainter* painter);
    PainterCanvas(QPainter* painter, int dpiX, int dpiY, bool printer);
    ~PainterCanvas() override;

    int DpiX() const override { return m_dpiX; }
    int DpiY() const override { return m_dpiY; }
    bool IsPrinter() const override { return m_printer; }
    QPainter* Painter() const { return m_painter; }

    void FillRect(const Rect& r) override;
    void Rectangle(const Rect& r) override;
    void DrawLine(QPoint from, QPoint to) override;

    void SaveClip() override;
    void IntersectClip(const Rect& r) override;
    void RestoreClip() override;
    Rect ClipBox() const override;

    Rect DrawText(const Rect& r, const QString& text, unsigned flags) override;
    void ExtTextOut(int x, int y, QStringView text, const int* advances, const Rect* clip,
                    bool rtl) override;
    void DrawImage(const Rect& r, const QImage& image) override;

private:
    struct ClipState {
        bool clipped;
        Rect rect;
    };
    void ApplyClip();

    QPainter* m_painter;
    int m_dpiX;
    int m_dpiY;
    bool m_printer;
    Rect m_device; // the whole device surface
    bool m_baseClipped = false;
    QRegion m_baseRegion;   // the painter's clip when the canvas was made
    bool m_clipped = false; // the canvas's own clip
    Rect m_clip;
    std::vector<ClipState> m_clipStack;
    std::vector<int> m_advances;
};

} // namespace platform

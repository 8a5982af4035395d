#pragma once
// A canvas that draws nothing and keeps every call in order: the recorded picture of a page.
// Find scans its text-output records; Replay draws the picture onto another canvas.

#include "platform/Canvas.h"

#include <vector>

namespace platform {

struct CanvasRecord {
    enum class Type {
        FillRect,
        Rectangle,
        Line,
        SaveClip,
        IntersectClip,
        RestoreClip,
        DrawText,
        TextOut,
        Image
    };
    Type Kind = Type::FillRect;
    Rect Bounds;               // what the call covers, device pixels (text: its cell box, clipped)
    QString Text;              // DrawText, TextOut: the UTF-16 text
    QPoint Origin;             // TextOut: top-left of the text cell; Line: start point
    QPoint To;                 // Line: end point
    std::vector<int> Advances; // TextOut: per UTF-16 unit, as drawn
    Rect Clip;                 // TextOut with Clipped: the clip; DrawText: the layout rectangle
    QImage Picture;            // Image: what is stretched over Bounds
    bool Clipped = false;
    bool Rtl = false;
    unsigned Flags = 0; // DrawText: TextFormat flags
    CanvasFont Font;
    Pen PenUsed;
    Brush BrushUsed;
    bool TransparentBackground = true;
    QColor Background;
};

class RecordingCanvas final : public Canvas {
public:
    // A recording of a screen page by default; a printer's sheet with `printer` (what a print
    // job would have drawn, at the printer's resolution).
    explicit RecordingCanvas(int dpiX = 96, int dpiY = 96, bool printer = false)
        : m_dpiX(dpiX), m_dpiY(dpiY), m_printer(printer) {}

    int DpiX() const override { return m_dpiX; }
    int DpiY() const override { return m_dpiY; }
    bool IsPrinter() const override { return m_printer; }
    bool IsRecording() const override { return true; }

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

    const std::vector<CanvasRecord>& Records() const { return m_records; }
    // The text-output records (DrawText and TextOut) in drawing order.
    std::vector<const CanvasRecord*> TextRecords() const;
    void Clear();
    // Draws the recorded calls onto `target`, in order.
    void Replay(Canvas& target) const;

private:
    CanvasRecord& Add(CanvasRecord::Type kind);

    int m_dpiX;
    int m_dpiY;
    bool m_printer;
    std::vector<CanvasRecord> m_records;
    bool m_clipped = false;
    Rect m_clip;
    std::vector<std::pair<bool, Rect>> m_clipStack;
};

} // namespace platform

#pragma once
// Points and rectangles with the platform's conventions: a rectangle's right and bottom edges lie
// just outside it, so its width is Right - Left.

#include <QPoint>
#include <QRect>

namespace sondrel::framework {

struct TPoint
{
    int X = 0;
    int Y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    [[nodiscard]] int Width() const { return Right - Left; }
    [[nodiscard]] int Height() const { return Bottom - Top; }
    [[nodiscard]] bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    [[nodiscard]] QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    [[nodiscard]] static TRect FromQRect(const QRect& r)
    {
        return { r.left(), r.top(), r.left() + r.width(), r.top() + r.height() };
    }
    void Offset(int dx, int dy)
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    void Inflate(int dx, int dy)
    {
        Left -= dx;
        Right += dx;
        Top -= dy;
        Bottom += dy;
    }

    friend bool operator==(const TRect&, const TRect&) = default;
};

[[nodiscard]] inline TRect Rect(int left, int top, int right, int bottom)
{
    return { left, top, right, bottom };
}

} // namespace sondrel::framework

#include "UPTTreeList.h"

#include <array>

namespace sondrel::shell {

using framework::TCanvas;
using framework::TColor;
using framework::TPoint;
using framework::TRect;

namespace {

    struct TGlyphBox
    {
        int X;
        int Y;
        int W;
        int H;
    };

    TGlyphBox Box(TCanvas& canvas, const TRect& rect, TColor fill)
    {
        const int h = (rect.Bottom - rect.Top - 1) | 1;
        const TGlyphBox box { rect.Left, rect.Top, h + 1, h };
        if (fill != framework::clNone) {
            canvas.Brush().SetStyle(framework::TBrushStyle::bsSolid);
            canvas.Brush().SetColor(fill);
            canvas.FillRect({ box.X, box.Y, box.X + box.W, box.Y + box.H });
        }
        return box;
    }

} // namespace

void DrawDownArrow(TCanvas& canvas, const TRect& rect, TColor fill, TColor shadow, TColor highlight)
{
    const auto [x, y, w, h] = Box(canvas, rect, fill);
    canvas.Pen().SetColor(shadow);
    const std::array<TPoint, 4> dark { TPoint { x + (w - 1) / 2, y + h - 1 }, TPoint { x, y + 1 },
        TPoint { x, y }, TPoint { x + w - 1, y } };
    canvas.Polyline(dark);
    canvas.Pen().SetColor(highlight);
    const std::array<TPoint, 2> light { TPoint { x + (w - 1) / 2 + 1, y + h - 1 },
        TPoint { x + w, y - 1 } };
    canvas.Polyline(light);
}

void DrawUpArrow(TCanvas& canvas, const TRect& rect, TColor fill, TColor shadow, TColor highlight)
{
    const auto [x, y, w, h] = Box(canvas, rect, fill);
    canvas.Pen().SetColor(shadow);
    const std::array<TPoint, 3> dark { TPoint { x + w / 2 - 1, y }, TPoint { x, y + h - 2 },
        TPoint { x, y + h - 1 } };
    canvas.Polyline(dark);
    canvas.Pen().SetColor(highlight);
    const std::array<TPoint, 3> light { TPoint { x, y + h - 1 }, TPoint { x + w - 1, y + h - 1 },
        TPoint { x + (w - 1) / 2 + 1, y - 1 } };
    canvas.Polyline(light);
}

} // namespace sondrel::shell

#include "UPTFrame.h"

#include <QFontMetrics>
#include <QPainter>

#include <initializer_list>
#include <span>

namespace sondrel::layout {

using framework::TBrushStyle;
using framework::TPoint;
using namespace framework; // the system colours

namespace {

    void Line(TCanvas& canvas, TColor color, std::initializer_list<TPoint> points)
    {
        canvas.Pen().SetColor(color);
        canvas.Polyline(std::span<const TPoint>(points.begin(), points.size()));
    }

    // The four polylines of the two-pixel frames: outer top-left, inner top-left, inner
    // bottom-right, outer bottom-right.
    void DrawTwoPixelFrame(TCanvas& canvas, const TRect& r, TColor outerTopLeft,
        TColor innerTopLeft, TColor innerBottomRight, TColor outerBottomRight)
    {
        const int l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
        Line(canvas, outerTopLeft, { { l, b - 1 }, { l, t }, { rt, t } });
        Line(canvas, innerTopLeft, { { l + 1, b - 2 }, { l + 1, t + 1 }, { rt - 1, t + 1 } });
        Line(canvas, innerBottomRight, { { l + 1, b - 1 }, { rt - 1, b - 1 }, { rt - 1, t } });
        Line(canvas, outerBottomRight, { { l, b }, { rt, b }, { rt, t - 1 } });
    }

    void DrawOnePixelFrame(TCanvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight)
    {
        const int l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
        Line(canvas, topLeft, { { l, b - 1 }, { l, t }, { rt, t } });
        Line(canvas, bottomRight, { { l, b }, { rt, b }, { rt, t - 1 } });
    }

    void Row(TCanvas& canvas, TColor color, int y, const TRect& r)
    {
        Line(canvas, color, { { r.Left, y }, { r.Right + 1, y } });
    }

    void Column(TCanvas& canvas, TColor color, int x, const TRect& r)
    {
        Line(canvas, color, { { x, r.Top }, { x, r.Bottom + 1 } });
    }

} // namespace

void DrawFrame(TPTFrameStyle style, TCanvas& canvas, const TRect& r)
{
    switch (style) {
    case ptfsNone:
        break;
    case ptfsGroup:
        DrawGroupFrame(canvas, r, QString(), canvas.Brush().Color(), true);
        break;
    case ptfsLowered:
        DrawLoweredFrame(canvas, r);
        break;
    case ptfsRaised:
        DrawRaisedFrame(canvas, r);
        break;
    case ptfsDint:
        DrawDintFrame(canvas, r);
        break;
    case ptfsBump:
        DrawBumpFrame(canvas, r);
        break;
    case ptfsSingle:
        DrawSingleFrame(canvas, r);
        break;
    case ptfsHorzLine:
        DrawHorzLine(canvas, r, clBtnShadow, clBtnHighlight);
        break;
    case ptfsHorzEdge:
        DrawHorzEdge(canvas, r, clBtnShadow, clBtnHighlight);
        break;
    case ptfsVertLine:
        DrawVertLine(canvas, r, clBtnShadow, clBtnHighlight);
        break;
    case ptfsVertEdge:
        DrawVertEdge(canvas, r, clBtnShadow, clBtnHighlight);
        break;
    }
}

void AdjustRectForFrame(TPTFrameStyle style, TRect& r)
{
    switch (style) {
    case ptfsNone:
    case ptfsGroup:
        break;
    case ptfsLowered:
    case ptfsRaised:
        r.Inflate(-2, -2);
        break;
    case ptfsDint:
    case ptfsBump:
    case ptfsSingle:
        r.Inflate(-1, -1);
        break;
    case ptfsHorzLine:
        r.Top += 2;
        break;
    case ptfsHorzEdge:
        r.Top += 2;
        r.Bottom -= 2;
        break;
    case ptfsVertLine:
        r.Left += 2;
        break;
    case ptfsVertEdge:
        r.Left += 2;
        r.Right -= 2;
        break;
    }
}

void DrawLoweredFrame(TCanvas& canvas, const TRect& r)
{
    DrawTwoPixelFrame(canvas, r, clBtnShadow, cl3DDkShadow, clBtnFace, clBtnHighlight);
}

void DrawRaisedFrame(TCanvas& canvas, const TRect& r)
{
    DrawTwoPixelFrame(canvas, r, clBtnHighlight, clBtnFace, clBtnShadow, cl3DDkShadow);
}

void DrawDintFrame(TCanvas& canvas, const TRect& r)
{
    DrawOnePixelFrame(canvas, r, clBtnShadow, clBtnHighlight);
}

void DrawBumpFrame(TCanvas& canvas, const TRect& r)
{
    DrawOnePixelFrame(canvas, r, clBtnHighlight, clBtnShadow);
}

void DrawSingleFrame(TCanvas& canvas, const TRect& r)
{
    canvas.Pen().SetColor(clWindowFrame);
    canvas.Rectangle(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
}

void DrawGroupFrame(
    TCanvas& canvas, const TRect& r, const QString& caption, TColor color, bool enabled)
{
    canvas.Brush().SetColor(color);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    canvas.FillRect({ r.Left, r.Top, r.Right + 1, r.Bottom + 1 });
    const int h = caption.isEmpty() ? 2 : canvas.TextHeight(QStringLiteral("0"));

    TRect f = r;
    f.Top += h / 2;
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    f.Left += 1;
    f.Top += 1;
    canvas.Pen().SetColor(clBtnHighlight);
    canvas.Rectangle(f.Left, f.Top, f.Right + 1, f.Bottom + 1);
    f.Offset(-1, -1);
    canvas.Pen().SetColor(clBtnShadow);
    canvas.Rectangle(f.Left, f.Top, f.Right + 1, f.Bottom + 1);
    if (caption.isEmpty())
        return;

    // The caption's opaque background hides the frame line behind it.
    TRect box { f.Left + 8, r.Top, f.Right - 8, r.Top + h };
    canvas.Brush().SetColor(color);
    canvas.Brush().SetStyle(TBrushStyle::bsSolid);
    if (!enabled) {
        box.Offset(1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawCaption(canvas, box, caption, TAlignment::taLeftJustify, false);
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        box.Offset(-1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawCaption(canvas, box, caption, TAlignment::taLeftJustify, false);
}

void DrawHorzLine(TCanvas& canvas, const TRect& r, TColor first, TColor second)
{
    Row(canvas, first, r.Top, r);
    Row(canvas, second, r.Top + 1, r);
}

void DrawHorzEdge(TCanvas& canvas, const TRect& r, TColor first, TColor second)
{
    Row(canvas, first, r.Top, r);
    Row(canvas, first, r.Bottom - 1, r);
    Row(canvas, second, r.Top + 1, r);
    Row(canvas, second, r.Bottom, r);
}

void DrawVertLine(TCanvas& canvas, const TRect& r, TColor first, TColor second)
{
    Column(canvas, first, r.Left, r);
    Column(canvas, second, r.Left + 1, r);
}

void DrawVertEdge(TCanvas& canvas, const TRect& r, TColor first, TColor second)
{
    Column(canvas, first, r.Left, r);
    Column(canvas, first, r.Right - 1, r);
    Column(canvas, second, r.Left + 1, r);
    Column(canvas, second, r.Right, r);
}

void DrawCaption(TCanvas& canvas, const TRect& box, const QString& caption, TAlignment alignment,
    bool centreVertically)
{
    QPainter* painter = canvas.Handle();
    if (!painter || caption.isEmpty() || box.IsEmpty())
        return;
    const QFontMetrics metrics(canvas.Font().ToQFont(), painter->device());
    const QString shown = metrics.elidedText(caption, Qt::ElideRight, box.Width());
    const int width = metrics.horizontalAdvance(shown);
    int x = box.Left;
    if (alignment == TAlignment::taRightJustify)
        x = box.Right - width;
    else if (alignment == TAlignment::taCenter)
        x = box.Left + (box.Width() - width) / 2;
    const int y = centreVertically ? box.Top + (box.Height() - metrics.height()) / 2 : box.Top;
    painter->save();
    painter->setClipRect(box.ToQRect(), Qt::IntersectClip);
    canvas.TextOut(x, y, shown);
    painter->restore();
}

} // namespace sondrel::layout

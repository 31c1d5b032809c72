#pragma once
// Flat 3D frames in the system colours: one drawing function per frame style, DrawFrame choosing
// by style, and AdjustRectForFrame giving the interior a frame leaves. The rectangles these
// functions take are inclusive: the frame is drawn on their right and bottom edges too. The
// controls built on them are in Group.h and Frame.h. GUI thread only.

#include "Canvas.h"
#include "Geometry.h"
#include "Graphics.h"

#include <QObject>
#include <QString>

#include <functional>

namespace sondrel::layout {

using framework::TAlignment;
using framework::TCanvas;
using framework::TColor;
using framework::TRect;

enum TPTFrameStyle {
    ptfsNone,
    ptfsGroup,
    ptfsLowered,
    ptfsRaised,
    ptfsDint,
    ptfsBump,
    ptfsSingle,
    ptfsHorzLine,
    ptfsHorzEdge,
    ptfsVertLine,
    ptfsVertEdge,
};

using TPTFramePaintEvent = std::function<void(QObject* Sender, TCanvas& Canvas)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;

void DrawFrame(TPTFrameStyle style, TCanvas& canvas, const TRect& r);
// Shrinks `r` to what lies inside a frame of `style`.
void AdjustRectForFrame(TPTFrameStyle style, TRect& r);

void DrawLoweredFrame(TCanvas& canvas, const TRect& r);
void DrawRaisedFrame(TCanvas& canvas, const TRect& r);
void DrawDintFrame(TCanvas& canvas, const TRect& r);
void DrawBumpFrame(TCanvas& canvas, const TRect& r);
void DrawSingleFrame(TCanvas& canvas, const TRect& r);
// An etched box filled with `color`, its top line through the middle of the caption.
void DrawGroupFrame(
    TCanvas& canvas, const TRect& r, const QString& caption, TColor color, bool enabled);
void DrawHorzLine(TCanvas& canvas, const TRect& r, TColor first, TColor second);
void DrawHorzEdge(TCanvas& canvas, const TRect& r, TColor first, TColor second);
void DrawVertLine(TCanvas& canvas, const TRect& r, TColor first, TColor second);
void DrawVertEdge(TCanvas& canvas, const TRect& r, TColor first, TColor second);

// A caption in `box` (exclusive edges) on one line, cut with an ellipsis when it is too long,
// aligned horizontally as asked and at the top or vertically centred; on the brush colour unless
// the brush is clear, in the canvas's font.
void DrawCaption(TCanvas& canvas, const TRect& box, const QString& caption, TAlignment alignment,
    bool centreVertically);

} // namespace sondrel::layout

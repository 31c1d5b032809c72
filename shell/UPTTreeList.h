#pragma once
// The custom-draw tree and list bases of the shell controls, and the header's sort glyphs.

#include "Canvas.h"
#include "CustomDraw.h"
#include "Geometry.h"
#include "Graphics.h"
#include "PTCustomListView.h"
#include "PTCustomTreeView.h"

namespace sondrel::shell {

// The sort glyphs, drawn into the top left of `rect`: an odd height h of the rectangle's height
// less one, a width of h + 1, filled first unless `fill` is clNone; the shadow and highlight
// lines give the raised look. The canvas's brush and pen are left changed.
void DrawDownArrow(framework::TCanvas& canvas, const framework::TRect& rect, framework::TColor fill,
    framework::TColor shadow, framework::TColor highlight);
void DrawUpArrow(framework::TCanvas& canvas, const framework::TRect& rect, framework::TColor fill,
    framework::TColor shadow, framework::TColor highlight);

} // namespace sondrel::shell

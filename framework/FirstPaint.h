#pragma once
// Work that start-up can leave until the window is on the screen: AfterFirstPaint runs it from
// the event loop once the widget's window has painted for the first time (the window icon, for
// one, loads an SVG engine the first picture does not need). GUI thread only.

#include <functional>

class QWidget;

namespace sondrel::framework {

// Runs `work` once, from the event loop, after `widget` has first been painted; never if the
// widget is destroyed before. Work that throws is reported as any event handler's failure.
void AfterFirstPaint(QWidget* widget, std::function<void()> work);

} // namespace sondrel::framework

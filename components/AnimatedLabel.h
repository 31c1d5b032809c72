#pragma once
// A label whose caption blinks (atFlash: hidden for ten ticks, shown for ten), flies in from the
// right edge two pixels a tick (atFly) or fades in and out over ten ticks each (atFade), driven
// by its own timer, which runs from the label's creation whatever the animation. The colours
// it fades between are the ones the font and background colours mean here (system colours
// through the palette), so a dark theme fades right. GUI thread only; owned by its parent.

#include "Graphics.h"
#include "StdCtrls.h"
#include "Timer.h"

namespace sondrel::components {

enum TAnimationType { atNone, atFlash, atFly, atFade };

class TAnimatedLabel : public framework::TLabel
{
    Q_OBJECT
    Q_PROPERTY(int AnimationType READ AnimationTypeValue WRITE SetAnimationTypeValue)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TAnimatedLabel(QWidget* parent = nullptr);

    [[nodiscard]] TAnimationType AnimationType() const { return m_animationType; }
    void SetAnimationType(TAnimationType type);
    // Milliseconds between ticks, the timer's own.
    [[nodiscard]] int Interval() const { return m_timer->Interval(); }
    void SetInterval(int milliseconds) { m_timer->SetInterval(milliseconds); }
    [[nodiscard]] framework::TTimer* Timer() const { return m_timer; }
    // Ticks since the label was made.
    [[nodiscard]] int Ticks() const { return m_ticks; }

    // Changing the font through this reference restyles the label.
    framework::TFont& Font() { return m_font; }
    // The background; clNone (the default) is the parent's.
    [[nodiscard]] framework::TColor Color() const { return m_color; }
    void SetColor(framework::TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] int AnimationTypeValue() const { return m_animationType; }
    void SetAnimationTypeValue(int type);
    // The caption at (x, 0) in `color`, on the button face colour.
    void DrawCaption(QPainter& painter, int x, const QColor& color) const;

    framework::TTimer* m_timer;
    int m_ticks = 0;
    TAnimationType m_animationType = atNone;
    framework::TFont m_font;
    framework::TColor m_color = framework::clNone;
};

} // namespace sondrel::components

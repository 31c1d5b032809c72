#pragma once
// Controls that draw themselves, and what controls say to each other.
//
// TCustomControl is a window of its own that paints through a canvas in Paint. Its window exists
// from its first polish (before it is first shown), when CreateWnd runs once; a form calls
// Loaded once it has read the control's published properties. Font and caption changes
// repaint it. It has no background of its own until it is given a colour, so what lies under
// it shows. GUI thread only; owned by its parent widget.

#include "Canvas.h"
#include "Events.h"
#include "Graphics.h"

#include <QPalette>
#include <QWidget>

#include <cstdint>

namespace sondrel::framework {

// Messages of the controls among themselves, numbered apart from the private user messages.
constexpr int CM_BASE = 0xB000;
// wParam: the group index; lParam: the button that went down.
constexpr int CM_BUTTONPRESSED = CM_BASE + 24;

// Sends `message` at once, as a TMessageEvent, to every direct child control of `parent`.
void Broadcast(QWidget* parent, int message, std::uintptr_t wParam, std::intptr_t lParam);

// Gives `control` the font, and the font's colour as its text colour.
void ApplyFont(QWidget* control, const TFont& font);
// Gives `control` the colour in `role`; in the window role it also fills the background.
void ApplyColor(QWidget* control, TColor color, QPalette::ColorRole role = QPalette::Window);

class TCustomControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TCustomControl(QWidget* parent = nullptr);

    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    // Changing the font through this reference restyles the control.
    TFont& Font() { return m_font; }
    // clNone (the default): no background of its own.
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    [[nodiscard]] bool HandleAllocated() const { return m_handleAllocated; }
    // Makes the window now if it does not exist yet (CreateWnd runs).
    void HandleNeeded();

    Q_INVOKABLE virtual void Loaded() { }
    // Fires OnClick.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    virtual void CreateWnd() { }
    virtual void Paint(TCanvas& canvas);
    virtual void TextChanged() { update(); }

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_caption;
    TFont m_font;
    TColor m_color = clNone;
    bool m_handleAllocated = false;
};

} // namespace sondrel::framework

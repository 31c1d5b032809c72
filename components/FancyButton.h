#pragma once
// A picture button without a frame: a glyph strip with an image per visual state and the
// caption centred on it, optionally with a shadow. It tells a hovered button from a resting
// one, can be a toggle in a group of buttons of which at most one is down, gives its modal
// result to its form when clicked, and clicks on Enter (on Escape too when its result is
// mrCancel) and on the accelerator of its caption. Linked to an action, it follows the action
// and shows the action's image while it has no glyph of its own. GUI thread only; owned by its
// parent widget.

#include "ActnList.h"
#include "ButtonGlyph.h"
#include "Control.h"
#include "Form.h"

#include <QPixmap>
#include <QPointer>

namespace sondrel::components {

using framework::TModalResult;

// A modal result, 0 (mrNone) to 8 (mrAll).
using TFancyModalResult = std::uint8_t;

class TFancyButton : public framework::TCustomControl
{
    Q_OBJECT
    Q_PROPERTY(int State READ StateValue WRITE SetStateValue)
    Q_PROPERTY(int ModalResult READ ModalResultValue WRITE SetModalResultValue)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(QPixmap Glyph READ GlyphPixmap WRITE SetGlyphPixmap)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(int TextOffsetLeft READ TextOffsetLeft WRITE SetTextOffsetLeft)
    Q_PROPERTY(int TextOffsetTop READ TextOffsetTop WRITE SetTextOffsetTop)
    Q_PROPERTY(int TextShadowColor READ TextShadowColor WRITE SetTextShadowColor)

public:
    explicit TFancyButton(QWidget* parent = nullptr);

    [[nodiscard]] TFancyButtonState State() const { return m_state; }
    // Also enables the button unless the state is fbsDisabled.
    void SetState(TFancyButtonState state);
    [[nodiscard]] TFancyModalResult ModalResult() const { return m_modalResult; }
    void SetModalResult(TFancyModalResult result);
    [[nodiscard]] bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow);
    // 0: no group, and never down.
    [[nodiscard]] int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index);
    [[nodiscard]] bool Down() const { return m_down; }
    void SetDown(bool down);

    [[nodiscard]] TBitmap& Glyph() { return m_glyph.Glyph(); }
    // The button takes the size of one image.
    void SetGlyph(const TBitmap& glyph);
    [[nodiscard]] int NumGlyphs() const { return m_glyph.NumGlyphs(); }
    void SetNumGlyphs(int count);
    [[nodiscard]] TButtonGlyph& ButtonGlyph() { return m_glyph; }

    [[nodiscard]] int TextOffsetLeft() const { return m_textOffsetLeft; }
    void SetTextOffsetLeft(int offset);
    [[nodiscard]] int TextOffsetTop() const { return m_textOffsetTop; }
    void SetTextOffsetTop(int offset);
    // clNone: no shadow.
    [[nodiscard]] TColor TextShadowColor() const { return m_textShadowColor; }
    void SetTextShadowColor(TColor color);

    [[nodiscard]] framework::TCustomAction* Action() const { return m_action; }
    void SetAction(framework::TCustomAction* action);

    // Whether the mouse is over the button, as the button last saw it.
    [[nodiscard]] bool MouseInside() const { return m_mouseInside; }

    Q_INVOKABLE void Loaded() override;
    // OnClick, or without one the action.
    void Click() override;

protected:
    void Paint(framework::TCanvas& canvas) override;
    void TextChanged() override;

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] int StateValue() const { return m_state; }
    void SetStateValue(int state);
    [[nodiscard]] int ModalResultValue() const { return m_modalResult; }
    void SetModalResultValue(int result) { SetModalResult(static_cast<TFancyModalResult>(result)); }
    [[nodiscard]] QPixmap GlyphPixmap() const;
    void SetGlyphPixmap(const QPixmap& pixmap);

    [[nodiscard]] bool Inside(QPoint point) const;
    void ResizeToGlyph();
    void UpdateExclusive();
    void ButtonPressed(int groupIndex, TFancyButton* sender);
    void UpdateTracking(QPoint point);
    void MouseEnter();
    void MouseLeave();
    // Gives the form the modal result and clicks, as the keyboard does.
    void KeyClick();
    void GiveModalResult();
    void ActionChanged();
    void GrabAccelerator();

    TButtonGlyph m_glyph;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_pressing = false;
    bool m_clicked = false; // a left press began on the button
    bool m_allowAllUp = false;
    bool m_mouseInside = false;
    int m_textOffsetLeft = 0;
    int m_textOffsetTop = 0;
    TColor m_textShadowColor = framework::clNone;
    TFancyButtonState m_state = fbsMouseOut;
    TFancyModalResult m_modalResult = framework::mrNone;
    QPointer<framework::TCustomAction> m_action;
    QPixmap m_actionImage;
    int m_accelerator = 0;
};

} // namespace sondrel::components

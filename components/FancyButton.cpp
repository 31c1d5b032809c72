#include "FancyButton.h"

#include "Guard.h"
#include "Messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace sondrel::components {

using framework::ToQColor;

namespace {

    constexpr int kTextFlags = Qt::TextShowMnemonic;

} // namespace

TFancyButton::TFancyButton(QWidget* parent)
    : TCustomControl(parent)
{
    setGeometry(0, 0, 22, 23);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_glyph.OnChange = [this] { update(); };
}

void TFancyButton::SetState(TFancyButtonState state)
{
    if (state == m_state)
        return;
    m_state = state;
    setEnabled(state != fbsDisabled);
    m_glyph.CreateButtonGlyph(state);
    update();
}

void TFancyButton::SetStateValue(int state)
{
    SetState(static_cast<TFancyButtonState>(std::clamp(state, int(fbsUp), int(fbsDisabled))));
}

void TFancyButton::SetModalResult(TFancyModalResult result)
{
    m_modalResult = std::min<TFancyModalResult>(result, framework::mrAll);
}

void TFancyButton::SetAllowAllUp(bool allow)
{
    if (allow == m_allowAllUp)
        return;
    m_allowAllUp = allow;
    UpdateExclusive();
}

void TFancyButton::SetGroupIndex(int index)
{
    if (index == m_groupIndex)
        return;
    m_groupIndex = index;
    UpdateExclusive();
}

void TFancyButton::SetDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = down;
    if (down) {
        m_state = fbsExclusive;
        update();
        UpdateExclusive();
    } else {
        m_state = m_mouseInside ? fbsUp : fbsMouseOut;
        update();
    }
}

void TFancyButton::UpdateExclusive()
{
    if (m_groupIndex != 0 && parentWidget())
        framework::Broadcast(parentWidget(), framework::CM_BUTTONPRESSED,
            static_cast<std::uintptr_t>(m_groupIndex), reinterpret_cast<std::intptr_t>(this));
}

void TFancyButton::ButtonPressed(int groupIndex, TFancyButton* sender)
{
    if (groupIndex != m_groupIndex || !sender || sender == this)
        return;
    if (sender->Down() && m_down) {
        m_down = false;
        m_state = fbsUp;
        update();
    }
    m_allowAllUp = sender->AllowAllUp();
}

void TFancyButton::SetGlyph(const TBitmap& glyph)
{
    m_glyph.SetGlyph(glyph);
    ResizeToGlyph();
    ActionChanged();
}

void TFancyButton::SetNumGlyphs(int count)
{
    if (m_glyph.SetNumGlyphs(count))
        ResizeToGlyph();
}

void TFancyButton::ResizeToGlyph()
{
    resize(m_glyph.Glyph().Width() / m_glyph.NumGlyphs(), m_glyph.Glyph().Height());
    update();
}

QPixmap TFancyButton::GlyphPixmap() const
{
    return QPixmap::fromImage(const_cast<TButtonGlyph&>(m_glyph).Glyph().Image());
}

void TFancyButton::SetGlyphPixmap(const QPixmap& pixmap)
{
    const TBitmap glyph(pixmap.toImage());
    SetGlyph(glyph);
}

void TFancyButton::SetTextOffsetLeft(int offset)
{
    m_textOffsetLeft = offset;
    update();
}

void TFancyButton::SetTextOffsetTop(int offset)
{
    m_textOffsetTop = offset;
    update();
}

void TFancyButton::SetTextShadowColor(TColor color)
{
    m_textShadowColor = color;
    update();
}

void TFancyButton::SetAction(framework::TCustomAction* action)
{
    if (m_action)
        disconnect(m_action, nullptr, this, nullptr);
    m_action = action;
    if (action)
        connect(action, &QAction::changed, this, [this] { ActionChanged(); });
    ActionChanged();
}

void TFancyButton::ActionChanged()
{
    m_actionImage = QPixmap();
    if (!m_action)
        return;
    SetCaption(m_action->Caption());
    framework::SetHint(this, m_action->Hint());
    setVisible(m_action->isVisible());
    if (!m_action->isEnabled())
        SetState(fbsDisabled);
    else if (m_state == fbsDisabled)
        SetState(m_down ? fbsExclusive : fbsMouseOut);
    // Without a glyph of its own the button shows the action's image, at its size.
    const framework::TActionList* list = m_action->ActionList();
    const framework::TImageList* images = list ? list->Images() : nullptr;
    const int index = m_action->ImageIndex();
    if (m_glyph.Glyph().Empty() && images && images->Count() > 0 && index >= 0
        && index < images->Count()) {
        resize(images->Width(), images->Height());
        m_actionImage = images->Icon(index).pixmap(images->Size());
    }
    update();
}

void TFancyButton::Loaded() { m_glyph.CreateButtonGlyph(m_state); }

void TFancyButton::Click()
{
    if (OnClick)
        OnClick(this);
    else if (m_action)
        m_action->Execute();
}

bool TFancyButton::Inside(QPoint point) const
{
    return point.x() >= 0 && point.x() < width() && point.y() >= 0 && point.y() <= height();
}

void TFancyButton::Paint(framework::TCanvas& canvas)
{
    QPainter& painter = *canvas.Handle();
    if (m_state == fbsDisabled)
        m_pressing = false;
    if (m_state == fbsUp || m_state == fbsMouseOut)
        m_state = m_mouseInside ? fbsUp : fbsMouseOut;
    QRect client(0, 0, width(), height());
    // A single image is drawn two pixels in, as a pressed-in picture.
    if (m_glyph.NumGlyphs() == 1)
        client.translate(2, 2);
    QPoint textOffset(m_textOffsetLeft, m_textOffsetTop);
    if (m_state == fbsDown || m_state == fbsExclusive) {
        textOffset += QPoint(1, 1);
        if (m_state == fbsExclusive)
            painter.fillRect(
                client, framework::PatternBrush(framework::clBtnFace, framework::clBtnHighlight));
    }
    const QSize glyphSize = m_glyph.ImageSize();
    QSize textSize;
    if (!Caption().isEmpty()) {
        const QRect measured = QFontMetrics(font()).boundingRect(
            QRect(0, 0, client.width(), 0), kTextFlags, Caption());
        textSize = QSize(measured.width() + 5, measured.height());
    }
    const QPoint glyphAt = client.topLeft()
        + QPoint((client.width() - glyphSize.width() + 1) / 2,
            (client.height() - glyphSize.height() + 1) / 2);
    const QPoint textAt = client.topLeft()
        + QPoint((client.width() - textSize.width() + 1) / 2,
            (client.height() - textSize.height() + 1) / 2);
    const QRect textBox(textAt + textOffset, textSize);

    if (!m_glyph.Glyph().Empty())
        m_glyph.Draw(painter, glyphAt, m_state);
    else if (!m_actionImage.isNull())
        painter.drawPixmap(0, 0, m_actionImage);

    if (Caption().isEmpty())
        return;
    painter.setFont(font());
    const auto text = [&](const QRect& box, TColor color) {
        painter.setPen(ToQColor(color));
        painter.drawText(box, Qt::AlignCenter | kTextFlags, Caption());
    };
    const TColor fontColor = framework::FromQColor(palette().color(QPalette::WindowText));
    if (m_state == fbsDisabled) {
        text(textBox.translated(1, 1), framework::clBtnHighlight);
        text(textBox, framework::clBtnShadow);
    } else if (m_textShadowColor != framework::clNone) {
        text(textBox, m_textShadowColor);
        text(textBox.translated(-2, -2), fontColor);
    } else {
        text(textBox, fontColor);
    }
}

void TFancyButton::TextChanged()
{
    GrabAccelerator();
    update();
}

void TFancyButton::GrabAccelerator()
{
    if (m_accelerator != 0)
        releaseShortcut(m_accelerator);
    m_accelerator = 0;
    const QKeySequence accelerator = QKeySequence::mnemonic(Caption());
    if (!accelerator.isEmpty())
        m_accelerator = grabShortcut(accelerator);
}

bool TFancyButton::event(QEvent* event)
{
    if (event->type() == framework::CM_BUTTONPRESSED) {
        const auto* message = static_cast<framework::TMessageEvent*>(event);
        ButtonPressed(static_cast<int>(message->WParam),
            qobject_cast<TFancyButton*>(reinterpret_cast<QObject*>(message->LParam)));
        return true;
    }
    if (event->type() == QEvent::Shortcut
        && static_cast<QShortcutEvent*>(event)->shortcutId() == m_accelerator) {
        if (m_state != fbsDisabled && isVisible() && parentWidget() && parentWidget()->isVisible())
            framework::Guarded([this] { KeyClick(); });
        return true;
    }
    return TCustomControl::event(event);
}

void TFancyButton::changeEvent(QEvent* event)
{
    TCustomControl::changeEvent(event);
    // The disabled image is drawn in the system's button colours.
    if (event->type() == QEvent::ApplicationPaletteChange
        || event->type() == QEvent::PaletteChange) {
        m_glyph.RemakeDisabled();
        update();
    }
}

void TFancyButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_clicked = true;
    if (m_state == fbsDisabled)
        return;
    if (!m_down) {
        m_state = fbsDown;
        update();
    }
    m_pressing = true;
}

void TFancyButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_pressing) {
        TFancyButtonState target = fbsExclusive;
        if (!m_down)
            target = Inside(point) ? fbsDown : fbsUp;
        if (target != m_state) {
            m_state = target;
            update();
        }
    } else if (!m_mouseInside) {
        UpdateTracking(point);
    }
}

void TFancyButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    const bool clicked = m_clicked && rect().contains(point);
    m_clicked = false;
    QPointer<TFancyButton> alive(this);
    if (clicked)
        framework::Guarded([this] { Click(); });
    if (!alive || !m_pressing)
        return;
    m_pressing = false;
    if (m_groupIndex == 0) {
        if (m_state != fbsDisabled)
            m_state = fbsMouseOut;
        m_mouseInside = false;
        update();
    } else if (Inside(point)) {
        SetDown(!m_down);
        update();
    } else {
        if (m_down)
            m_state = fbsExclusive;
        update();
    }
    // Only a real click answers the form: a press taken back by sliding off the button does not.
    if (clicked)
        GiveModalResult();
    UpdateTracking(point);
}

void TFancyButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_down && OnDblClick)
        framework::Guarded([this] { OnDblClick(this); });
}

void TFancyButton::UpdateTracking(QPoint point)
{
    if (m_state == fbsDisabled)
        return;
    const QWidget* top = window();
    const QWidget* under = top->childAt(mapTo(top, point));
    if ((under == this) == m_mouseInside)
        return;
    if (m_mouseInside)
        MouseLeave();
    else
        MouseEnter();
}

void TFancyButton::MouseEnter()
{
    if (m_mouseInside || m_state == fbsDisabled || QWidget::mouseGrabber())
        return;
    m_mouseInside = true;
    update();
}

void TFancyButton::MouseLeave()
{
    if (!m_mouseInside || m_state == fbsDisabled || m_pressing)
        return;
    m_mouseInside = false;
    update();
}

void TFancyButton::enterEvent(QEnterEvent* event)
{
    TCustomControl::enterEvent(event);
    MouseEnter();
}

void TFancyButton::leaveEvent(QEvent* event)
{
    TCustomControl::leaveEvent(event);
    MouseLeave();
}

void TFancyButton::GiveModalResult()
{
    if (auto* form = qobject_cast<framework::TForm*>(window()))
        form->SetModalResult(m_modalResult);
}

void TFancyButton::KeyClick()
{
    GiveModalResult();
    Click();
}

void TFancyButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter
        || (key == Qt::Key_Escape && m_modalResult == framework::mrCancel)) {
        event->accept();
        framework::Guarded([this] { KeyClick(); });
        return;
    }
    TCustomControl::keyPressEvent(event);
}

} // namespace sondrel::components

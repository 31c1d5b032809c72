#include "StdCtrls.h"

#include "Guard.h"

namespace sondrel::framework {

TStatusBar::TStatusBar(QWidget* parent)
    : QStatusBar(parent)
    , m_text(new QLabel(this))
{
    setSizeGripEnabled(true);
    m_text->setTextFormat(Qt::PlainText);
    addWidget(m_text, 1);
}

QString TStatusBar::SimpleText() const { return m_text->text(); }

void TStatusBar::SetSimpleText(const QString& text)
{
    m_text->setText(text);
    m_text->setAccessibleName(text);
}

TPanel::TPanel(QWidget* parent)
    : QFrame(parent)
{
    SetBevelOuter(bvRaised);
}

void TPanel::SetBevelOuter(TBevelCut bevel)
{
    m_bevelOuter = bevel;
    switch (bevel) {
    case bvLowered:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    case bvRaised:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    case bvNone:
    case bvSpace:
        setFrameStyle(QFrame::NoFrame);
        break;
    }
    setLineWidth(1);
}

TSpeedButton::TSpeedButton(QWidget* parent)
    : QToolButton(parent)
{
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick)
            Guarded([this] { OnClick(this); });
    });
}

void TSpeedButton::SetGlyph(const QIcon& glyph) { setIcon(glyph); }

TLabel::TLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TLabel::SetCaption(const QString& caption)
{
    setText(caption);
    setAccessibleName(caption);
}

} // namespace sondrel::framework

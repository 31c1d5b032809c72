#include "Edit.h"

#include "Control.h"
#include "Guard.h"

namespace sondrel::framework {

TCustomEdit::TCustomEdit(QWidget* parent)
    : QLineEdit(parent)
{
    m_font.OnChange = [this](TFont& font) { ApplyFont(this, font); };
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            Guarded([this] { OnChange(this); });
    });
}

void TCustomEdit::SetColor(TColor color)
{
    m_color = color;
    ApplyColor(this, color, QPalette::Base);
}

} // namespace sondrel::framework

#include "UnitEdit.h"

#include <QLabel>

namespace sondrel::components {

TUnitEdit::TUnitEdit(QWidget* parent)
    : TCustomControl(parent)
{
    resize(width(), 20);
    SetColor(m_unitColor);
}

void TUnitEdit::SetUnit(const QString& unit)
{
    m_unit = unit;
    if (m_unitPart)
        m_unitPart->setText(unit);
}

float TUnitEdit::Value() const { return m_edit ? m_edit->Value() : m_value; }

void TUnitEdit::SetValue(float value)
{
    m_value = value;
    m_valueSet = true;
    if (m_edit)
        m_edit->SetValue(value);
}

void TUnitEdit::SetEditColor(TColor color)
{
    m_editColor = color;
    if (m_edit)
        m_edit->SetColor(color);
}

void TUnitEdit::SetUnitColor(TColor color)
{
    m_unitColor = color;
    if (m_unitPart)
        framework::ApplyColor(m_unitPart, color);
    SetColor(color);
}

void TUnitEdit::Loaded() { CreateParts(); }

void TUnitEdit::CreateWnd() { CreateParts(); }

void TUnitEdit::CreateParts()
{
    if (m_edit || !findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty())
        return;
    m_edit = new TNumberEdit(this);
    m_edit->SetColor(m_editColor);
    if (m_valueSet)
        m_edit->SetValue(m_value);
    m_unitPart = new QLabel(m_unit, this);
    m_unitPart->setTextFormat(Qt::PlainText);
    framework::ApplyColor(m_unitPart, m_unitColor);
    setFocusProxy(m_edit);
    PlaceParts();
    m_edit->show();
    m_unitPart->show();
}

void TUnitEdit::PlaceParts()
{
    if (m_edit)
        m_edit->setGeometry(0, 0, width() - 30, 20);
    if (m_unitPart)
        m_unitPart->setGeometry(width() - 28, 2, 30, 18);
}

void TUnitEdit::resizeEvent(QResizeEvent* event)
{
    TCustomControl::resizeEvent(event);
    PlaceParts();
}

} // namespace sondrel::components

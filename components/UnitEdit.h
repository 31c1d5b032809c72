#pragma once
// A number edit with the unit of its number (a currency, a physical unit) shown to its right,
// each part in a colour of its own; the strip around the parts takes the unit's colour. The two
// parts are made once, when the control's window is made or when its form has loaded it,
// whichever comes first; what a form sets before then (the value, the colours, the unit) is
// kept and given to the parts when they are made. The parts follow the control's width: the
// edit takes all but 30 pixels, the unit starts 28 pixels from the right edge. GUI thread only;
// owned by its parent widget, and owning its parts.

#include "Control.h"
#include "NumberEdit.h"

#include <QPointer>

class QLabel;

namespace sondrel::components {

using framework::TColor;

class TUnitEdit : public framework::TCustomControl
{
    Q_OBJECT
    Q_PROPERTY(QString Unit READ Unit WRITE SetUnit)
    Q_PROPERTY(float Value READ Value WRITE SetValue)
    Q_PROPERTY(int EditColor READ EditColor WRITE SetEditColor)
    Q_PROPERTY(int UnitColor READ UnitColor WRITE SetUnitColor)

public:
    explicit TUnitEdit(QWidget* parent = nullptr);

    [[nodiscard]] const QString& Unit() const { return m_unit; }
    void SetUnit(const QString& unit);
    // The edit part's; before the parts exist, the value they will start with.
    [[nodiscard]] float Value() const;
    void SetValue(float value);
    [[nodiscard]] TColor EditColor() const { return m_editColor; }
    void SetEditColor(TColor color);
    [[nodiscard]] TColor UnitColor() const { return m_unitColor; }
    void SetUnitColor(TColor color);

    // Null until the parts are made.
    [[nodiscard]] TNumberEdit* EditPart() const { return m_edit; }
    [[nodiscard]] QLabel* UnitPart() const { return m_unitPart; }

    Q_INVOKABLE void Loaded() override;

protected:
    void CreateWnd() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateParts();
    void PlaceParts();

    QPointer<TNumberEdit> m_edit;
    QPointer<QLabel> m_unitPart;
    QString m_unit;
    float m_value = 0;
    bool m_valueSet = false;
    TColor m_editColor = framework::clWindow;
    TColor m_unitColor = framework::clBtnFace;
};

} // namespace sondrel::components

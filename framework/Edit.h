#pragma once
// A single-line edit as forms use it: its text, a background colour (clWindow unless given
// another), a font, and OnChange after every change of the text, typed or set. GUI thread only;
// owned by its parent widget.

#include "Events.h"
#include "Graphics.h"

#include <QLineEdit>

namespace sondrel::framework {

class TCustomEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TCustomEdit(QWidget* parent = nullptr);

    [[nodiscard]] QString Text() const { return text(); }
    void SetText(const QString& text) { setText(text); }
    [[nodiscard]] TColor Color() const { return m_color; }
    void SetColor(TColor color);
    // Changing the font through this reference restyles the edit.
    TFont& Font() { return m_font; }

    TNotifyEvent OnChange;

private:
    TColor m_color = clWindow;
    TFont m_font;
};

} // namespace sondrel::framework

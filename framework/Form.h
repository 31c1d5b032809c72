#pragma once
// A form: a top-level window made from a form description. After the description has built its
// controls, Loaded() completes them as a form reader does: docking by alignment, fonts, colours
// and hints from the controls' published properties, each control's own Loaded(), and then
// OnCreate. Key preview gives the form a control's keys first; ShowHint switches tool tips.
// GUI thread only; the application's main form is owned by the code that runs the loop.

#include "Events.h"
#include "Graphics.h"

#include <QPointer>
#include <QWidget>

namespace sondrel::framework {

class TForm : public QWidget
{
    Q_OBJECT

public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    [[nodiscard]] bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool preview) { m_keyPreview = preview; }
    [[nodiscard]] bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show) { m_showHint = show; }
    [[nodiscard]] QWidget* ActiveControl() const { return m_activeControl; }
    void SetActiveControl(QWidget* control);
    [[nodiscard]] TFont& Font() { return m_font; }
    void Close() { close(); }
    // From construction until Loaded() has completed the controls.
    [[nodiscard]] bool Loading() const { return m_loading; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TKeyEvent OnKeyDown;

protected:
    // Completes the controls the description made; the description's setup calls it last.
    void Loaded();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_loading = true;
    bool m_keyPreview = false;
    bool m_showHint = true;
    bool m_shown = false;
    QPointer<QWidget> m_activeControl;
    TFont m_font;
};

// Applies the published properties a form description gives any control: "FontName",
// "FontHeight", "FontColor", "FontStyle" (a "|"-separated set of fsBold, fsItalic, fsUnderline),
// "Color", and the hint (its tool tip) as the accessible description.
void ApplyPublishedProperties(QWidget* control, const TFont& parentFont);

// Whether `control` is still being loaded: it stands on a form whose Loaded() has not yet run.
// Controls made in code, outside a form, are never loading.
[[nodiscard]] bool ComponentLoading(const QWidget* control);

} // namespace sondrel::framework

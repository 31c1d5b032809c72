#pragma once
// A form: a top-level window made from a form description. After the description has built its
// controls, Loaded() completes them as a form reader does: docking by alignment, fonts, colours
// and hints from the controls' published properties, each control's own Loaded(), and then
// OnCreate. Key preview gives the form a control's keys first; ShowHint switches tool tips. A
// form shown modally runs its own loop until its modal result is set or it is closed.
// GUI thread only; the application's main form is owned by the code that runs the loop.

#include "Events.h"
#include "Graphics.h"

#include <QPointer>
#include <QWidget>

class QEventLoop;

namespace sondrel::framework {

// What a modal form ended with; buttons give their form one of these.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

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

    [[nodiscard]] TModalResult ModalResult() const { return m_modalResult; }
    // A result other than mrNone ends ShowModal.
    void SetModalResult(TModalResult result);
    // Shows the form modal to the application and returns its modal result once one is set;
    // closing the form gives mrCancel.
    TModalResult ShowModal();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TKeyEvent OnKeyDown;

protected:
    // Completes the controls the description made; the description's setup calls it last.
    void Loaded();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_loading = true;
    bool m_keyPreview = false;
    bool m_showHint = true;
    bool m_shown = false;
    TModalResult m_modalResult = mrNone;
    QEventLoop* m_modalLoop = nullptr;
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

#pragma once
// The small standard controls a form is made of: status bar, panel, speed button and label.
// Each is the Qt widget of its kind with the properties and events forms give it. Owned by
// their parent control; GUI thread only.

#include "Events.h"

#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QToolButton>

namespace sondrel::framework {

// A status bar; with SimplePanel it shows one text across its whole width.
class TStatusBar : public QStatusBar
{
    Q_OBJECT
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)

public:
    explicit TStatusBar(QWidget* parent = nullptr);

    [[nodiscard]] bool SimplePanel() const { return m_simplePanel; }
    void SetSimplePanel(bool simple) { m_simplePanel = simple; }
    [[nodiscard]] QString SimpleText() const;
    void SetSimpleText(const QString& text);

private:
    bool m_simplePanel = false;
    QLabel* m_text;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int BevelOuter READ BevelOuterValue WRITE SetBevelOuterValue)

public:
    explicit TPanel(QWidget* parent = nullptr);

    [[nodiscard]] TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelCut bevel);

private:
    [[nodiscard]] int BevelOuterValue() const { return m_bevelOuter; }
    void SetBevelOuterValue(int bevel) { SetBevelOuter(static_cast<TBevelCut>(bevel)); }

    TBevelCut m_bevelOuter = bvRaised;
};

// A button with a picture and no focus of its own in the platform's toolbars; flat ones show
// their edge only under the mouse. Its hint is also its accessible name.
class TSpeedButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)

public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    [[nodiscard]] bool Flat() const { return autoRaise(); }
    void SetFlat(bool flat) { setAutoRaise(flat); }
    void SetGlyph(const QIcon& glyph);
    void Click() { click(); }

    TNotifyEvent OnClick;
};

class TLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TLabel(QWidget* parent = nullptr);

    [[nodiscard]] QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
};

} // namespace sondrel::framework

#include "Form.h"

#include "Align.h"
#include "Guard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaMethod>

namespace sondrel::framework {

namespace {

    unsigned StyleFromNames(const QString& names)
    {
        unsigned style = 0;
        for (const QString& name : names.split(u'|', Qt::SkipEmptyParts)) {
            const QString trimmed = name.trimmed();
            if (trimmed == QStringLiteral("fsBold"))
                style |= fsBold;
            else if (trimmed == QStringLiteral("fsItalic"))
                style |= fsItalic;
            else if (trimmed == QStringLiteral("fsUnderline"))
                style |= fsUnderline;
            else if (trimmed == QStringLiteral("fsStrikeOut"))
                style |= fsStrikeOut;
        }
        return style;
    }

    // Calls a control's own Loaded(), when it has one it publishes.
    void CallLoaded(QObject* control)
    {
        const QMetaObject* meta = control->metaObject();
        if (meta->indexOfMethod("Loaded()") >= 0)
            QMetaObject::invokeMethod(control, "Loaded", Qt::DirectConnection);
    }

    void LoadTree(QWidget* widget, const TFont& font)
    {
        for (QObject* child : widget->children()) {
            auto* control = qobject_cast<QWidget*>(child);
            if (!control || control->isWindow())
                continue;
            ApplyPublishedProperties(control, font);
            LoadTree(control, font);
            CallLoaded(control);
        }
    }

} // namespace

void ApplyPublishedProperties(QWidget* control, const TFont& parentFont)
{
    const QVariant name = control->property("FontName");
    const QVariant height = control->property("FontHeight");
    const QVariant color = control->property("FontColor");
    const QVariant style = control->property("FontStyle");
    if (name.isValid() || height.isValid() || color.isValid() || style.isValid()) {
        TFont font;
        font.Assign(parentFont);
        if (name.isValid())
            font.SetName(name.toString());
        if (height.isValid())
            font.SetHeight(height.toInt());
        if (style.isValid())
            font.SetStyle(StyleFromNames(style.toString()));
        control->setFont(font.ToQFont());
        if (color.isValid()) {
            QPalette palette = control->palette();
            const QColor text = ToQColor(ColorFromName(color.toString()));
            palette.setColor(QPalette::WindowText, text);
            palette.setColor(QPalette::Text, text);
            control->setPalette(palette);
        }
    }
    if (const QVariant background = control->property("Color");
        background.isValid() && background.metaType() == QMetaType::fromType<QString>()) {
        const TColor value = ColorFromName(background.toString());
        if (value != clNone) {
            QPalette palette = control->palette();
            palette.setColor(QPalette::Window, ToQColor(value));
            control->setPalette(palette);
            control->setAutoFillBackground(true);
        }
    }
    if (control->accessibleDescription().isEmpty() && !control->toolTip().isEmpty())
        control->setAccessibleDescription(control->toolTip());
}

TForm::TForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    // Controls made on the form take its font as they are made; set only once they are all
    // made, it would reach each of them as a change to lay out again.
    setFont(m_font.ToQFont());
    qApp->installEventFilter(this);
}

TForm::~TForm()
{
    if (OnDestroy)
        OnDestroy(this);
}

void TForm::SetActiveControl(QWidget* control)
{
    m_activeControl = control;
    if (control && m_shown)
        control->setFocus(Qt::OtherFocusReason);
}

void TForm::SetModalResult(TModalResult result)
{
    m_modalResult = result;
    if (m_modalLoop && result != mrNone)
        m_modalLoop->quit();
}

TModalResult TForm::ShowModal()
{
    m_modalResult = mrNone;
    const Qt::WindowModality modality = windowModality();
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    m_modalLoop = &loop;
    if (m_modalResult == mrNone)
        loop.exec(QEventLoop::DialogExec);
    m_modalLoop = nullptr;
    hide();
    setWindowModality(modality);
    return m_modalResult;
}

void TForm::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (m_modalLoop && event->isAccepted())
        SetModalResult(m_modalResult == mrNone ? mrCancel : m_modalResult);
}

void TForm::Loaded()
{
    setFont(m_font.ToQFont());
    LoadTree(this, m_font);
    TAlignLayout::InstallAll(this);
    m_loading = false;
    if (OnCreate)
        OnCreate(this);
}

bool ComponentLoading(const QWidget* control)
{
    const auto* form = control ? qobject_cast<const TForm*>(control->window()) : nullptr;
    return form && form->Loading();
}

bool TForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    if (event->type() == QEvent::ToolTip && !m_showHint)
        return true;
    if (event->type() == QEvent::KeyPress && m_keyPreview && OnKeyDown && widget != this) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        int key = keyEvent->key();
        bool failed = true;
        Guarded([&] {
            OnKeyDown(this, key, keyEvent->modifiers());
            failed = false;
        });
        return failed || key == 0;
    }
    return false;
}

void TForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        if (m_activeControl)
            m_activeControl->setFocus(Qt::ActiveWindowFocusReason);
    }
}

} // namespace sondrel::framework

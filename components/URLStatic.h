#pragma once
// A line of text that looks like a web link and opens its address as soon as the left button
// goes down on it (not on the release), or with Return, Enter or Space once Tab has reached it,
// through the desktop's shell execution. An address without a scheme is a web address. A failed
// opening is silent. Screen readers see a link named by its text (or its accessible name).
// It draws its own text rather than being a label: Qt gives every label that takes focus a text
// document, two font faces and a layout, which a one-line link does not need. GUI thread only;
// owned by its parent.

#include <QWidget>

namespace sondrel::components {

class TURLStatic : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)

public:
    explicit TURLStatic(QWidget* parent = nullptr);

    [[nodiscard]] const QString& text() const { return m_text; }
    void setText(const QString& text);
    [[nodiscard]] Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    [[nodiscard]] const QString& URL() const { return m_url; }
    void SetURL(const QString& url) { m_url = url; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The left press is the link's own.
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open();

    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString m_url;
};

} // namespace sondrel::components

#pragma once
// A label that looks like a web link and opens its address as soon as the left button goes down
// on it (not on the release), through the desktop's shell execution. An address without a
// scheme is a web address. A failed opening is silent. GUI thread only; owned by its parent.

#include <QLabel>

namespace sondrel::components {

class TURLStatic : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE SetURL)

public:
    explicit TURLStatic(QWidget* parent = nullptr);

    [[nodiscard]] const QString& URL() const { return m_url; }
    void SetURL(const QString& url) { m_url = url; }

protected:
    // The left press is the link's own: the label neither selects text nor sees the press.
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Open();

    QString m_url;
};

} // namespace sondrel::components

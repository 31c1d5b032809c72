#pragma once
// Docking of child controls in their parent, as forms describe it: a child aligned to the top
// takes the full width at the top of what is left, bottom and left and right likewise, and the
// client child fills the rest; unaligned children keep their bounds. The alignment is the
// child's "Align" property, so a form description sets it like any other.

#include <QLayout>
#include <QMetaType>

#include <vector>

namespace sondrel::framework {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

[[nodiscard]] TAlign AlignOf(const QWidget* widget);
void SetAlign(QWidget* widget, TAlign align);

// Lays out the children of one container by their alignment, in the container's contents
// rectangle. Installed by the form on every container whose children are aligned.
class TAlignLayout : public QLayout
{
    Q_OBJECT

public:
    explicit TAlignLayout(QWidget* container);
    ~TAlignLayout() override;

    // Installs a layout on `root` and every widget below it that has aligned children and no
    // layout of its own.
    static void InstallAll(QWidget* root);

    void addItem(QLayoutItem* item) override;
    [[nodiscard]] QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    std::vector<QLayoutItem*> m_items;
};

} // namespace sondrel::framework

Q_DECLARE_METATYPE(sondrel::framework::TAlign)

#pragma once
// Label editing of shell items: the edit box starts from the name the namespace edits (its
// for-editing name), which may differ from the caption shown. GUI thread.

#include <QAbstractItemView>
#include <QLineEdit>

namespace sondrel::shell {

// Puts `name` into the edit box `view` has just opened on `index`; nothing when `name` is empty
// or no edit box is open there.
inline void StartEditFrom(QAbstractItemView& view, const QModelIndex& index, const QString& name)
{
    if (auto* editor = qobject_cast<QLineEdit*>(view.indexWidget(index)); editor && !name.isEmpty())
        editor->setText(name);
}

} // namespace sondrel::shell

#include "MainFormSupport.h"

#include "StreamList.h"

#include <QAccessible>
#include <QTest>

namespace sondrel::test {

bool ShowForm(app::TMainForm& form)
{
    form.show();
    return QTest::qWaitForWindowExposed(&form);
}

framework::TListItem* ShowFile(app::TMainForm& form, const std::string& folder, const QString& name)
{
    form.FileList->Folder().SetPathName(folder);
    for (int i = 0; i < form.FileList->Items().Count(); ++i) {
        framework::TListItem* item = form.FileList->Items()[i];
        if (form.FileList->model()->data(form.FileList->Items().IndexOf(item)).toString() == name) {
            item->SetSelected(true);
            return item;
        }
    }
    return nullptr;
}

framework::TListItem* SelectStream(app::TMainForm& form, const QString& caption, int kind)
{
    for (int i = 0; i < form.StreamList->Items().Count(); ++i) {
        framework::TListItem* item = form.StreamList->Items()[i];
        const streams::StreamInfo* info = streams::StreamRecord(item);
        if (caption.isEmpty() ? info && static_cast<int>(info->Header.dwStreamId) == kind
                              : item->Caption() == caption) {
            item->SetSelected(true);
            return item;
        }
    }
    return nullptr;
}

QStringList StreamAccessibleNames(app::TMainForm& form)
{
    QStringList names;
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form.StreamList);
    QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
    if (!table)
        return names;
    for (int row = 0; row < table->rowCount(); ++row)
        if (QAccessibleInterface* cell = table->cellAt(row, 0))
            names << cell->text(QAccessible::Name);
    return names;
}

} // namespace sondrel::test

#pragma once
// The list view as forms place it: the framework's list view with its columns and events open to
// the form, and an accessible name the form gives it.

#include "CustomListView.h"

namespace sondrel::framework {

class TListView : public TCustomListView
{
    Q_OBJECT
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

public:
    explicit TListView(QWidget* parent = nullptr)
        : TCustomListView(parent)
    {
    }
};

} // namespace sondrel::framework

#pragma once
// Event types of the controls: handlers take the sender first, as the controls' users expect;
// `var` parameters are references the handler may change. A control fires an event only when a
// handler is assigned.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace sondrel::framework {

using TObject = QObject;

class TListItem;
class TListColumn;

enum class TItemChange { ctText, ctImage, ctState };

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TKeyEvent = std::function<void(TObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;

using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVCompareEvent = std::function<void(
    TObject* Sender, TListItem* Item1, TListItem* Item2, std::intptr_t Data, int& Compare)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVInfoTipEvent = std::function<void(TObject* Sender, TListItem* Item, QString& InfoTip)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, QString& S)>;

// A sort's comparison: negative, zero or positive as Item1 goes before, with or after Item2.
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2, std::intptr_t Data)>;

} // namespace sondrel::framework

#pragma once
// The component set as a form loader finds it: one palette page, and for each member the class
// a form description names it by, the unit (header) that declares it, and a way to make one.

#include <QMetaObject>
#include <QString>

#include <span>

class QWidget;

namespace sondrel::components {

struct TComponentClass
{
    // Its className() is the name form descriptions use ("sondrel::components::TFancyButton").
    const QMetaObject* MetaObject;
    // The header, without ".h".
    const char* Unit;
    QWidget* (*Create)(QWidget* parent);

    // The name without its namespace ("TFancyButton").
    [[nodiscard]] QString ShortName() const;
};

struct TPalettePage
{
    const char* Name;
    std::span<const TComponentClass> Classes;
};

// The set's page ("Vaskel 2") with every member, in palette order.
[[nodiscard]] const TPalettePage& ComponentPalette();
// A member by its full or short class name; null for none.
[[nodiscard]] const TComponentClass* FindComponentClass(const QString& className);
// A new member of that class on `parent`; null for a class the set does not have.
[[nodiscard]] QWidget* CreateComponent(const QString& className, QWidget* parent);

} // namespace sondrel::components

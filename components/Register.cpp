#include "Register.h"

#include "AnimatedLabel.h"
#include "FancyButton.h"
#include "NumberEdit.h"
#include "URLStatic.h"
#include "UnitEdit.h"
#include "Version.h"

namespace sondrel::components {

namespace {

    template <class T> QWidget* Make(QWidget* parent) { return new T(parent); }

    template <class T> constexpr TComponentClass Member(const char* unit)
    {
        return { &T::staticMetaObject, unit, &Make<T> };
    }

    const TComponentClass kMembers[] = {
        Member<TVersionLabel>("Version"),
        Member<TURLStatic>("URLStatic"),
        Member<TFancyButton>("FancyButton"),
        Member<TAnimatedLabel>("AnimatedLabel"),
        Member<TNumberEdit>("NumberEdit"),
        Member<TUnitEdit>("UnitEdit"),
    };

} // namespace

QString TComponentClass::ShortName() const
{
    const QString name = QString::fromLatin1(MetaObject->className());
    return name.mid(name.lastIndexOf(u':') + 1);
}

const TPalettePage& ComponentPalette()
{
    static const TPalettePage page { "Vaskel 2", kMembers };
    return page;
}

const TComponentClass* FindComponentClass(const QString& className)
{
    for (const TComponentClass& member : kMembers)
        if (className == QLatin1StringView(member.MetaObject->className())
            || className == member.ShortName())
            return &member;
    return nullptr;
}

QWidget* CreateComponent(const QString& className, QWidget* parent)
{
    const TComponentClass* member = FindComponentClass(className);
    return member ? member->Create(parent) : nullptr;
}

} // namespace sondrel::components

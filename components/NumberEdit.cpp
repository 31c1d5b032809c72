#include "NumberEdit.h"

#include "SysUtils.h"

#include <algorithm>
#include <cmath>

namespace sondrel::components {

using framework::EConvertError;

TNumberEdit::TNumberEdit(QWidget* parent)
    : TCustomEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TNumberEdit::SetNumberTypeValue(int type)
{
    SetNumberType(static_cast<TNumberType>(std::clamp(type, int(ntInteger), int(ntFloat))));
}

float TNumberEdit::Convert() const
{
    const double value = framework::StrToFloat(Text());
    // From half a step above the largest float on, a number rounds to infinity.
    static const double kBeyond = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    if (std::fabs(value) >= kBeyond)
        throw EConvertError("\"" + Text().toStdString() + "\" is out of range");
    return static_cast<float>(value);
}

bool TNumberEdit::Validate() const
{
    try {
        (void)Convert();
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

float TNumberEdit::Value() const
{
    try {
        return Convert();
    } catch (const EConvertError&) {
        return 0;
    }
}

void TNumberEdit::SetValue(float value)
{
    SetText(framework::FloatToStrF(value, framework::TFloatFormat::ffGeneral, 7, 0));
}

} // namespace sondrel::components

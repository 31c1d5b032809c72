#pragma once
// Numbers as text, the way the controls show and read them: in the user's locale (QLocale's
// default), whose decimal separator is the only one a number may use. GUI thread only, since the
// default locale is process-wide.

#include "Filer.h"

#include <QString>

namespace sondrel::framework {

// The formats the controls write numbers in. General: the shorter of fixed and scientific
// notation, with no trailing zeros.
enum class TFloatFormat { ffGeneral };

// The current locale's decimal separator.
[[nodiscard]] QString DecimalSeparator();

// `text` as a number: blanks around it, an optional sign, digits with at most one decimal
// separator, and an optional exponent ("e" or "E", an optional sign, digits). Anything else,
// including "inf" and "nan", and a number beyond the range of a double, raises EConvertError.
// A number too small for a double reads as 0.
[[nodiscard]] double StrToFloat(const QString& text);

// `value` with `precision` significant digits (1 to 18); in scientific notation the exponent
// has at least `digits` digits (0 to 4) and a sign only when negative ("1E10", "2.5E-7").
// Non-finite values read "NAN", "INF" and "-INF".
[[nodiscard]] QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);

} // namespace sondrel::framework

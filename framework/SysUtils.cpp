#include "SysUtils.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace sondrel::framework {

namespace {

    [[noreturn]] void NotANumber(const QString& text)
    {
        throw EConvertError("\"" + text.toStdString() + "\" is not a valid number");
    }

    bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

} // namespace

QString DecimalSeparator() { return QLocale().decimalPoint(); }

double StrToFloat(const QString& text)
{
    const QString separator = DecimalSeparator();
    const QString trimmed = text.trimmed();
    // The number rewritten for the locale-free reader, with the facts needed to tell an
    // overflow from an underflow when the reader says the value is out of range.
    std::string plain;
    int position = 0;
    const int length = static_cast<int>(trimmed.size());
    if (position < length && (trimmed[position] == u'+' || trimmed[position] == u'-')) {
        if (trimmed[position] == u'-')
            plain += '-';
        ++position;
    }
    int mantissaDigits = 0;
    int leadingDigits = 0; // significant digits before the separator
    bool significant = false;
    bool separated = false;
    while (position < length) {
        const QChar c = trimmed[position];
        if (IsDigit(c)) {
            plain += static_cast<char>(c.unicode());
            ++mantissaDigits;
            significant = significant || c != u'0';
            if (!separated && significant)
                ++leadingDigits;
            ++position;
        } else if (!separated && QStringView(trimmed).mid(position).startsWith(separator)) {
            plain += '.';
            separated = true;
            position += static_cast<int>(separator.size());
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        NotANumber(text);
    long long exponent = 0;
    if (position < length && (trimmed[position] == u'e' || trimmed[position] == u'E')) {
        plain += 'e';
        ++position;
        bool below = false;
        if (position < length && (trimmed[position] == u'+' || trimmed[position] == u'-')) {
            below = trimmed[position] == u'-';
            plain += static_cast<char>(trimmed[position].unicode());
            ++position;
        }
        int exponentDigits = 0;
        for (; position < length && IsDigit(trimmed[position]); ++position, ++exponentDigits) {
            plain += static_cast<char>(trimmed[position].unicode());
            exponent = std::min(exponent * 10 + (trimmed[position].unicode() - u'0'), 1LL << 40);
        }
        if (exponentDigits == 0)
            NotANumber(text);
        if (below)
            exponent = -exponent;
    }
    if (position != length)
        NotANumber(text);
    const bool negative = plain.front() == '-';
    if (!significant) // zero, whatever its exponent
        return negative ? -0.0 : 0.0;
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (leadingDigits + exponent > 0)
            throw EConvertError("\"" + text.toStdString() + "\" is out of range");
        return negative ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        NotANumber(text);
    return value;
}

QString FloatToStrF(double value, TFloatFormat /*format*/, int precision, int digits)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 4);
    const QString sign = std::signbit(value) && value != 0 ? QStringLiteral("-") : QString();
    if (value == 0)
        return QStringLiteral("0");
    // Rounded to `precision` significant digits by the C library: "d.ddde+xx".
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", precision - 1, std::fabs(value));
    const std::string rounded(buffer);
    const std::size_t e = rounded.find('e');
    std::string mantissa = rounded.substr(0, 1) + (e > 1 ? rounded.substr(2, e - 2) : "");
    const int exponent = std::stoi(rounded.substr(e + 1));
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();
    const QString separator = DecimalSeparator();
    const auto text = [](const std::string& s) { return QString::fromLatin1(s); };
    if (exponent >= precision || exponent < -5) {
        QString result = sign + text(mantissa.substr(0, 1));
        if (mantissa.size() > 1)
            result += separator + text(mantissa.substr(1));
        QString exponentText = QString::number(std::abs(exponent));
        exponentText = exponentText.rightJustified(digits, u'0');
        return result + QStringLiteral("E") + (exponent < 0 ? QStringLiteral("-") : QString())
            + exponentText;
    }
    if (exponent < 0)
        return sign + QStringLiteral("0") + separator + QString(-exponent - 1, u'0')
            + text(mantissa);
    const auto whole = static_cast<std::size_t>(exponent) + 1;
    if (mantissa.size() <= whole)
        return sign + text(mantissa) + QString(static_cast<int>(whole - mantissa.size()), u'0');
    return sign + text(mantissa.substr(0, whole)) + separator + text(mantissa.substr(whole));
}

} // namespace sondrel::framework

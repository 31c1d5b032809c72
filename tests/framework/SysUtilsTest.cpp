// Numbers as text in the user's locale: what reads as a number, what does not, and the general
// format with its switch between fixed and scientific notation.

#include "SysUtils.h"

#include <QLocale>

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace sondrel::framework;

namespace {

class InLocale
{
public:
    explicit InLocale(QLocale::Language language) { QLocale::setDefault(QLocale(language)); }
    ~InLocale() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved = QLocale();
};

QString General(double value, int precision = 7, int digits = 0)
{
    return FloatToStrF(value, TFloatFormat::ffGeneral, precision, digits);
}

} // namespace

TEST(StrToFloat, ReadsNumbersInTheLocalesNotation)
{
    InLocale english(QLocale::English);
    EXPECT_EQ(StrToFloat(QStringLiteral("12.5")), 12.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("  -3\t")), -3);
    EXPECT_EQ(StrToFloat(QStringLiteral("+4e2")), 400);
    EXPECT_EQ(StrToFloat(QStringLiteral("2.5E-1")), 0.25);
    EXPECT_EQ(StrToFloat(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("5.")), 5);
    EXPECT_EQ(StrToFloat(QStringLiteral("007")), 7);
    EXPECT_EQ(StrToFloat(QStringLiteral("1e-400")), 0); // below a double: 0
    EXPECT_TRUE(std::signbit(StrToFloat(QStringLiteral("-1e-400"))));
    EXPECT_EQ(StrToFloat(QStringLiteral("1e308")), 1e308);
    EXPECT_EQ(StrToFloat(QStringLiteral("0.000e99999999999999")), 0);
    InLocale german(QLocale::German);
    EXPECT_EQ(StrToFloat(QStringLiteral("1,5")), 1.5);
    EXPECT_EQ(StrToFloat(QStringLiteral("-0,25e1")), -2.5);
}

TEST(StrToFloat, RefusesWhatIsNoNumber)
{
    InLocale english(QLocale::English);
    for (const char* text : { "", " ", "abc", "-", ".", "e5", "1e", "1e+", "1.2.3", "1,5", "1 000",
             "inf", "-inf", "nan", "NaN", "infinity", "0x10", "1e400", "-1e400", "12abc",
             "1e99999999999999999999", "١٢" }) {
        EXPECT_THROW((void)StrToFloat(QString::fromUtf8(text)), EConvertError) << text;
    }
    InLocale german(QLocale::German);
    EXPECT_THROW((void)StrToFloat(QStringLiteral("1.5")), EConvertError);
}

TEST(FloatToStrF, GeneralPicksTheShorterNotation)
{
    InLocale english(QLocale::English);
    EXPECT_EQ(General(1.0 / 3), QStringLiteral("0.3333333"));
    EXPECT_EQ(General(double(1.0f / 3)), QStringLiteral("0.3333333"));
    EXPECT_EQ(General(0), QStringLiteral("0"));
    EXPECT_EQ(General(-0.0), QStringLiteral("0"));
    EXPECT_EQ(General(100), QStringLiteral("100"));
    EXPECT_EQ(General(-2.5), QStringLiteral("-2.5"));
    EXPECT_EQ(General(1234567), QStringLiteral("1234567"));
    EXPECT_EQ(General(12345678), QStringLiteral("1.234568E7"));
    EXPECT_EQ(General(9999999.5), QStringLiteral("1E7")); // rounding carries into a new digit
    EXPECT_EQ(General(1e10), QStringLiteral("1E10"));
    EXPECT_EQ(General(0.0001), QStringLiteral("0.0001"));
    EXPECT_EQ(General(0.00001), QStringLiteral("0.00001"));
    EXPECT_EQ(General(0.000001), QStringLiteral("1E-6"));
    EXPECT_EQ(General(-1.5e-7), QStringLiteral("-1.5E-7"));
    EXPECT_EQ(General(1e5, 3, 2), QStringLiteral("1E05"));
    EXPECT_EQ(General(1e5, 3, 9), QStringLiteral("1E0005")); // at most four exponent digits
    EXPECT_EQ(General(2.0 / 3, 2), QStringLiteral("0.67"));
    EXPECT_EQ(General(2.0 / 3, 0), QStringLiteral("0.7")); // at least one digit
    EXPECT_EQ(General(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("NAN"));
    EXPECT_EQ(General(std::numeric_limits<double>::infinity()), QStringLiteral("INF"));
    EXPECT_EQ(General(-std::numeric_limits<double>::infinity()), QStringLiteral("-INF"));
    InLocale german(QLocale::German);
    EXPECT_EQ(General(1.0 / 3), QStringLiteral("0,3333333"));
    EXPECT_EQ(General(-1.5e-7), QStringLiteral("-1,5E-7"));
}

TEST(FloatToStrF, WhatItWritesReadsBack)
{
    InLocale german(QLocale::German);
    for (double value : { 0.1, -7.25, 1e-6, 3.0e38, 123456.7, 0.5e-5 }) {
        const QString text = General(value);
        EXPECT_NEAR(StrToFloat(text), value, std::fabs(value) * 1e-6) << text.toStdString();
    }
}

#pragma once
// Names are bytes; a QtTest failure shows them decoded as UTF-8.

#include <QStringList>
#include <QTest>

#include <string>
#include <vector>

namespace QTest {
template <> inline char* toString(const std::string& text)
{
    return toString(QString::fromUtf8(text));
}
template <> inline char* toString(const std::vector<std::string>& texts)
{
    QStringList all;
    for (const std::string& text : texts)
        all << QString::fromUtf8(text);
    return toString(all.join(QStringLiteral(" | ")));
}
} // namespace QTest

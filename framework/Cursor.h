#pragma once
// The screen cursor as long operations set it: THourglass shows the busy cursor for its scope and
// puts back whatever was shown before, also when an exception passes. Nested scopes stack.
// GUI thread only.

#include <QCursor>
#include <QGuiApplication>

namespace sondrel::framework {

class THourglass
{
public:
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};

} // namespace sondrel::framework

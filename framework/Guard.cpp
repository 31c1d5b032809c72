#include "Guard.h"

namespace sondrel::framework {

namespace {

    bool s_reportPending = false; // GUI thread only, as the models that report

} // namespace

void HandleExceptionLater(std::exception_ptr error)
{
    if (s_reportPending || !Application)
        return;
    s_reportPending = true;
    QMetaObject::invokeMethod(
        Application,
        [error] {
            s_reportPending = false;
            Application->HandleException(error);
        },
        Qt::QueuedConnection);
}

} // namespace sondrel::framework

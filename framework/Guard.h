#pragma once
// Runs an event handler on behalf of the toolkit. The toolkit's own frames keep no cleanup for
// exceptions, so a failure must not unwind through them: it is handed to the application
// object (the standard box) right here, and the event ends. Without an application object the
// failure goes on to the caller.

#include "Application.h"

#include <exception>
#include <utility>

namespace sondrel::framework {

// Returns whether the handler ran through.
template <class Handler> bool Guarded(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        if (!Application)
            throw;
        Application->HandleException(std::current_exception());
        return false;
    }
}

// Hands a failure to the application object once the event loop is back. Until then further
// failures are dropped: the queries that fail this way run once per row painted, and would
// otherwise stack a box for each.
void HandleExceptionLater(std::exception_ptr error);

// As Guarded, for the item models' queries: the toolkit makes them while it paints, where no box
// may open, so the failure is reported later.
template <class Handler> bool GuardedQuery(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        if (!Application)
            throw;
        HandleExceptionLater(std::current_exception());
        return false;
    }
}

} // namespace sondrel::framework

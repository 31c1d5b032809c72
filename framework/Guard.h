#pragma once
// Runs an event handler on behalf of the toolkit. The toolkit's own frames keep no cleanup for
// exceptions, so a failure must not unwind through them: it is handed to the application
// object (the standard box) right here, and the event ends. Without an application object the
// failure goes on to the caller.

#include "Application.h"

#include <exception>
#include <utility>

namespace sondrel::framework {

template <class Handler> void Guarded(Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        if (!Application)
            throw;
        Application->HandleException(std::current_exception());
    }
}

} // namespace sondrel::framework

#pragma once
// Runs an event handler on behalf of the toolkit. The toolkit's own frames keep no cleanup for
// exceptions, so a failure must not unwind through them: it is handed to the application
// object (the standard box) right here, and the event ends. Without an application object the
// failure goes on to the caller. Beside it, the scoped values that must come back down however
// a handler ends.

#include "Application.h"

#include <exception>
#include <utility>

namespace sondrel::framework {

// Hands a failure to the application object once the event loop is back. Until then further
// failures are dropped: the queries that fail this way run once per row painted, and would
// otherwise stack a box for each.
void HandleExceptionLater(std::exception_ptr error);

namespace detail {

    template <class Handler, class Report> bool RunGuarded(Handler&& handler, Report report)
    {
        try {
            std::forward<Handler>(handler)();
            return true;
        } catch (...) {
            if (!Application)
                throw;
            report(std::current_exception());
            return false;
        }
    }

} // namespace detail

// Returns whether the handler ran through.
template <class Handler> bool Guarded(Handler&& handler)
{
    return detail::RunGuarded(std::forward<Handler>(handler),
        [](std::exception_ptr error) { Application->HandleException(error); });
}

// As Guarded, for the item models' queries: the toolkit makes them while it paints, where no box
// may open, so the failure is reported later.
template <class Handler> bool GuardedQuery(Handler&& handler)
{
    return detail::RunGuarded(std::forward<Handler>(handler), HandleExceptionLater);
}

// Keeps a counter raised for a scope, also when a handler throws: the views count how deep they
// are in deleting, and ask nothing of an item meanwhile.
class TRaised
{
public:
    explicit TRaised(int& counter)
        : m_counter(counter)
    {
        ++m_counter;
    }
    ~TRaised() { --m_counter; }
    TRaised(const TRaised&) = delete;
    TRaised& operator=(const TRaised&) = delete;

private:
    int& m_counter;
};

// Gives `value` another value for a scope and puts the old one back after, also when a handler
// throws.
template <class T> class TScopedValue
{
public:
    TScopedValue(T& value, T scoped)
        : m_value(value)
        , m_saved(std::exchange(value, std::move(scoped)))
    {
    }
    ~TScopedValue() { m_value = std::move(m_saved); }
    TScopedValue(const TScopedValue&) = delete;
    TScopedValue& operator=(const TScopedValue&) = delete;

private:
    T& m_value;
    T m_saved;
};

// Runs `action` when the scope ends, also when a handler throws. The action may throw itself
// when no other failure is passing.
template <class Action> class TAtScopeEnd
{
public:
    explicit TAtScopeEnd(Action action)
        : m_action(std::move(action))
    {
    }
    ~TAtScopeEnd() noexcept(false) { m_action(); }
    TAtScopeEnd(const TAtScopeEnd&) = delete;
    TAtScopeEnd& operator=(const TAtScopeEnd&) = delete;

private:
    Action m_action;
};

// Keeps an update bracket of a collection (items, columns) open for a scope.
template <class Collection> class TUpdating
{
public:
    explicit TUpdating(Collection& collection)
        : m_collection(collection)
    {
        m_collection.BeginUpdate();
    }
    ~TUpdating() { m_collection.EndUpdate(); }
    TUpdating(const TUpdating&) = delete;
    TUpdating& operator=(const TUpdating&) = delete;

private:
    Collection& m_collection;
};

// Fires an event that ends a scope: also when a failure is passing, and then the event's own
// failure is reported instead of thrown over it.
template <class Handler> void FireAtScopeEnd(Handler&& handler)
{
    if (std::uncaught_exceptions() == 0)
        handler();
    else
        Guarded(std::forward<Handler>(handler));
}

} // namespace sondrel::framework

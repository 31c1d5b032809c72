#pragma once
// The failures the shell library raises: a failing shell call as the system's message for its
// HRESULT, a list index out of range, and a duplicate ID list in a sorted list that refuses them.

#include "UPTShell95.h"

#include <stdexcept>
#include <string>

namespace sondrel::shell {

class EOleSysError : public std::runtime_error
{
public:
    explicit EOleSysError(HRESULT code);
    [[nodiscard]] HRESULT ErrorCode() const { return m_code; }

private:
    HRESULT m_code;
};

class EListError : public std::out_of_range
{
public:
    using std::out_of_range::out_of_range;
};

class EPTPidlListError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Raises EOleSysError for a failed `hr`.
void OleCheck(HRESULT hr);

} // namespace sondrel::shell

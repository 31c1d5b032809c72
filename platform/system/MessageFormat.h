#pragma once
// The system message formatter's handling of a message given as a string, with its inserts
// taken from an array of texts: what FormatMessageA does with FORMAT_MESSAGE_FROM_STRING and
// FORMAT_MESSAGE_ARGUMENT_ARRAY.
//
// %1 … %99 insert the text of that position, optionally with a printf-style string format
// between exclamation marks (%1!s!, %2!-10s!, %3!.4s!; width and precision count characters, so
// a multi-byte character is never cut). %0 ends the message, %n is a line break ("\r\n"), %r a
// carriage return, %t a tab, and "%%", "% ", "%." and "%!" stand for the character after the %.
// Line breaks inside the message are kept as they are.

#include "Win32Types.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace sondrel::platform {

// False, with `out` unspecified, when an insert names a position past `count` (the Windows call
// would read beyond the array), uses a format other than a string one, or is cut short.
[[nodiscard]] bool FormatMessageFromString(
    std::string_view format, const char* const* arguments, std::size_t count, std::string& out);

} // namespace sondrel::platform

#pragma once
// Shell execution as the program asks for it: opening a document or an address with whatever
// the desktop opens it with (QDesktopServices, so the user's choice of browser holds). An
// address written without a scheme, as "www.example.org", is a web address. Needs a
// QGuiApplication; GUI thread only.

#include "Win32Types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {

using HWND = void*;
using HINSTANCE = void*;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;

// Results at or below 32 are failures, as Windows numbers them.
constexpr std::intptr_t SE_ERR_FNF = 2;
constexpr std::intptr_t SE_ERR_NOASSOC = 31;

// Opens `file` (UTF-8) for `operation` "open" (or null, which means the same). The owner, the
// parameters, the directory and the show command have no meaning for opening a document here and
// are not used. Answers a value above 32 on success, SE_ERR_FNF for an empty file and
// SE_ERR_NOASSOC when nothing could open it or the operation is another; the last error then
// says why: ERROR_NO_ASSOCIATION when the desktop has no opener, ERROR_BAD_FILE_TYPE for a FIFO,
// socket or device, which is never handed to an opener.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters,
    LPCSTR directory, int showCommand);

} // namespace win32

namespace sondrel::platform {

// The address ShellExecuteA opens for `file`: an absolute path is a local file; text with a
// scheme ("https:", "mailto:") stays as it is; anything else gets "http://". A colon followed by a
// digit is a port, not a scheme ("localhost:8080"). The address comes encoded (UTF-8, with
// percent escapes where an address needs them); empty for an empty file.
[[nodiscard]] std::string ShellTargetUrl(std::string_view file);

} // namespace sondrel::platform

#pragma once
// The image formats' and partition tables' reader, loaded when the first image is opened. Linked
// normally it would bring some forty libraries (its format and network back ends) into every
// start of the window and the companion, about 10 ms each time, for a feature most runs never use.

#include "NtfsLibrary.h"

#include <string>

namespace sondrel::image {

struct TskLibrary
{
    decltype(&::tsk_error_get) ErrorGet;
    decltype(&::tsk_error_reset) ErrorReset;
    decltype(&::tsk_img_open_utf8) ImageOpen;
    decltype(&::tsk_img_read) ImageRead;
    decltype(&::tsk_img_close) ImageClose;
    decltype(&::tsk_vs_open) TableOpen;
    decltype(&::tsk_vs_part_get) TablePart;
    decltype(&::tsk_vs_close) TableClose;
};

// The library's entry points, loaded once per process; null with the loader's reason in `error`
// when it is not installed or lacks one of them.
const TskLibrary* LoadTsk(std::string& error);

} // namespace sondrel::image

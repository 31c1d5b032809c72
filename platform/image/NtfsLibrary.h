#pragma once
// The one place the C libraries' headers come in: The Sleuth Kit (image formats and partition
// tables) and libntfs-3g (the volume). libntfs-3g's headers need the C types declared first and
// define min and max as macros, which would break the standard library included after them.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <tsk/libtsk.h>

#include <sys/stat.h>
#include <sys/types.h>

extern "C" {
#include <ntfs-3g/attrib.h>
#include <ntfs-3g/device.h>
#include <ntfs-3g/dir.h>
#include <ntfs-3g/ea.h>
#include <ntfs-3g/inode.h>
#include <ntfs-3g/logging.h>
#include <ntfs-3g/object_id.h>
#include <ntfs-3g/reparse.h>
#include <ntfs-3g/security.h>
#include <ntfs-3g/types.h>
#include <ntfs-3g/unistr.h>
#include <ntfs-3g/volume.h>
}

#undef min
#undef max

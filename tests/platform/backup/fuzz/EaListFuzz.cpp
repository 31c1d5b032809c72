// libFuzzer target: an EA list as ntfs-3g hands it out (written by Windows or by anything else).
// Terminating it never reads or writes outside it, keeps its size, and leaves a chain of next
// offsets that ends inside the buffer.
#include "EaList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> list(data, data + size);
    sondrel::backup::TerminateEaList(list);
    if (list.size() != size)
        std::abort();
    std::size_t at = 0;
    while (at + 4 <= list.size()) {
        const std::uint32_t next = list[at] | list[at + 1] << 8 | list[at + 2] << 16
            | static_cast<std::uint32_t>(list[at + 3]) << 24;
        if (next == 0)
            return 0;
        if (next >= list.size() - at)
            std::abort(); // a chain that leads out of the buffer
        at += next;
    }
    return 0;
}

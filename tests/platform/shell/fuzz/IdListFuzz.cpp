// libFuzzer target: ID-list bytes of any origin. The parser must never read outside them, and
// whatever it accepts must be written back to exactly the same bytes.
#include "IdListFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace sondrel::idlist;
    const std::size_t length = CheckedListSize(data, size);
    if (length > size)
        std::abort();
    std::vector<Item> items;
    if (!DecodeList(data, size, items))
        return 0;
    std::string written;
    for (const Item& item : items)
        written += EncodeItem(item);
    written.append(2, '\0');
    if (written.size() != length
        || written.compare(0, length, reinterpret_cast<const char*>(data), length) != 0)
        std::abort();
    (void)IsAbsoluteShape(items);
    return 0;
}

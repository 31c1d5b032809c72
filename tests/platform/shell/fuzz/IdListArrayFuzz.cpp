// libFuzzer target: "Shell IDList Array" blocks of any origin (any program on the display can
// offer one). The reader must never read outside the block, and whatever it accepts must come
// back through the writer as a block that reads the same.
#include "IdListArrayFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace sondrel::idlist;
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    const auto view = DecodeArray(block);
    if (!view)
        return 0;
    if (view->Items.empty())
        std::abort();
    const std::string written = EncodeArray(view->Parent, view->Items);
    const auto again = DecodeArray(written);
    if (!again || again->Parent != view->Parent || again->Items != view->Items)
        std::abort();
    return 0;
}

// libFuzzer target: a registry file of any content. Parsing never reads outside it, and every
// key and value name it yields is in lower case, as lookups expect.
#include "RegistryText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace sondrel::platform::registry;
    const Hive hive
        = ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& [path, values] : hive.Keys) {
        if (LowerAscii(path) != path)
            std::abort();
        for (const auto& [name, value] : values)
            if (LowerAscii(name) != name)
                std::abort();
    }
    return 0;
}

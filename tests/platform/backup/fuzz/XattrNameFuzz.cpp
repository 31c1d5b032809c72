// libFuzzer target: xattr names of any origin (ntfs-3g's user.NAME, Samba's
// user.DosStream.NAME:$DATA, bytes that are no UTF-8). A name that maps to a stream maps to
// ":NAME:$DATA" with no colon inside NAME, so the walk's cut keeps it whole.
#include "StreamNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    (void)sondrel::backup::IsSambaStreamXattr(name);
    const auto stream = sondrel::backup::StreamNameFromXattr(name);
    if (!stream)
        return 0;
    const std::u16string_view text(*stream);
    constexpr std::u16string_view kSuffix = u":$DATA";
    if (text.size() < 1 + kSuffix.size() || text.front() != u':' || !text.ends_with(kSuffix))
        std::abort();
    if (text.substr(1, text.size() - 1 - kSuffix.size()).find(u':') != std::u16string_view::npos)
        std::abort();
    if (!name.starts_with("user."))
        std::abort();
    return 0;
}

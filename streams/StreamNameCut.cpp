#include "StreamNameCut.h"

namespace sondrel::streams {

void CutStreamName(const std::uint8_t* bytes, std::size_t units, std::u16string& name)
{
    auto unit = [bytes](std::size_t at) {
        return static_cast<char16_t>(bytes[2 * at] | bytes[2 * at + 1] << 8);
    };
    std::size_t end = 1;
    while (end < units && unit(end) != u':')
        ++end;
    name.resize(end > 1 ? end - 1 : 0);
    for (std::size_t at = 1; at < end; ++at)
        name[at - 1] = unit(at);
}

} // namespace sondrel::streams

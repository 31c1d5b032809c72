#include "StreamNames.h"

#include "CodePage.h"

namespace sondrel::backup {

namespace {
    constexpr std::string_view kUserPrefix = "user.";
    constexpr std::string_view kSambaPrefix = "user.DosStream.";
    constexpr std::string_view kSambaSuffix = ":$DATA";
}

bool IsSambaStreamXattr(std::string_view xattrName)
{
    return xattrName.size() > kSambaPrefix.size() + kSambaSuffix.size()
        && xattrName.starts_with(kSambaPrefix) && xattrName.ends_with(kSambaSuffix);
}

std::optional<std::u16string> StreamNameFromXattr(std::string_view xattrName)
{
    if (!xattrName.starts_with(kUserPrefix) || xattrName.size() == kUserPrefix.size())
        return std::nullopt;
    std::string_view name = xattrName.substr(kUserPrefix.size());
    if (IsSambaStreamXattr(xattrName))
        name = xattrName.substr(
            kSambaPrefix.size(), xattrName.size() - kSambaPrefix.size() - kSambaSuffix.size());
    // Built in place: every named stream of every counted file comes through here.
    std::u16string streamName;
    streamName.reserve(name.size() + 7);
    streamName += u':';
    win32::AppendAnsiAsWide(streamName, name);
    for (std::size_t i = 1; i < streamName.size(); ++i)
        if (streamName[i] == u':')
            streamName[i] = u'\uFF1A';
    streamName += u":$DATA";
    return streamName;
}

} // namespace sondrel::backup

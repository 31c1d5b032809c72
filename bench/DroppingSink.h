#pragma once
// A sink that takes each listed record and drops it, as a list that is cleared at once would,
// counting the content bytes it was handed.

#include "StreamWalk.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace sondrel::bench {

class DroppingSink final : public streams::TStreamSink
{
public:
    void AddStream(std::unique_ptr<streams::StreamInfo> info, const std::string&,
        const std::string&, int) override
    {
        m_bytes += info->DataLength;
    }
    void SelectFirstStream() override { }
    [[nodiscard]] std::uint64_t Bytes() const { return m_bytes; }

private:
    std::uint64_t m_bytes = 0;
};

// Takes `--name=VALUE` from `arg` into `value`; whether `arg` was that option.
inline bool TakeOption(const char* arg, const char* name, std::string& value)
{
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0 || arg[length] != '=')
        return false;
    value = arg + length + 1;
    return true;
}

} // namespace sondrel::bench

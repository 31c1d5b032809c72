#include "RecentStat.h"

#include <cstdint>
#include <ctime>

namespace sondrel::platform {

namespace {

    constexpr std::int64_t kFreshNs = 1000000;

    struct Remembered
    {
        std::string Path;
        struct stat Stat
        {
        };
        std::int64_t At = 0;
        bool Held = false;
    };

    thread_local Remembered t_last;

    std::int64_t Now()
    {
        timespec now {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return std::int64_t { now.tv_sec } * 1000000000 + now.tv_nsec;
    }

} // namespace

void RememberLstat(const std::string& path, const struct stat& st)
{
    t_last.Path.assign(path);
    t_last.Stat = st;
    t_last.At = Now();
    t_last.Held = true;
}

bool TakeLstat(const std::string& path, struct stat& st)
{
    if (!t_last.Held)
        return false;
    t_last.Held = false;
    if (t_last.Path != path || Now() - t_last.At > kFreshNs)
        return false;
    st = t_last.Stat;
    return true;
}

} // namespace sondrel::platform

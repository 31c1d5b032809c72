#pragma once
// One inotify instance shared by every change notification of the process. The user's inotify
// instances are few (128 on many systems, shared with every other program), and a tree watches
// each folder it has filled, so a notification costs one watch and one eventfd, never an
// instance. Whoever waits on a change notification reads the instance's events (Drain) and
// signals the notifications they concern through their eventfds, so waiters on other threads
// wake too. The instance lives while any notification does; one made after all went reads the
// system's queue limits afresh.

#include "WaitObject.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace sondrel::platform::notify {

class ChangeNotification;

class InotifyHub
{
public:
    // The shared instance, made when there is none; null with `error` (errno) set on failure.
    [[nodiscard]] static std::shared_ptr<InotifyHub> Get(int& error);
    ~InotifyHub();
    InotifyHub(const InotifyHub&) = delete;
    InotifyHub& operator=(const InotifyHub&) = delete;

    [[nodiscard]] int Fd() const { return m_fd; }
    // Watches `path` for `change`; errno on failure, else 0.
    [[nodiscard]] int Add(ChangeNotification& change, const std::string& path, std::uint32_t mask);
    void Remove(ChangeNotification& change);
    // Reads every queued event and signals the notifications they concern.
    void Drain();
    // Takes in what is queued, then clears the signal of `change`; false when its watch died.
    [[nodiscard]] bool Rearm(ChangeNotification& change);

private:
    explicit InotifyHub(int fd)
        : m_fd(fd)
    {
    }
    void DrainLocked();
    void Dispatch(int wd, std::uint32_t mask);

    int m_fd;
    std::mutex m_mutex;
    std::unordered_map<int, std::vector<ChangeNotification*>> m_watches;
};

// A change-notification handle: its filter, its watch and whether it is signalled or dead.
// The state is the hub's, guarded by its mutex.
class ChangeNotification final : public WaitObject
{
public:
    ChangeNotification(int fd, std::uint32_t filter, std::shared_ptr<InotifyHub> hub)
        : WaitObject(Kind::ChangeNotification, fd)
        , m_filter(filter)
        , m_hub(std::move(hub))
    {
    }
    ~ChangeNotification() override;

    bool Acquire() override { return true; } // stays signalled until re-armed
    InotifyHub* Hub() override { return m_hub.get(); }

private:
    friend class InotifyHub;
    // Whether an event of `mask` on an item of the folder is a change this filter asks for.
    [[nodiscard]] bool Wants(std::uint32_t mask) const;
    void Signal();

    std::uint32_t m_filter;
    std::shared_ptr<InotifyHub> m_hub;
    int m_wd = -1;
    bool m_signalled = false;
    bool m_dead = false;
};

} // namespace sondrel::platform::notify

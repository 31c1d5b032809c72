#pragma once
// Scope holders for what shell calls hand out: an interface reference released, and an ID list
// freed to the shell allocator, at the end of the scope, also when an exception passes.

#include "UPTShellUtils.h"

#include <utility>

namespace sondrel::shell {

template <typename T> struct Held
{
    T* Pointer = nullptr;

    Held() = default;
    explicit Held(T* pointer)
        : Pointer(pointer)
    {
    }
    ~Held()
    {
        if (Pointer)
            Pointer->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    // Hands the reference on; the holder is empty after.
    T* Detach() { return std::exchange(Pointer, nullptr); }
};

struct HeldPidl
{
    PItemIDList Pointer = nullptr;

    HeldPidl() = default;
    explicit HeldPidl(PItemIDList pointer)
        : Pointer(pointer)
    {
    }
    ~HeldPidl() { ShellMemFree(Pointer); }
    HeldPidl(HeldPidl&& other) noexcept
        : Pointer(other.Detach())
    {
    }
    HeldPidl& operator=(HeldPidl&& other) noexcept
    {
        if (this != &other) {
            ShellMemFree(Pointer);
            Pointer = other.Detach();
        }
        return *this;
    }
    PItemIDList Detach() { return std::exchange(Pointer, nullptr); }
};

} // namespace sondrel::shell

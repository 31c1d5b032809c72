#pragma once
// One scope holder for what shell calls hand out: an interface reference is released, and an ID
// list freed to the shell allocator, when the holder ends (also when an exception passes). A
// holder moves, swaps, hands its pointer on (Detach) and lends its slot to a call that fills it
// (Out). The controls keep their current folder in holders, so that a fill builds the new folder
// apart and swaps it in only when it succeeded.

#include "UPTShellUtils.h"

#include <utility>

namespace sondrel::shell {

// How a held pointer is given back: interfaces are released, ID lists freed.
template <typename T> struct HeldRelease
{
    static void Free(T* pointer) { pointer->Release(); }
};
template <> struct HeldRelease<win32::ITEMIDLIST>
{
    static void Free(win32::ITEMIDLIST* pointer) { ShellMemFree(pointer); }
};

template <typename T> struct Held
{
    T* Pointer = nullptr;

    Held() = default;
    explicit Held(T* pointer)
        : Pointer(pointer)
    {
    }
    ~Held() { Reset(); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Held(Held&& other) noexcept
        : Pointer(other.Detach())
    {
    }
    Held& operator=(Held&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    [[nodiscard]] T* Get() const { return Pointer; }
    T* operator->() const { return Pointer; }
    explicit operator bool() const { return Pointer != nullptr; }
    // Hands the pointer on; the holder is empty after.
    [[nodiscard]] T* Detach() { return std::exchange(Pointer, nullptr); }
    // Gives back what is held and holds `pointer` (taken over) instead.
    void Reset(T* pointer = nullptr)
    {
        if (T* old = std::exchange(Pointer, pointer))
            HeldRelease<T>::Free(old);
    }
    // The slot for a call that hands out a pointer; what was held is given back first.
    [[nodiscard]] T** Out()
    {
        Reset();
        return &Pointer;
    }
    void Swap(Held& other) noexcept { std::swap(Pointer, other.Pointer); }
};

// An ID list held for a scope.
using HeldPidl = Held<win32::ITEMIDLIST>;

// A new reference to `pointer` (null stays null), held.
template <typename T> [[nodiscard]] Held<T> HoldReference(T* pointer)
{
    if (pointer)
        pointer->AddRef();
    return Held<T>(pointer);
}

// Hands every item an enumeration gives to `take` (which may keep it) and returns the result of
// the last Next: S_FALSE at the end, or the failure that ended it.
template <class Take> HRESULT ForEachEnumItem(IEnumIDList_NRC* list, Take&& take)
{
    for (;;) {
        HeldPidl item;
        win32::ULONG fetched = 0;
        const HRESULT result = list->Next(1, item.Out(), &fetched);
        if (result != win32::S_OK)
            return result;
        take(std::move(item));
    }
}

} // namespace sondrel::shell

// RAII owners for Win32 handles: one template, one alias per handle kind.
#pragma once

#include <windows.h>

#include <utility>

namespace ku {

// Traits: `type`, `Invalid()` and `Close(type)`.
template <typename Traits>
class UniqueAny {
    using T = typename Traits::type;


public:
    UniqueAny() = default;
    explicit UniqueAny(T value) : value_(value) {}
    ~UniqueAny() { reset(); }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}

    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    T* put() {
        reset();
        return &value_;
    }
    explicit operator bool() const { return value_ != Traits::Invalid(); }
    T release() { return std::exchange(value_, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) {
        T old = std::exchange(value_, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

private:
    T value_ = Traits::Invalid();
};

template <typename T, typename Fn, Fn close, bool minusOne = false>
struct Traits {
    using type = T;
    static T Invalid() { return minusOne ? reinterpret_cast<T>(-1) : T(); }
    static void Close(T value) { close(value); }
};

// Process, thread, event, token, mapping and snapshot handles: zero means none.
using UniqueHandle = UniqueAny<Traits<HANDLE, decltype(&::CloseHandle), &::CloseHandle>>;
// CreateFile and FindFirstFile answer INVALID_HANDLE_VALUE on failure.
using UniqueFile = UniqueAny<Traits<HANDLE, decltype(&::CloseHandle), &::CloseHandle, true>>;
using UniqueFind = UniqueAny<Traits<HANDLE, decltype(&::FindClose), &::FindClose, true>>;
using UniqueKey = UniqueAny<Traits<HKEY, decltype(&::RegCloseKey), &::RegCloseKey>>;
using UniqueModule = UniqueAny<Traits<HMODULE, decltype(&::FreeLibrary), &::FreeLibrary>>;
using UniqueService =
    UniqueAny<Traits<SC_HANDLE, decltype(&::CloseServiceHandle), &::CloseServiceHandle>>;
using UniqueGdiObject = UniqueAny<Traits<HGDIOBJ, decltype(&::DeleteObject), &::DeleteObject>>;

} // namespace ku

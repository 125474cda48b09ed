#pragma once
// Move-only owner of one OS resource. The traits give the handle type, the value that means
// "nothing owned" and the function that releases it. For the common case, a handle that is
// null when nothing is owned and has one close function, HandleTraits makes an owner one line:
//
//   using UniqueHkey = UniqueResource<HandleTraits<HKEY, ::RegCloseKey>>;
//
// Anything else (another invalid value, a close that needs more) spells its traits out:
//
//   struct FileTraits {
//       using Type = HANDLE;
//       static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
//       static void Close(Type h) noexcept { ::CloseHandle(h); }
//   };
//
// Copying is deleted, so a handle is closed exactly once.

#include <utility>

template <typename T, auto CloseFn> struct HandleTraits {
    using Type = T;
    static Type Invalid() noexcept { return Type{}; }
    static void Close(Type h) noexcept { static_cast<void>(CloseFn(h)); }
};

template <typename Traits> class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() noexcept : value_(Traits::Invalid()) {}
    explicit UniqueResource(Type value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // Releases what is owned now and takes `value`.
    void reset(Type value = Traits::Invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

    // Gives up ownership without closing.
    [[nodiscard]] Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // For out-parameters: releases what is owned and hands out the slot.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_;
};

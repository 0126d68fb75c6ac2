#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace platform::macos {

// Owner of one Core Foundation reference. Whatever a Create or Copy call
// returns belongs to the caller and must be released exactly once: adopt
// it here. A reference merely borrowed (a Get result, an array member) is
// retained first with retained().
template <typename Ref>
class CfOwned {
public:
    CfOwned() noexcept = default;
    explicit CfOwned(Ref adopted) noexcept : ref_(adopted) {}
    static CfOwned retained(Ref borrowed) noexcept {
        if (borrowed) CFRetain(borrowed);
        return CfOwned(borrowed);
    }
    CfOwned(CfOwned&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
    CfOwned& operator=(CfOwned&& other) noexcept {
        std::swap(ref_, other.ref_);
        return *this;
    }
    CfOwned(const CfOwned&) = delete;
    CfOwned& operator=(const CfOwned&) = delete;
    ~CfOwned() {
        if (ref_) CFRelease(ref_);
    }

    Ref get() const noexcept { return ref_; }
    // The slot an out-parameter call fills; whatever was held is released.
    Ref* out() noexcept {
        *this = CfOwned();
        return &ref_;
    }
    // Hands the reference over to a new owner.
    Ref release() noexcept { return std::exchange(ref_, nullptr); }
    explicit operator bool() const noexcept { return ref_ != nullptr; }

private:
    Ref ref_ = nullptr;
};

}  // namespace platform::macos

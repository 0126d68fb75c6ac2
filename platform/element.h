#pragma once

#include <utility>

namespace platform {

// Backend-defined state of one element of another application.
struct ElementRef;

// Provided by the linked backend: reference counting of element state.
void retainElementRef(ElementRef* ref) noexcept;
void releaseElementRef(ElementRef* ref) noexcept;

// Owning handle of one element (application root, window or control).
// Copying retains, destruction releases, so a handle can never leak or
// dangle; an empty handle is one on which every call fails.
class Element {
public:
    Element() noexcept = default;
    // Takes over one reference the backend already counted.
    explicit Element(ElementRef* adopted) noexcept : ref_(adopted) {}
    Element(const Element& other) noexcept : ref_(other.ref_) {
        if (ref_) retainElementRef(ref_);
    }
    Element(Element&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
    Element& operator=(Element other) noexcept {
        std::swap(ref_, other.ref_);
        return *this;
    }
    ~Element() {
        if (ref_) releaseElementRef(ref_);
    }

    ElementRef* ref() const noexcept { return ref_; }
    explicit operator bool() const noexcept { return ref_ != nullptr; }

private:
    ElementRef* ref_ = nullptr;
};

}  // namespace platform

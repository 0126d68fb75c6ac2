#pragma once

#include <memory>

// Ownership of Wayland protocol objects: each proxy type is released by the
// generated function that ends it (a destructor request such as
// zwlr_virtual_pointer_v1_destroy, or the plain client-side destroy).
namespace platform::wayland {

template <typename T, void (*Release)(T*)>
struct ProxyRelease {
    void operator()(T* proxy) const {
        if (proxy) Release(proxy);
    }
};

template <typename T, void (*Release)(T*)>
using Proxy = std::unique_ptr<T, ProxyRelease<T, Release>>;

}  // namespace platform::wayland

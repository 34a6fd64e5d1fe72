#pragma once
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace scene3d {

// Zero-filled storage for a scene's large buffers: calloc hands out fresh pages without
// writing them, and elements are not written again when made, so only what is used of a
// buffer is ever touched (the frames use 512 KB of a scene's 3 MiB depth buffer). Make a
// buffer whole (a new one, or assign with a value): elements that resize adds within the old
// capacity are not cleared.
template <typename T> struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <typename U> ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        void* p = std::calloc(n, sizeof(T));
        if (!p) std::abort(); // as any other failed allocation ends the program
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { std::free(p); }
    // A value-initialised element is the zero calloc left there.
    template <typename U> void construct(U*) noexcept {}
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <typename U> bool operator==(const ZeroedAllocator<U>&) const noexcept { return true; }
};
template <typename T> using ZeroedBuffer = std::vector<T, ZeroedAllocator<T>>;

} // namespace scene3d

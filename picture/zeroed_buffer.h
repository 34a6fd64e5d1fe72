#pragma once
#include <cstddef>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

namespace picture {

// Zero-filled storage for large blocks: calloc hands out fresh pages without writing them,
// and elements are not written again when made. Only what is used of a block is ever
// touched (the parts use 512 KB of a scene's 3 MiB depth buffer), and a picture's decoder
// writes its pixels once, not after a pass of zeros. Make a block whole (a new buffer, or
// assign with a value): elements that resize adds within the old capacity are not cleared.
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

} // namespace picture

#pragma once
// Memory for the few very large arrays of the program (the cells of a big grid). Fresh memory
// costs a page fault per 4 KB page on first touch, which on some machines is most of the time
// spent reading a large grid; blocks of 2 MB and more are asked for in huge pages where the
// system offers them.

#include <cstddef>
#include <memory>
#include <new>

namespace quillory::text {

inline constexpr std::size_t largeBlockThreshold = 2u << 20;

// Allocates `bytes` (at least largeBlockThreshold); throws std::bad_alloc.
void* allocateLargeBlock(std::size_t bytes);
void freeLargeBlock(void* block, std::size_t bytes) noexcept;
// Asks for huge pages in the whole 2 MB stretches of memory that was allocated elsewhere but
// not yet touched; small blocks are left alone.
void adviseLargeBlock(void* block, std::size_t bytes) noexcept;

template <class T> struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() noexcept = default;
    template <class U> LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= largeBlockThreshold) return static_cast<T*>(allocateLargeBlock(bytes));
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= largeBlockThreshold)
            freeLargeBlock(p, bytes);
        else
            std::allocator<T>().deallocate(p, n);
    }
    template <class U> bool operator==(const LargeBlockAllocator<U>&) const noexcept { return true; }
};

} // namespace quillory::text

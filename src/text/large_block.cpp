#include "text/large_block.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quillory::text {

namespace {
constexpr std::size_t hugePage = 2u << 20;
std::size_t roundUp(std::size_t bytes) { return (bytes + hugePage - 1) / hugePage * hugePage; }
} // namespace

void* allocateLargeBlock(std::size_t bytes) {
#if defined(_WIN32)
    void* block = _aligned_malloc(roundUp(bytes), hugePage);
#else
    void* block = std::aligned_alloc(hugePage, roundUp(bytes));
#endif
    if (!block) throw std::bad_alloc();
#if defined(__linux__)
    // Only a hint: without transparent huge pages the block is ordinary memory.
    ::madvise(block, roundUp(bytes), MADV_HUGEPAGE);
#endif
    return block;
}

void adviseLargeBlock(void* block, std::size_t bytes) noexcept {
#if defined(__linux__)
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + hugePage - 1) / hugePage * hugePage;
    const std::uintptr_t last = (start + bytes) / hugePage * hugePage;
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

void freeLargeBlock(void* block, std::size_t) noexcept {
#if defined(_WIN32)
    _aligned_free(block);
#else
    std::free(block);
#endif
}

} // namespace quillory::text

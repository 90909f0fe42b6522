#include "support/huge_pages.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tintext {

namespace {

constexpr uintptr_t kHugePage = 2u << 20;

uintptr_t AlignUp(uintptr_t address) { return (address + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void AdviseHugePages(void* data, size_t size) {
    uintptr_t start = AlignUp(reinterpret_cast<uintptr_t>(data));
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > start) (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

void ReleasePages(const void* data, size_t size) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t start = (reinterpret_cast<uintptr_t>(data) + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(page - 1);
    if (end > start) (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
}

void PutHeapOnHugePages() {
    // The heap grows by 8 MB at a time and keeps what it has; buffers of up
    // to 4 MB come from it rather than from mappings of their own.
    mallopt(M_TOP_PAD, 8 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    // New allocations come from the top of the heap, whose start is where
    // the allocations so far end. A block that nobody touches fills the
    // room up to the next 2 MB boundary, so that what follows lies in
    // whole huge pages.
    uintptr_t heapEnd = reinterpret_cast<uintptr_t>(sbrk(0));
    uintptr_t topStart = heapEnd - mallinfo2().keepcost;
    constexpr uintptr_t kChunkOverhead = 64;
    uintptr_t boundary = AlignUp(topStart + kChunkOverhead);
    static void* filler = nullptr;  // kept for good: giving it back would undo it
    filler = malloc(boundary - topStart - kChunkOverhead / 2);
    if (!filler) return;
    heapEnd = reinterpret_cast<uintptr_t>(sbrk(0));
    if (heapEnd > boundary) AdviseHugePages(reinterpret_cast<void*>(boundary), heapEnd - boundary);
}

}  // namespace tintext

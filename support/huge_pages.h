// Huge pages (2 MB) where the system gives them on request. Each first
// touch of an ordinary 4 KB page costs a fault, and on virtual machines a
// fault costs several microseconds: a short run touches a few hundred pages
// of heap, a long one a page per 4 KB of its input.
#pragma once

#include <cstddef>

namespace tintext {

// Lets the heap's next allocations come from a region on huge pages. Call
// it first thing in main, before the heap holds much.
void PutHeapOnHugePages();

// Asks for huge pages for the 2 MB blocks within [data, data + size) that
// nothing has touched yet.
void AdviseHugePages(void* data, size_t size);

// Gives the memory of the whole pages within [data, data + size) back to the
// system: for a buffer whose content is no longer needed although the buffer
// itself lives on for a while (those pages read as zeros afterwards).
void ReleasePages(const void* data, size_t size);

}  // namespace tintext

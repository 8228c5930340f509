// prefault.h -- memory about to be written whole, had from the kernel in one go.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

// Has the kernel give every page under [start, start + bytes) at once, before they are first
// written. Memory taken a page at a time as it is first touched costs several times as much on
// some machines (ten times on virtual ones), and a window surface or a page is megabytes that
// are written whole at once. Only a hint: where the kernel does not know it, nothing happens.
inline void Platform_Prefault(void *start, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    if (!start || bytes == 0)
        return;
    const uintptr_t pageSize = (uintptr_t)sysconf(_SC_PAGESIZE);
    const uintptr_t first = (uintptr_t)start & ~(pageSize - 1);
    madvise(reinterpret_cast<void *>(first), (uintptr_t)start + bytes - first, MADV_POPULATE_WRITE);
#else
    (void)start;
    (void)bytes;
#endif
}

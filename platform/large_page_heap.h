// The heap of a short process that allocates its large pictures once each (the render
// command): every page of a fresh block is a page fault, and those cost a good part of such a
// process's time. Here large blocks come from the main heap instead of a mapping each, what is
// freed stays for the next block, and the heap is advised for transparent huge pages, so that
// a picture faults in 2 MB at a time rather than 4 kB. Advice only: where the system offers
// no huge pages only the reuse remains. The heap never shrinks again: not for long-running
// processes.
#pragma once

#include <cstddef>

// Reserves at least reserve bytes of heap (address space; memory only as it is touched) and
// advises it for huge pages. Returns the advised bytes (0 when the advice was refused).
size_t UseLargePageHeap(size_t reserve);

// The heap of a short process that allocates its large pictures once each (the render
// command): every page of a fresh block is a page fault, and those cost a good part of such a
// process's time. Here large blocks come from the main heap instead of a mapping each, what is
// freed stays for the next block, and the heap is advised for transparent huge pages, so that
// a picture faults in 2 MB at a time rather than 4 kB. Advice only: where the system offers
// no huge pages only the reuse remains. The heap never shrinks again: not for long-running
// processes.
//
// A fresh huge page costs 0.1 to 0.3 ms to fault in. In a virtual machine whose host takes
// back free memory (a balloon's free page reporting hands back free blocks of 2 MB and more),
// a huge page whose memory went back waits for the host instead: 20 to 70 ms each were
// measured, while all the 4 kB faults of a render together cost about 10 ms. So the first
// pages, which the render uses anyway, are faulted in here, and from the first slow one on the
// rest of the heap is advised for small pages.
#pragma once

#include <cstddef>

// Pages faulted in to find out (32 MB, about what a thumbnail uses), and the time that makes
// a page slow.
inline constexpr int kProbedHugePages = 16;
inline constexpr double kSlowHugePageMs = 3.0;

// Reserves at least reserve bytes of heap (address space; memory only as it is touched) and
// advises it for huge pages, probing up to kProbedHugePages of them as above; a page taking
// longer than slow_page_ms to touch ends the huge pages after it. Returns the bytes advised for
// huge pages (0 when the advice was refused).
size_t UseLargePageHeap(size_t reserve, double slow_page_ms = kSlowHugePageMs);

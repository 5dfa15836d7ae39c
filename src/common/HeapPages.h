// Large pages for the heap of a program that builds large tables in memory.
// On a large link most of the heap is written once, and taking it 4 KB page by
// page costs a fault each; asking for 2 MB pages where the system offers them
// on request cuts the faults several hundredfold. Where it does not, nothing
// changes.
#ifndef ZV_COMMON_HEAPPAGES_H
#define ZV_COMMON_HEAPPAGES_H

// Call first thing in main, before the heap holds anything of note.
void preferLargeHeapPages();

#endif

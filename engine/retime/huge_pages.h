// Asking glibc for transparent huge pages for the heap.
#pragma once

namespace retime {

// The re-time writes every byte of its working memory (the input, the cue
// tails, the output) about once, so with 4 KiB pages much of its time goes to
// page faults. glibc puts its heap in transparent huge pages only when told so
// at start-up (its malloc tunable hugetlb=1): unless that is already set, this
// sets it and starts the program once more with the same arguments. Returns
// only when it did not (already set, or the new start failed).
void restartWithHugePages(char** argv);

}  // namespace retime

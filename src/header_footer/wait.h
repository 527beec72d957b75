// A wait of whole seconds, used between the two readings of the footer cut and before the split
// driver deletes the header and footer files.
#pragma once

// Waits `count` seconds and returns 0. A second is counted each time at least 1000 ms of the
// platform's millisecond tick have passed since the last counted mark, and the mark then moves
// to the current tick. Between the polls the thread sleeps (platform::Sleep) for the rest of the
// current second, so the processor is never kept busy. A count of 0 or less returns at once, and
// so does every count where the platform makes no fixed waits (platform::Services::fixedWaits is
// false on the Linux console program).
int WaitSeconds(int count);

// What the change journal adds to the commands a user runs most, under Wine or on Windows.
#pragma once

#include "platform/platform.h"

namespace velqor::bench {

// Times Boost and the apply through a main window over `journalled` (the program's platform,
// with the journal) against the same commands through a main window without it, and prints
// both ratios against their limit of 1.3. False when one is over.
bool MeasureJournal(platform::Platform& journalled);

}  // namespace velqor::bench

// What each table-driven command is about to change, read from the very tables it writes from,
// so that its before-states can be made durable together, with one flush.
#pragma once

#include <array>
#include <vector>

#include "journal/recorder.h"

namespace velqor::journal {

// "&Apply XP Tweak" with the boxes in `states` (Check1 first).
std::vector<PlannedChange> ApplyPlan(const std::array<int, 8>& states);
// The write of a click on Check1 that leaves the box in `new_state`.
std::vector<PlannedChange> Check1Plan(int new_state);
// "&Internet Speed".
std::vector<PlannedChange> BoostPlan();
// "&Restore Settings" and the restore of the main window's close: the same values.
std::vector<PlannedChange> RestorePlan();

}  // namespace velqor::journal

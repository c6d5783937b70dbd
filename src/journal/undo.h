// Putting a recorded command's values back to their prior states, and the .reg export of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/registry.h"

namespace velqor::journal {

// Which values an undo puts back when some have changed since the command.
enum class UndoMode {
  kAll,            // every value the command changed
  kOnlyUnchanged,  // only those still as the command left them
};

// A value an undo could not put back, and the registry's answer.
struct RefusedValue {
  const ValueChange* value = nullptr;
  platform::Status status = platform::kSuccess;
};

struct UndoOutcome {
  std::vector<const ValueChange*> put_back;  // in the order they were put back
  std::vector<RefusedValue> refused;
  std::vector<const ValueChange*> left;  // changed since, left as they are (kOnlyUnchanged)
};

// The values of `command` whose state now differs from the one the command left them in
// (changed since by a later command or another program), one entry per value. Values the registry
// refused to change are not listed; nor are values whose record stops before their change (the
// command may not have changed them, so nothing can have changed them since). A value that cannot
// be read counts as changed.
std::vector<const ValueChange*> ChangedSince(platform::Registry& registry, const Command& command);

// Puts every value of `command` back to its state before the command, last change first: a value
// it deleted is written again with its exact type and bytes, a value it created is deleted, and
// keys stay; a file it removed is made again with its exact bytes. Values of the wide registry
// and files are reached through the Recorder's fronts when `registry` is a Recorder that has them,
// and are refused (kNotSupported) otherwise. A value already in its prior state is not written.
// Refused writes are reported and the rest still done. Through a Recorder, run it inside UndoScope
// so that it is recorded.
UndoOutcome Undo(platform::Registry& registry, const Command& command, UndoMode mode);

// "Undo of 12": the name an undo is recorded under.
std::string UndoName(const Command& command);

// The undo of `command` as a recorded command of its own ("Undo of 12"), which can be undone too.
// An undo that finds every value back already (and none refused) is recorded with no values, so
// that the command counts as undone.
UndoOutcome RecordedUndo(Recorder& recorder, const Command& command, UndoMode mode);

// The command's prior states as a .reg file that regedit imports (REGEDIT4, the ANSI code page,
// CR LF): the value as it was, or "name"=- where it did not exist; REG_SZ quoted where the quoted
// form gives back the exact bytes, REG_DWORD as dword:, everything else as hex(N): bytes, with
// long lines wrapped as regedit wraps them. Values the registry refused to change, and the wide
// registry's values and files, are left out.
std::string ExportBeforeStates(const Command& command);

}  // namespace velqor::journal

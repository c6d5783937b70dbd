// The one undo a user starts, shared by the Changes window's "Undo" and Tools > "Undo last
// change": the check for values changed since, the Yes/No/Cancel question naming them, the
// recorded undo, and the report of values the registry refused to put back.
#pragma once

#include <optional>
#include <string>

#include "journal/journal.h"
#include "journal/recorder.h"
#include "journal/undo.h"
#include "platform/ui.h"

namespace velqor::journal {

// Undoes `command` as the user asked: when values have changed since the command (a later command
// or another program), asks in a Yes/No/Cancel box naming them whether to put back all (Yes) or
// only the others (No); Cancel, or closing the box, does nothing and gives nullopt. The undo is
// recorded as its own command ("Undo of 12"), also when run from a handler's command, which has
// changed nothing before it. Values the registry refused are named in a message; the others are
// put back all the same. Raises nothing of its own.
std::optional<UndoOutcome> UndoWithChecks(platform::Ui& ui, Recorder& recorder,
                                          const Command& command);

// "Apply XP Tweak" (12): how messages name a command.
std::string CommandLabel(const Command& command);

}  // namespace velqor::journal

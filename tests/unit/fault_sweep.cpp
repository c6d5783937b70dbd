// What the fault sweep's command tables share, and the sweep itself.
#include "unit/fault_sweep.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace velqor::sweep {

using platform::sim::HeadlessWindow;

std::string Expect(bool ok, const std::string& what) {
  return ok ? std::string() : what;
}

std::vector<platform::sim::ScriptCall> CallsSince(const Env& env, std::size_t from,
                                                  const std::string& verb) {
  std::vector<platform::sim::ScriptCall> calls;
  const auto& all = env.sim.script_host.calls();
  for (std::size_t i = from; i < all.size(); ++i) {
    if (all[i].verb == verb) calls.push_back(all[i]);
  }
  return calls;
}

std::optional<std::uint32_t> Dword(const Env& env, platform::KeyHandle root, std::string_view key,
                                   std::string_view name) {
  return env.sim.registry.FindDword(root, key, name);
}

std::string BoostedValues(const Env& env) {
  for (const booster::BoostStep& step : booster::BoostSteps()) {
    if (step.op == booster::StepOp::kCreateKey) continue;
    const bool ok = step.type == 1
                        ? env.sim.registry.FindText(step.root, step.key, step.name) == step.data
                        : Dword(env, step.root, step.key, step.name) ==
                              static_cast<std::uint32_t>(std::stoi(std::string(step.data)));
    if (!ok) return std::string(step.step) + " " + std::string(step.name) + " not boosted";
  }
  return {};
}

std::string RestoredValues(const Env& env) {
  for (const booster::UndoStep& step : booster::UndoSteps()) {
    if (step.op != booster::StepOp::kDeleteValue) continue;
    if (env.sim.registry.Find(step.root, step.key, step.name)) {
      return std::string(step.step) + " left " + std::string(step.name);
    }
  }
  return Expect(Dword(env, kHkcu, booster::kUserInternetSettings, "syncmode5") == 4U,
                "syncmode5 is not 4");
}

std::string LastCommandUndone(Env& env) {
  journal::Contents contents;
  if (env.sim.journal.Load(contents) != platform::kSuccess || contents.commands.empty()) {
    return "the journal cannot be read";
  }
  // Once the journal stopped recording, the undo itself leaves no record.
  const journal::Command& last = contents.commands.back();
  const bool recording = env.sim.recorder.recording();
  const journal::Command* undone = recording ? contents.Find(last.undoes) : &last;
  if (undone == nullptr || (recording && !undone->undone)) {
    return "nothing was undone; the last command is " + last.name;
  }
  for (const journal::ValueChange& value : undone->values) {
    journal::ValueState now;
    if (journal::ReadState(env.sim.registry, value.root, value.key_path, value.value_name, now) !=
            platform::kSuccess ||
        now != value.before) {
      return value.value_name + " is not back";
    }
  }
  return {};
}

std::vector<std::string> Rows(HeadlessWindow& w, const char* list) {
  std::vector<std::string> rows;
  const platform::ControlId id = w.Id(list);
  rows.reserve(static_cast<std::size_t>(w.ItemCount(id)));
  for (int row = 0; row < w.ItemCount(id); ++row) rows.push_back(w.ItemText(id, row));
  return rows;
}

std::string ListsShow(Env& env, const std::vector<std::string>& names) {
  HeadlessWindow& w = env.Startup();
  const std::vector<std::string> rows = Rows(w, "lstName");
  if (rows != names) return "lstName shows " + std::to_string(rows.size()) + " other rows";
  if (Rows(w, "lstCmdLine").size() != names.size()) return "lstCmdLine is not row-parallel";
  return Expect(w.Selection(w.Id("lstName")) == 0 && w.Text(w.Id("txtName")) == names.front(),
                "row 0 is not selected");
}

bool Click(Env& env, const char* name) {
  return env.Main().ClickByName(name);
}

bool Dispatch(Env& env, const std::function<void()>& handler) {
  platform::RunHandler(env.sim.ui, handler);
  return true;
}

SweepResult Sweep(const std::vector<Command>& commands, bool report) {
  const AllowedChanges allowed;
  const std::vector<Fault> faults = AllFaults();
  SweepResult result;
  for (const Command& command : commands) {
    for (const Fault& fault : faults) {
      ++result.cases;
      std::ostringstream failures;
      const std::string pair = command.name + " with \"" + fault.name + "\": ";
      Env env;
      const std::string before = env.sim.registry.Snapshot();
      std::size_t hits_before = 0;
      std::size_t calls_at_act = 0;
      // A close that was made to fail leaves its handle open; nothing else may.
      const std::size_t stuck_handles = fault.kind == FaultKind::kRegistryClose ? 1 : 0;
      // Prepares and runs the command, with the fault injected after the preparation so that it
      // meets the command itself. Returns the number of message boxes before the command ran, or
      // nothing when it could not be run.
      const auto attempt = [&](const char* phase, bool inject) -> std::optional<std::size_t> {
        try {
          command.arrange(env);
          if (inject) {
            hits_before = env.FaultsHit();
            fault.inject(env.sim);
          }
          const std::size_t boxes = env.sim.ui.message_boxes().size();
          calls_at_act = env.sim.script_host.calls().size();
          if (!command.act(env)) {
            failures << "\n" << pair << phase << "the window did not respond to the command";
            return std::nullopt;
          }
          if (const std::string broken = env.Inconsistency(stuck_handles); !broken.empty()) {
            failures << "\n" << pair << phase << "left the program inconsistent: " << broken;
          }
          return boxes;
        } catch (const std::exception& e) {
          failures << "\n" << pair << phase << "an exception escaped: " << e.what();
        } catch (...) {
          failures << "\n" << pair << phase << "an unknown exception escaped";
        }
        return std::nullopt;
      };

      const std::optional<std::size_t> boxes = attempt("", true);
      const bool hit = env.FaultsHit() > hits_before;
      result.strikes[fault.name] += hit ? 1 : 0;
      // An icon is a sign of the state, not the state: a command that meets a missing one still
      // does all of its work, and says so once.
      if (boxes && hit && fault.kind == FaultKind::kIcon) {
        if (const std::string broken = command.works(env, calls_at_act); !broken.empty()) {
          failures << "\n" << pair << "the command stopped short: " << broken;
        }
        if (env.ErrorsSince(*boxes).size() != 1) {
          failures << "\n" << pair << "the icon was not told exactly once";
        }
      }
      fault.clear(env.sim);
      if (boxes) {
        const std::vector<std::string> errors = env.ErrorsSince(*boxes);
        // A change made unrecorded, its state before unreadable, is told as a journal that
        // cannot be written is.
        const bool unrecorded =
            fault.kind == FaultKind::kRegistry && env.sim.recorder.missed().has_value();
        const bool must_tell =
            hit && (command.reported.contains(fault.kind) ||
                    (unrecorded && command.reported.contains(FaultKind::kJournal)));
        // A registry fault passed by the recorder's retry of an open without the right to read,
        // or met only by the journal's own reads for changes the command then did not make,
        // leaves nothing to tell: the command must then have done all of its work.
        const bool absorbed = fault.kind == FaultKind::kRegistry && !unrecorded &&
                              command.works(env, calls_at_act).empty();
        if (must_tell && errors.empty() && !absorbed) {
          failures << "\n" << pair << "the failure was not reported to the user";
        } else if (!must_tell && !errors.empty()) {
          failures << "\n"
                   << pair << (hit ? "a quiet failure" : "a fault that never struck")
                   << " was reported: " << errors.front();
        }
      }

      // The same command once the fault is lifted.
      if (const auto clean = attempt("after the fault was lifted, ", false)) {
        const std::vector<std::string> errors = env.ErrorsSince(*clean);
        if (!errors.empty()) {
          failures << "\n" << pair << "after the fault was lifted, it reported: " << errors.front();
        }
        if (const std::string broken = command.works(env, calls_at_act); !broken.empty()) {
          failures << "\n" << pair << "after the fault was lifted, the command failed: " << broken;
        }
      }

      for (const std::string& change : allowed.Stray(before, env.sim.registry.Snapshot())) {
        failures << "\n" << pair << "a registry change outside the tables: " << change;
      }
      std::set<std::string> exports;  // the files the user asked for
      for (const platform::sim::SaveAsRecord& dialog : env.sim.ui.save_as_dialogs()) {
        if (dialog.answer) exports.insert(*dialog.answer);
      }
      for (const std::string& file : env.sim.disk.FileNames()) {
        if (file != platform::sim::SimJournalFile::kFileName && !exports.contains(file)) {
          failures << "\n" << pair << "a file written outside the journal and the export: " << file;
        }
      }
      if (report && !failures.str().empty()) {
        ADD_FAILURE() << failures.str();
      }
    }
  }
  return result;
}

}  // namespace velqor::sweep

// The registry work of the measured commands, made again with bare advapi32 calls: the yardstick
// the commands are compared with. Also fills and empties the Run keys the startup manager lists.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velqor::bench {

// One value write: the key is opened (or created, when `create` is set) for the write alone,
// as the program does; `bytes` are what RegSetValueExA receives.
struct Write {
  HKEY root = nullptr;
  std::string key;
  std::string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool create = false;    // RegCreateKeyExA rather than RegOpenKeyExA
  bool key_only = false;  // the step only makes the key exist (no value written)
};

// The nine writes of the apply command with every tweak box checked, in the command's order.
std::vector<Write> ApplyWrites();
// The twenty-three steps of Boost, in order.
std::vector<Write> BoostWrites();

// Each write with its own key handle: open or create, RegSetValueExA, close. Returns how many
// values were written.
int WriteEach(const std::vector<Write>& writes);

// What the registry holds under each write's value name: the type and bytes, or nothing
// (missing key or value). Key-only steps read as nothing.
struct Held {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool operator==(const Held&) const = default;
};
std::vector<Held> ReadBack(const std::vector<Write>& writes);
// Deletes the value of every write (the keys stay).
void DeleteValues(const std::vector<Write>& writes);

// The keys of a write list, opened once before timing, so that the timed loop is RegSetValueExA
// alone.
class OpenedKeys {
 public:
  explicit OpenedKeys(const std::vector<Write>& writes);
  ~OpenedKeys();
  OpenedKeys(const OpenedKeys&) = delete;
  OpenedKeys& operator=(const OpenedKeys&) = delete;
  // The writes' RegSetValueExA calls on the opened keys; returns how many succeeded.
  int SetAll() const;

 private:
  const std::vector<Write>& writes_;
  std::vector<HKEY> keys_;  // parallel to writes_; null where the key could not be opened
};

// The Run key's path under either root.
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Adds entries named "VelqorBench <i>" until the Run key under `root` holds `count` of them;
// returns false when a write failed.
bool SeedRunEntries(HKEY root, int count);
// Removes every "VelqorBench " entry from the Run key under `root`.
void RemoveRunEntries(HKEY root);
// The plain enumeration: open the key, read every value's name and data with RegEnumValueA,
// close. Returns the number of values read.
int EnumerateRunKey(HKEY root);

}  // namespace velqor::bench

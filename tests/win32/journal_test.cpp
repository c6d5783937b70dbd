// The change journal on the real registry and the real disk: values seeded by hand, changed
// through the recorder, undone by the next run of the program byte for byte, and the export
// imported by the system's registry editor to the same values.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "journal/recorder.h"
#include "journal/undo.h"
#include "platform/win32/journal_file.h"
#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#include "platform/win32/text.h"
#include "win32/wine_start.h"

namespace velqor::journal {
namespace {

constexpr char kKey[] = "Software\\VelqorJournalTest";

struct Held {
  DWORD type = 0;
  std::string bytes;
  bool operator==(const Held&) const = default;
};

std::optional<Held> Read(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  Held held;
  DWORD length = 0;
  std::optional<Held> result;
  if (RegQueryValueExA(key, name, nullptr, &held.type, nullptr, &length) == ERROR_SUCCESS) {
    held.bytes.resize(length);
    RegQueryValueExA(key, name, nullptr, &held.type, reinterpret_cast<BYTE*>(held.bytes.data()),
                     &length);
    held.bytes.resize(length);
    result = held;
  }
  RegCloseKey(key);
  return result;
}

// One run of the program: its journal file and its recorder in front of the real registry.
struct ProgramRun {
  ProgramRun() : file(Options()), writer(file), recorder(registry, writer) {}
  static platform::win32::Win32JournalFile::Options Options() {
    platform::win32::Win32JournalFile::Options options;
    options.folder = L"VelqorJournalTest";
    return options;
  }
  platform::win32::Win32Registry registry;
  platform::win32::Win32JournalFile file;
  JournalWriter writer;
  Recorder recorder;
};

class Win32JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    wchar_t folder[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    for (const wchar_t* file : {L"\\changes.txt", L"\\changes.txt.lock"}) {
      DeleteFileW((std::wstring(folder) + L"\\VelqorJournalTest" + file).c_str());
    }
  }
};

TEST_F(Win32JournalTest, TheNextRunUndoesByteForByteAndRegeditImportsTheExport) {
  // Seeded by hand: other types than the program writes, a text without its NUL, an empty value,
  // 4 KiB, a non-ASCII name and text.
  const std::vector<std::pair<std::string, Held>> seeded = {
      {"Expand", {REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13)}},
      {"Binary", {REG_BINARY, std::string("\x00\xFF\x10", 3)}},
      {"NoNul", {REG_SZ, "abc"}},
      {"Empty", {REG_SZ, ""}},
      {"Big", {REG_BINARY, std::string(4096, '\x5A')}},
      {"caf\xE9", {REG_SZ, std::string("\xFC\xE9\0", 3)}},
      {"Dword", {REG_DWORD, std::string("\x40\0\0\0", 4)}},
  };
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, held] : seeded) {
    RegSetValueExA(key, name.c_str(), 0, held.type,
                   reinterpret_cast<const BYTE*>(held.bytes.data()),
                   static_cast<DWORD>(held.bytes.size()));
  }
  RegCloseKey(key);
  // What the ANSI calls read is what the journal keeps and puts back. A REG_SZ of odd length
  // without its NUL reads with one added (under Wine), and comes back so.
  std::vector<std::optional<Held>> before;
  for (const auto& [name, held] : seeded) {
    before.push_back(Read(name.c_str()));
    if (name != "NoNul") {
      EXPECT_EQ(before.back(), held) << name;
    }
  }
  {
    ProgramRun run;
    const CommandScope scope(run.recorder, "Internet Speed");
    const auto shell = platform::win32::Win32ScriptHost(run.recorder).CreateShell();
    for (const auto& [name, held] : seeded) {
      shell->RegWrite("HKCU\\" + std::string(kKey) + "\\" + run.registry.FromAnsi(name), 400,
                      "REG_SZ");
    }
    shell->RegWrite("HKCU\\" + std::string(kKey) + "\\Created", 1, "REG_DWORD");
  }
  ProgramRun next;
  Contents contents;
  ASSERT_EQ(next.writer.Load(contents), platform::kSuccess);
  ASSERT_EQ(contents.commands.size(), 1U);
  const Command command = contents.commands[0];
  EXPECT_EQ(command.values.size(), seeded.size() + 1);
  const UndoOutcome outcome = RecordedUndo(next.recorder, command, UndoMode::kAll);
  EXPECT_TRUE(outcome.refused.empty());
  for (std::size_t i = 0; i < seeded.size(); ++i) {
    SCOPED_TRACE(seeded[i].first);
    EXPECT_EQ(Read(seeded[i].first.c_str()), before[i]);
  }
  EXPECT_FALSE(Read("Created").has_value());

  // The export of the prior states, imported by regedit over the changed values.
  {
    const CommandScope scope(next.recorder, "Again");
    const auto shell = platform::win32::Win32ScriptHost(next.recorder).CreateShell();
    for (const auto& [name, held] : seeded) {
      shell->RegWrite("HKCU\\" + std::string(kKey) + "\\" + next.registry.FromAnsi(name), 7,
                      "REG_DWORD");
    }
  }
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring reg_file = std::wstring(temp) + L"velqor-journal-test.reg";
  {
    const std::string text = ExportBeforeStates(command);
    FILE* out = _wfopen(reg_file.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
  }
  ASSERT_TRUE(test::ImportSilently(reg_file));
  DeleteFileW(reg_file.c_str());
  for (std::size_t i = 0; i < seeded.size(); ++i) {
    SCOPED_TRACE(seeded[i].first);
    EXPECT_EQ(Read(seeded[i].first.c_str()), before[i]);
  }
}

}  // namespace
}  // namespace velqor::journal

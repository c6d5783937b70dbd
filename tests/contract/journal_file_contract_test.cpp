// What the change journal relies on from its file, checked against the simulation natively and
// against the real disk under Wine: the folder made when missing, durable appends, atomic
// replacement, and exclusive access that a second copy or another program respects.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>

#include "platform/win32/journal_file.h"
#include "platform/win32/text.h"
#else
#include "platform/sim/journal_file.h"
#endif

namespace velqor::contract {
namespace {

using platform::JournalFile;
using platform::JournalLock;

#ifdef _WIN32

// A folder of its own under the real application data folder, removed before and after.
class Win32JournalEnv {
 public:
  Win32JournalEnv() { Clean(); }
  ~Win32JournalEnv() { Clean(); }
  Win32JournalEnv(const Win32JournalEnv&) = delete;
  Win32JournalEnv& operator=(const Win32JournalEnv&) = delete;

  // A copy of the program; it retries briefly, so a held file fails the test quickly.
  std::unique_ptr<JournalFile> NewCopy() {
    platform::win32::Win32JournalFile::Options options;
    options.folder = kFolder;
    options.attempts = 3;
    options.delay_ms = 10;
    return std::make_unique<platform::win32::Win32JournalFile>(options);
  }
  // Another program opens the journal file without sharing it, until Release.
  void Hold() {
    held_ = CreateFileW((Folder() + L"\\changes.txt").c_str(), GENERIC_READ, 0, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held_, INVALID_HANDLE_VALUE);
  }
  void Release() {
    CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
  }
  bool FolderExists() const {
    return GetFileAttributesW(Folder().c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  // A file the user may choose, in a folder that exists, and what it holds (nothing: missing).
  std::string UserFilePath() {
    CreateDirectoryW(Folder().c_str(), nullptr);
    return platform::win32::Narrow(Folder() + L"\\export \u00e9.reg");
  }
  std::optional<std::string> UserFile(const std::string& path) const {
    const HANDLE file = CreateFileW(platform::win32::Widen(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return std::nullopt;
    }
    std::string bytes(4096, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
  }

 private:
  static constexpr wchar_t kFolder[] = L"VelqorContractTest";
  static std::wstring Folder() {
    wchar_t app_data[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
    return std::wstring(app_data) + L"\\" + kFolder;
  }
  void Clean() {
    if (held_ != INVALID_HANDLE_VALUE) {
      Release();
    }
    for (const wchar_t* file :
         {L"\\changes.txt", L"\\changes.txt.lock", L"\\changes.txt.new", L"\\export \u00e9.reg"}) {
      DeleteFileW((Folder() + file).c_str());
    }
    RemoveDirectoryW(Folder().c_str());
  }

  HANDLE held_ = INVALID_HANDLE_VALUE;
};
using JournalEnvironments = ::testing::Types<Win32JournalEnv>;

#else

class SimJournalEnv {
 public:
  std::unique_ptr<JournalFile> NewCopy() {
    return std::make_unique<platform::sim::SimJournalFile>(disk_);
  }
  void Hold() { disk_.HoldFile(true); }
  void Release() { disk_.HoldFile(false); }
  bool FolderExists() const { return true; }
  std::string UserFilePath() { return "C:\\Users\\User\\export \xC3\xA9.reg"; }
  std::optional<std::string> UserFile(const std::string& path) const { return disk_.File(path); }

 private:
  platform::sim::SimDisk disk_;
};
using JournalEnvironments = ::testing::Types<SimJournalEnv>;

#endif

template <typename Env>
class JournalFileContract : public ::testing::Test {
 protected:
  Env env_;
};

TYPED_TEST_SUITE(JournalFileContract, JournalEnvironments);

TYPED_TEST(JournalFileContract, AppendsReadBackAndReplaceSwapsTheWholeFile) {
  const std::unique_ptr<JournalFile> file = this->env_.NewCopy();
  std::string contents = "left over";
  ASSERT_EQ(file->Read(contents), platform::kSuccess) << "a missing file reads as empty";
  EXPECT_EQ(contents, "");
  std::uint64_t size = 99;
  ASSERT_EQ(file->Size(size), platform::kSuccess) << "a missing file has size 0";
  EXPECT_EQ(size, 0U);
  EXPECT_NE(file->Location().find("changes.txt"), std::string::npos);
  EXPECT_EQ(file->UtcNow().size(), 20U);
  EXPECT_EQ(file->UtcNow().back(), 'Z');
  const std::string bytes("line one\r\n\0\xFF\xE9|%\r\n", 17);
  {
    std::unique_ptr<JournalLock> lock;
    ASSERT_EQ(file->Lock(lock), platform::kSuccess);
    ASSERT_TRUE(lock);
    EXPECT_TRUE(this->env_.FolderExists()) << "the folder is made when missing";
    size = 99;
    ASSERT_EQ(lock->Size(size), platform::kSuccess);
    EXPECT_EQ(size, 0U);
    ASSERT_EQ(lock->Append("first\r\n", platform::Flush::kNow), platform::kSuccess);
    ASSERT_EQ(lock->Append(bytes, platform::Flush::kLater), platform::kSuccess);
    ASSERT_EQ(lock->Size(size), platform::kSuccess);
    EXPECT_EQ(size, 7U + bytes.size());
    ASSERT_EQ(lock->ReadAll(contents), platform::kSuccess);
    EXPECT_EQ(contents, "first\r\n" + bytes);
    // Readers need no lock, even while one is held.
    ASSERT_EQ(this->env_.NewCopy()->Read(contents), platform::kSuccess);
    EXPECT_EQ(contents, "first\r\n" + bytes);
    ASSERT_EQ(this->env_.NewCopy()->Size(size), platform::kSuccess);
    EXPECT_EQ(size, 7U + bytes.size()) << "the size is asked without the lock";
    ASSERT_EQ(lock->Replace("new\r\n"), platform::kSuccess);
    ASSERT_EQ(lock->ReadAll(contents), platform::kSuccess);
    EXPECT_EQ(contents, "new\r\n");
    ASSERT_EQ(lock->Append("more\r\n", platform::Flush::kNow), platform::kSuccess)
        << "the lock still works after it";
  }
  ASSERT_EQ(file->Read(contents), platform::kSuccess);
  EXPECT_EQ(contents, "new\r\nmore\r\n");
  ASSERT_EQ(file->Size(size), platform::kSuccess);
  EXPECT_EQ(size, contents.size());
}

TYPED_TEST(JournalFileContract, ExclusiveAccessKeepsOtherCopiesAndProgramsOut) {
  const std::unique_ptr<JournalFile> first = this->env_.NewCopy();
  const std::unique_ptr<JournalFile> second = this->env_.NewCopy();
  EXPECT_NE(first->CopyId(), 0U);
  std::unique_ptr<JournalLock> lock;
  ASSERT_EQ(first->Lock(lock), platform::kSuccess);
  ASSERT_EQ(lock->Append("kept\r\n", platform::Flush::kNow), platform::kSuccess);
  {
    std::unique_ptr<JournalLock> refused;
    EXPECT_EQ(second->Lock(refused), platform::kSharingViolation);
    EXPECT_FALSE(refused);
  }
  lock.reset();
  // Another program holding the file: no copy can take it, and the file stays as it was.
  this->env_.Hold();
  EXPECT_EQ(second->Lock(lock), platform::kSharingViolation);
  this->env_.Release();
  ASSERT_EQ(second->Lock(lock), platform::kSuccess);
  std::string contents;
  ASSERT_EQ(lock->ReadAll(contents), platform::kSuccess);
  EXPECT_EQ(contents, "kept\r\n");
}

TYPED_TEST(JournalFileContract, LocalTimeAndFilesTheUserChooses) {
  const std::unique_ptr<JournalFile> file = this->env_.NewCopy();
  // Whatever the zone, local time keeps the seconds and differs by whole quarter hours.
  const std::string local = file->LocalTime("2026-01-15T12:34:56Z");
  ASSERT_EQ(local.size(), 19U) << local;
  EXPECT_EQ(local[10], ' ');
  EXPECT_EQ(local[13], ':') << local;
  EXPECT_EQ(local.substr(16), ":56") << local;
  EXPECT_EQ((std::stoi(local.substr(14, 2)) + 60 - 34) % 15, 0) << local;
  for (const char* text : {"", "not a time", "2026-01-15 12:34:56"}) {
    EXPECT_EQ(file->LocalTime(text), text);
  }

  const std::string path = this->env_.UserFilePath();
  const std::string bytes("REGEDIT4\r\n\xE9\0|", 13);
  ASSERT_EQ(file->WriteUserFile(path, "an older, longer file"), platform::kSuccess);
  ASSERT_EQ(file->WriteUserFile(path, bytes), platform::kSuccess);
  EXPECT_EQ(this->env_.UserFile(path), bytes) << "replaced whole";
}

}  // namespace
}  // namespace velqor::contract

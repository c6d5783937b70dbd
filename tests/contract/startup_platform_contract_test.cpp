// What the startup programs window relies on from the wide registry, the Startup folders, shortcuts
// and the system, checked against the simulation natively and against the real calls under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "startup_platform_env.h"

namespace velqor::contract {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::kSuccess;
using platform::RegistryView;
using platform::WideValue;

std::u16string Sub(std::u16string_view sub) {
  return std::u16string(kWideTestKey) + u"\\" + std::u16string(sub);
}

std::string Utf16Bytes(std::u16string_view text, bool terminated) {
  std::string bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  if (terminated) bytes.append(2, '\0');
  return bytes;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return text;
}

template <typename Env>
class StartupPlatformContract : public ::testing::Test {
 protected:
  Env env_;
};
TYPED_TEST_SUITE(StartupPlatformContract, StartupEnvironments);

TYPED_TEST(StartupPlatformContract, WideValuesKeepTheirExactNameTypeAndBytes) {
  auto& reg = this->env_.registry();
  const std::u16string key = Sub(u"Wide");
  const std::vector<WideValue> values = {
      {u"Caf\u00e9 \u2603 \u65e5\u672c", platform::kRegSz,
       Utf16Bytes(u"C:\\\u00e9\u2603.exe", true)},
      {u"Expand", platform::kRegExpandSz, Utf16Bytes(u"%SystemRoot%\\a.exe /x", true)},
      {u"Unterminated", platform::kRegSz, Utf16Bytes(u"abc", false)},
      {u"Odd", platform::kRegBinary, std::string("\x03\x00\xff", 3)},
      {u"Empty", platform::kRegBinary, ""},
      {u"", platform::kRegDword, std::string("\x2a\x00\x00\x00", 4)},
  };
  for (const WideValue& value : values) {
    ASSERT_EQ(reg.WriteValue(kHkeyCurrentUser, RegistryView::kNative, key, value), kSuccess);
  }
  for (const WideValue& value : values) {
    WideValue read;
    ASSERT_EQ(reg.ReadValue(kHkeyCurrentUser, RegistryView::kNative, key, value.name, read),
              kSuccess);
    EXPECT_EQ(read, value);
  }
  std::vector<WideValue> listed;
  ASSERT_EQ(reg.EnumValues(kHkeyCurrentUser, RegistryView::kNative, key, listed), kSuccess);
  const auto by_name = [](const WideValue& a, const WideValue& b) { return a.name < b.name; };
  std::vector<WideValue> expected = values;
  std::sort(expected.begin(), expected.end(), by_name);
  std::sort(listed.begin(), listed.end(), by_name);
  EXPECT_EQ(listed, expected);

  // A write replaces type and bytes; names are found without case.
  const WideValue retyped{u"Expand", platform::kRegSz, Utf16Bytes(u"x", true)};
  ASSERT_EQ(reg.WriteValue(kHkeyCurrentUser, RegistryView::kNative, key,
                           {u"EXPAND", retyped.type, retyped.bytes}),
            kSuccess);
  WideValue read;
  ASSERT_EQ(reg.ReadValue(kHkeyCurrentUser, RegistryView::kNative, key, u"expand", read), kSuccess);
  EXPECT_EQ(read.type, retyped.type);
  EXPECT_EQ(read.bytes, retyped.bytes);

  // A delete removes the value only, and a second one finds nothing.
  EXPECT_EQ(reg.DeleteValue(kHkeyCurrentUser, RegistryView::kNative, key, u"Expand"), kSuccess);
  EXPECT_EQ(reg.DeleteValue(kHkeyCurrentUser, RegistryView::kNative, key, u"Expand"),
            platform::kFileNotFound);
  EXPECT_EQ(reg.ReadValue(kHkeyCurrentUser, RegistryView::kNative, key, u"Expand", read),
            platform::kFileNotFound);
  EXPECT_EQ(reg.EnumValues(kHkeyCurrentUser, RegistryView::kNative, key, listed), kSuccess);
  EXPECT_EQ(listed.size(), values.size() - 1);

  // A missing key: nothing to read, and the out-parameters untouched.
  read = WideValue{u"kept", 1, "kept"};
  EXPECT_EQ(reg.ReadValue(kHkeyCurrentUser, RegistryView::kNative, Sub(u"Missing"), u"x", read),
            platform::kFileNotFound);
  EXPECT_EQ(read, (WideValue{u"kept", 1, "kept"}));
  EXPECT_EQ(reg.EnumValues(kHkeyCurrentUser, RegistryView::kNative, Sub(u"Missing"), listed),
            platform::kFileNotFound);
  EXPECT_EQ(listed.size(), values.size() - 1);
}

TYPED_TEST(StartupPlatformContract, ThirtyTwoBitViewIsItsOwnPlaceWhereItExists) {
  auto& reg = this->env_.registry();
  const std::u16string key = Sub(u"View");
  const WideValue value{u"Only32", platform::kRegSz, Utf16Bytes(u"a", true)};
  if (!reg.HasSeparate32BitView()) {
    // 32-bit Windows: one view, and no second name for it.
    WideValue read;
    EXPECT_EQ(reg.WriteValue(kHkeyLocalMachine, RegistryView::k32Bit, key, value),
              platform::kNotSupported);
    EXPECT_EQ(reg.ReadValue(kHkeyLocalMachine, RegistryView::k32Bit, key, u"Only32", read),
              platform::kNotSupported);
    return;
  }
  ASSERT_EQ(reg.WriteValue(kHkeyLocalMachine, RegistryView::k32Bit, key, value), kSuccess);
  WideValue read;
  EXPECT_EQ(reg.ReadValue(kHkeyLocalMachine, RegistryView::k32Bit, key, u"Only32", read), kSuccess);
  EXPECT_EQ(read, value);
  EXPECT_EQ(reg.ReadValue(kHkeyLocalMachine, RegistryView::kNative, key, u"Only32", read),
            platform::kFileNotFound);
  std::vector<std::u16string> names;
  ASSERT_EQ(reg.EnumSubKeys(kHkeyLocalMachine, RegistryView::k32Bit, kWideTestKey, names),
            kSuccess);
  EXPECT_EQ(names, std::vector<std::u16string>{u"View"});
  // An empty key goes from its own view only.
  ASSERT_EQ(reg.WriteValue(kHkeyLocalMachine, RegistryView::kNative, key, value), kSuccess);
  ASSERT_EQ(reg.DeleteValue(kHkeyLocalMachine, RegistryView::k32Bit, key, u"Only32"), kSuccess);
  EXPECT_EQ(reg.DeleteEmptyKey(kHkeyLocalMachine, RegistryView::k32Bit, key), kSuccess);
  EXPECT_EQ(reg.EnumSubKeys(kHkeyLocalMachine, RegistryView::k32Bit, kWideTestKey, names),
            kSuccess);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(reg.ReadValue(kHkeyLocalMachine, RegistryView::kNative, key, u"Only32", read),
            kSuccess);
}

TYPED_TEST(StartupPlatformContract, OnlyEmptyKeysAreDeleted) {
  auto& reg = this->env_.registry();
  const WideValue value{u"v", platform::kRegSz, Utf16Bytes(u"a", true)};
  ASSERT_EQ(reg.WriteValue(kHkeyCurrentUser, RegistryView::kNative, Sub(u"A"), value), kSuccess);
  ASSERT_EQ(reg.WriteValue(kHkeyCurrentUser, RegistryView::kNative, Sub(u"B\\C"), value), kSuccess);
  std::vector<std::u16string> names;
  ASSERT_EQ(reg.EnumSubKeys(kHkeyCurrentUser, RegistryView::kNative, kWideTestKey, names),
            kSuccess);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"A", u"B"}));
  EXPECT_EQ(reg.DeleteEmptyKey(kHkeyCurrentUser, RegistryView::kNative, Sub(u"A")),
            platform::kKeyHasChildren);
  EXPECT_EQ(reg.DeleteEmptyKey(kHkeyCurrentUser, RegistryView::kNative, Sub(u"B")),
            platform::kKeyHasChildren);
  ASSERT_EQ(reg.DeleteValue(kHkeyCurrentUser, RegistryView::kNative, Sub(u"A"), u"v"), kSuccess);
  EXPECT_EQ(reg.DeleteEmptyKey(kHkeyCurrentUser, RegistryView::kNative, Sub(u"A")), kSuccess);
  EXPECT_EQ(reg.DeleteEmptyKey(kHkeyCurrentUser, RegistryView::kNative, Sub(u"A")),
            platform::kFileNotFound);
  ASSERT_EQ(reg.EnumSubKeys(kHkeyCurrentUser, RegistryView::kNative, kWideTestKey, names),
            kSuccess);
  EXPECT_EQ(names, std::vector<std::u16string>{u"B"});
}

TYPED_TEST(StartupPlatformContract, StartupFolderFilesKeepTheirExactBytes) {
  auto& folders = this->env_.folders();
  std::u16string user;
  std::u16string common;
  ASSERT_EQ(folders.FolderPath(platform::StartupFolder::kCurrentUser, user), kSuccess);
  ASSERT_EQ(folders.FolderPath(platform::StartupFolder::kAllUsers, common), kSuccess);
  EXPECT_FALSE(user.empty());
  EXPECT_NE(Lower(user), Lower(common));

  // Written into a folder that may not exist yet: its last level is made.
  const std::u16string name = std::u16string(kTestFilePrefix) + u" \u00fc\u2603.bin";
  const std::u16string path = user + u"\\" + name;
  const std::string bytes("\x00\xff\r\n\x1a tail", 9);
  ASSERT_EQ(folders.WriteFile(path, bytes), kSuccess);
  std::vector<std::u16string> names;
  ASSERT_EQ(folders.ListFiles(user, names), kSuccess);
  EXPECT_EQ(std::count(names.begin(), names.end(), name), 1);
  std::string read;
  ASSERT_EQ(folders.ReadFile(path, read), kSuccess);
  EXPECT_EQ(read, bytes);
  ASSERT_EQ(folders.WriteFile(path, "short"), kSuccess);
  ASSERT_EQ(folders.ReadFile(path, read), kSuccess);
  EXPECT_EQ(read, "short");
  EXPECT_EQ(folders.RemoveFile(path), kSuccess);
  EXPECT_EQ(folders.RemoveFile(path), platform::kFileNotFound);
  EXPECT_NE(folders.ReadFile(path, read), kSuccess);
  EXPECT_EQ(read, "short");
  ASSERT_EQ(folders.ListFiles(user, names), kSuccess);
  EXPECT_EQ(std::count(names.begin(), names.end(), name), 0);

  const std::u16string sub = user + u"\\" + kTestFilePrefix + u".dir";
  ASSERT_EQ(folders.WriteFile(sub + u"\\file.bin", "x"), kSuccess);
  ASSERT_EQ(folders.ListFiles(user, names), kSuccess);
  EXPECT_EQ(std::count(names.begin(), names.end(), std::u16string(kTestFilePrefix) + u".dir"), 0)
      << "folders are not files";
  const platform::Status missing = folders.ListFiles(user + u"\\VelqorNoSuchFolder", names);
  EXPECT_TRUE(missing == platform::kPathNotFound || missing == platform::kFileNotFound) << missing;
}

TYPED_TEST(StartupPlatformContract, ShortcutTargetsAreReadWithoutResolving) {
  auto& folders = this->env_.folders();
  std::u16string user;
  ASSERT_EQ(folders.FolderPath(platform::StartupFolder::kCurrentUser, user), kSuccess);
  const std::u16string link = user + u"\\" + kTestFilePrefix + u".lnk";
  const platform::ShortcutTarget target{this->env_.ExistingFile(), u"/a \"b c\" \u00e9"};
  ASSERT_EQ(folders.WriteShortcut(link, target), kSuccess);
  platform::ShortcutTarget read;
  ASSERT_EQ(folders.ReadShortcut(link, read), kSuccess);
  EXPECT_EQ(Lower(read.path), Lower(target.path));
  EXPECT_EQ(read.arguments, target.arguments);

  // A shortcut put back from its bytes (an undone delete) reads as before.
  std::string bytes;
  ASSERT_EQ(folders.ReadFile(link, bytes), kSuccess);
  ASSERT_EQ(folders.RemoveFile(link), kSuccess);
  const std::u16string copy = user + u"\\" + kTestFilePrefix + u"2.lnk";
  ASSERT_EQ(folders.WriteFile(copy, bytes), kSuccess);
  platform::ShortcutTarget again;
  ASSERT_EQ(folders.ReadShortcut(copy, again), kSuccess);
  EXPECT_EQ(again, read);

  // Not a shortcut, or no file at all: a failure, and nothing filled in.
  const std::u16string junk = user + u"\\" + kTestFilePrefix + u"3.lnk";
  ASSERT_EQ(folders.WriteFile(junk, "not a shortcut"), kSuccess);
  EXPECT_NE(folders.ReadShortcut(junk, again), kSuccess);
  EXPECT_NE(folders.ReadShortcut(link, again), kSuccess);
  EXPECT_EQ(again, read);
}

TYPED_TEST(StartupPlatformContract, SystemVersionFilesAndVariables) {
  auto& system = this->env_.system();
  const platform::WindowsVersion version = system.Version();
  EXPECT_GE(version.major, 5U);
  EXPECT_LE(version.major, 10U);
  EXPECT_GT(version.build, 0U);

  EXPECT_TRUE(system.FileExists(this->env_.ExistingFile()));
  EXPECT_FALSE(system.FileExists(this->env_.ExistingFolder())) << "a folder is not a file";
  EXPECT_FALSE(system.FileExists(this->env_.ExistingFolder() + u"\\velqor-no-such-file.exe"));

  const std::u16string root = system.ExpandEnvironment(u"%SystemRoot%");
  EXPECT_FALSE(root.empty());
  EXPECT_NE(root.front(), u'%');
  EXPECT_EQ(system.ExpandEnvironment(u"%SYSTEMROOT%\\a.exe x"), root + u"\\a.exe x");
  for (const std::u16string_view kept :
       {u"", u"100%", u"%VELQOR_NO_SUCH_VARIABLE%\\b", u"no variables \u00e9"}) {
    EXPECT_EQ(system.ExpandEnvironment(kept), kept);
  }
  EXPECT_GT(system.NowFileTime(), 132223104000000000ULL);  // after 2020-01-01
}

}  // namespace
}  // namespace velqor::contract

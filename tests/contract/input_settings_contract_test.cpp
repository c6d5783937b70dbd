// The settings store and the input state, as every implementation must behave: the simulation
// natively, the registry and user32 under Windows.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry_settings.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/input.h"
#include "platform/win32/registry.h"
#include "platform/win32/text.h"
#else
#include "platform/sim/input.h"
#include "platform/sim/registry.h"
#include "platform/sim/settings.h"
#endif

namespace velqor {
namespace {

#ifdef _WIN32
using RegistryUnderTest = platform::win32::Win32Registry;
// The program's store on Windows: the settings over the registry.
struct SystemRegistry {
  RegistryUnderTest registry;
};
struct StoreUnderTest : SystemRegistry, platform::RegistrySettingsStore {
  StoreUnderTest() : RegistrySettingsStore(registry) {}
};
using InputUnderTest = platform::win32::Win32Input;

// The value as the registry itself holds it, bypassing the store.
std::optional<std::wstring> RegistryValue(const wchar_t* key, const wchar_t* name) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type, buffer, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  return std::wstring(buffer);
}
#else
using StoreUnderTest = platform::sim::SimSettingsStore;
using RegistryUnderTest = platform::sim::SimRegistry;
using InputUnderTest = platform::sim::SimInput;
#endif

TEST(SettingsStoreContract, SavedValuesReadBackAndReplaceEachOther) {
  StoreUnderTest store;
  store.SaveSetting("VelqorContract", "PopupKiller", "IsActive", "1");
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "IsActive"), "1");
  store.SaveSetting("VelqorContract", "PopupKiller", "IsActive", "0");
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "IsActive"), "0");
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "Other"), std::nullopt);
  EXPECT_EQ(store.GetSetting("VelqorContract", "Elsewhere", "IsActive"), std::nullopt);
  store.SaveSetting("VelqorContract", "Text", "Name", "caf\xC3\xA9");
  EXPECT_EQ(store.GetSetting("VelqorContract", "Text", "Name"), "caf\xC3\xA9");
#ifdef _WIN32
  EXPECT_EQ(RegistryValue(L"Software\\VelqorContract\\PopupKiller", L"IsActive"), L"0");
  for (const wchar_t* key : {L"Software\\VelqorContract\\PopupKiller",
                             L"Software\\VelqorContract\\Text", L"Software\\VelqorContract"}) {
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
  }
#endif
}

// The store over the program's registry interface (the one a recorder can stand in front of)
// keeps the setting where the system keeps it, and reads what the system wrote there.
TEST(SettingsStoreContract, RegistryStoreAgreesWithTheSystemStore) {
  RegistryUnderTest registry;
  platform::RegistrySettingsStore store(registry);
  store.SaveSetting("VelqorContract", "PopupKiller", "IsActive", "1");
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "IsActive"), "1");
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "Other"), std::nullopt);
#ifdef _WIN32
  EXPECT_EQ(RegistryValue(L"Software\\VelqorContract\\PopupKiller", L"IsActive"), L"1");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\VelqorContract\\PopupKiller", 0,
                          KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"IsActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 4);
  RegCloseKey(key);
  EXPECT_EQ(store.GetSetting("VelqorContract", "PopupKiller", "IsActive"), "0");
  for (const wchar_t* key :
       {L"Software\\VelqorContract\\PopupKiller", L"Software\\VelqorContract"}) {
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
  }
#endif
}

TEST(InputContract, UnpressedKeysReadZeroAndUnknownWindowsConvertNothing) {
  InputUnderTest input;
  constexpr int kVkF24 = 0x87;  // no keyboard has it held
  EXPECT_EQ(input.GetAsyncKeyState(kVkF24), 0);
  EXPECT_EQ(input.GetAsyncKeyState(kVkF24), 0);
  const platform::Point screen{12, 34};
  EXPECT_EQ(input.ScreenToClient(0, screen), screen);
  input.Beep(950, 1);  // returns whether or not a sound could be played
}

}  // namespace
}  // namespace velqor

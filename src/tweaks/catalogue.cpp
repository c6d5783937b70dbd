#include "tweaks/catalogue.h"

#include <memory>

namespace velqor::tweaks {
namespace {

constexpr std::string_view kSz = "REG_SZ";
constexpr std::string_view kDword = "REG_DWORD";
// The memory manager and the service manager read their values at start-up; the desktop and
// mouse values are loaded into the user's session at log-on.
constexpr registry::TakesEffect kRestart = registry::TakesEffect::kAfterRestart;
constexpr registry::TakesEffect kLogOn = registry::TakesEffect::kNextLogOn;

constexpr std::array<TweakBox, 8> kBoxes{{
    {"Check1", "Disable Paging executive",
     "This setting attempts to keep your core Windows XP files in system RAM and not on the "
     "pagefile."},
    {"Check2", "Unload DLL", "Tweak primarily to ensure a reduction in potential memory"},
    {"Check3", "System Cache Tweak", ""},
    {"Check4", "Tweak Hung up application",
     "This setting controls the delay before a hung application is allowed to terminate."},
    {"Check5", "Increase speed for Menu drop",
     "This setting controls the delay before a menu or sub-menu pops open "},
    {"Check6", "Auto end tasks",
     "If enabled this setting automatically closes all running applications when Windows shuts "
     "down."},
    {"Check7", "Shutdown system faster",
     "This setting controls the delay before windows finally starts to shutdown."},
    {"Check8", "Smart Mouse posiotining",
     "Mouse icon positions itself automatically on a messagebox."},
}};

constexpr std::array<TweakWrite, kTweakWriteCount> kWrites{{
    {0,
     "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
     "Management\\DisablePagingExecutive",
     {kDword, 1},
     {kDword, 0},
     kRestart},
    // The trailing back-slash names the key itself: the write creates AlwaysUnloadDLL and sets
    // its default value.
    {1,
     "HKEY_LOCAL_"
     "MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\AlwaysUnloadDLL\\",
     {kSz, 1},
     {kSz, 0},
     kRestart},
    {2,
     "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory "
     "Management\\LargeSystemCache",
     {kDword, 1},
     {kDword, 0},
     kRestart},
    {3, "HKCU\\Control Panel\\Desktop\\HungAppTimeout", {kSz, 1000}, {kSz, 5000}, kLogOn},
    {4, "HKCU\\Control Panel\\Desktop\\MenuShowDelay", {kSz, 20}, {kSz, 400}, kLogOn},
    {5, "HKCU\\Control Panel\\Desktop\\AutoEndTasks", {kDword, 1}, {kDword, 0}, kLogOn},
    {6, "HKCU\\Control Panel\\Desktop\\WaitToKillAppTimeout", {kSz, 1500}, {kSz, 5000}, kLogOn},
    // The service time-out changes type with the box: a number when tweaked, text otherwise.
    {6,
     "HKLM\\SYSTEM\\CurrentControlSet\\Control\\WaitToKillServiceTimeout",
     {kDword, 100},
     {kSz, 4000},
     kRestart},
    {7, "HKCU\\Control Panel\\Mouse\\SnapToDefaultButton", {kSz, 1}, {kSz, 0}, kLogOn},
}};

void Write(platform::ScriptShell& shell, const TweakWrite& write, int state) {
  const TweakDatum& datum = DatumFor(write, state);
  shell.RegWrite(write.path, platform::ScriptValue{datum.value}, datum.type);
}

}  // namespace

const std::array<TweakBox, 8>& TweakBoxes() {
  return kBoxes;
}

const std::array<TweakWrite, kTweakWriteCount>& TweakWrites() {
  return kWrites;
}

const TweakDatum& DatumFor(const TweakWrite& write, int state) {
  return state == kChecked ? write.checked : write.unchecked;
}

void ApplyTweaks(platform::ScriptHost& host, const std::array<int, 8>& states) {
  const std::unique_ptr<platform::ScriptShell> shell = host.CreateShell();
  for (const TweakWrite& write : kWrites) {
    Write(*shell, write, states.at(write.box));
  }
}

void WriteCheck1(platform::ScriptHost& host, int new_state) {
  const std::unique_ptr<platform::ScriptShell> shell = host.CreateShell();
  for (const TweakWrite& write : kWrites) {
    if (write.box == 0) {
      Write(*shell, write, new_state);
    }
  }
}

}  // namespace velqor::tweaks

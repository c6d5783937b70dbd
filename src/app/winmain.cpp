// The program's composition root: the Win32 platform, the main window and the message loop.
#include <windows.h>

#include <exception>

#include "platform/platform.h"
#include "platform/win32/browser.h"
#include "platform/win32/input.h"
#include "platform/win32/journal_file.h"
#include "platform/win32/launcher.h"
#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#include "platform/win32/startup_folders.h"
#include "platform/win32/system_info.h"
#include "platform/win32/system_dll.h"
#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/wide_registry.h"

// Last: the Win32 headers above undefine the system's MessageBox macro, which would otherwise
// rename the interface's own MessageBox.
#include "app/form1.h"
#include "journal/commands.h"
#include "journal/journal.h"
#include "journal/recorder.h"
#include "platform/registry_settings.h"

namespace {

using namespace velqor::platform;

int RunProgram() {
  win32::Win32Registry registry;
  // Every change any command makes goes through the recorder, into %APPDATA%\Velqor\changes.txt.
  win32::Win32JournalFile journal_file;
  velqor::journal::JournalWriter journal(journal_file);
  velqor::journal::Recorder recorder(registry, journal);
  win32::Win32ScriptHost script_host(recorder);
  win32::Win32Launcher launcher;
  win32::Win32Ui ui;
  velqor::journal::Commands commands(recorder, ui);
  commands.Install();
  win32::Win32BrowserShell browser;
  win32::Win32Input input;
  RegistrySettingsStore settings(recorder);
  win32::Win32WideRegistry wide_registry;
  win32::Win32StartupFolders startup_folders;
  win32::Win32SystemInfo system;
  recorder.RecordAlso(wide_registry, startup_folders);
  Platform platform{
      recorder,         script_host,         launcher, ui,       browser, input, settings,
      *recorder.wide(), *recorder.folders(), system,   &commands};
  velqor::app::Form1 form(platform);
  form.Load();
  // The program lasts as long as its main window: Exit and the close box both end it here. The
  // window is this copy's own: a search by class and caption could find another copy's.
  HWND main = reinterpret_cast<HWND>(form.window().Handle());
  return ui.Run([main] { return IsWindow(main) != FALSE; });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything loads a DLL that is not a known system one: a planted DLL beside the program
  // would otherwise run with the user's highest rights.
  velqor::platform::win32::RestrictDllSearch();
  // Failures inside handlers are shown by the dispatcher; one that escapes start-up is shown
  // here, so the program never vanishes without a word.
  try {
    return RunProgram();
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, velqor::platform::win32::Widen(e.what()).c_str(), L"Velqor",
                MB_OK | MB_ICONERROR);
  }
  return 1;
}

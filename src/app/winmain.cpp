// The program's composition root: the Win32 platform, the main window and the message loop.
#include <windows.h>

#include <exception>

#include "platform/platform.h"
#include "platform/win32/browser.h"
#include "platform/win32/input.h"
#include "platform/win32/launcher.h"
#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#include "platform/win32/settings.h"
#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/window.h"

#if __has_include("app/form1.h")
#include "app/form1.h"
#define VELQOR_HAVE_FORM1 1
#endif

namespace {

using namespace velqor::platform;

int RunProgram() {
  win32::Win32Registry registry;
  win32::Win32ScriptHost script_host(registry);
  win32::Win32Launcher launcher;
  win32::Win32Ui ui;
  win32::Win32BrowserShell browser;
  win32::Win32Input input;
  win32::Win32SettingsStore settings;
  Platform platform{registry, script_host, launcher, ui, browser, input, settings};
#ifdef VELQOR_HAVE_FORM1
  velqor::app::Form1 form(platform);
  form.Load();
  // The program lasts as long as its main window: Exit and the close box both end it here.
  HWND main = FindWindowW(win32::Win32Window::kClassName, L"Velqor");
  return ui.Run([main] { return IsWindow(main) != FALSE; });
#else
  (void)platform;  // the main window is not built yet: show the banner alone
  WindowSpec def;
  def.name = "Form1";
  def.caption = "Velqor";
  def.client_width = 5970;
  def.client_height = 1455;
  def.icon_resource = "VELQOR";
  auto window = ui.CreateForm(def);
  ControlSpec banner;
  banner.kind = ControlKind::kPicture;
  banner.name = "Picture1";
  banner.rect = {0, 0, 5970, 1455};
  banner.image = "BANNER";
  window->AddControl(banner);
  window->Show();
  return ui.Run([&] { return window->IsOpen(); });
#endif
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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

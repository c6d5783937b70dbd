#include "platform/win32/ui.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "platform/win32/system_dll.h"
#include "platform/win32/text.h"
#include "platform/win32/window.h"

namespace velqor::platform::win32 {

Win32Ui::Win32Ui() {
  LoadCommonControls(ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES);
}

std::unique_ptr<Window> Win32Ui::CreateForm(const WindowSpec& def) {
  return std::make_unique<Win32Window>(*this, def);
}

int Win32Ui::MessageBox(std::string_view prompt, std::string_view title, unsigned style) {
  return ::MessageBoxW(GetActiveWindow(), Widen(prompt).c_str(), Widen(title).c_str(), style);
}

std::string Win32Ui::ProgramFolder() const {
  // Room for the longest path the system has, so that the name is never cut short.
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return Narrow(std::wstring_view(path).substr(0, path.find_last_of(L"\\/")));
}

void Win32Ui::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

std::optional<std::string> Win32Ui::SaveAs(const SaveAsRequest& request) {
  const std::wstring title = Widen(request.title);
  const std::wstring extension = Widen(request.default_extension);
  // Pairs of description and pattern, each ended by a NUL, the list by another.
  const std::wstring filter = Widen(request.filter_name + '\0' + request.filter_pattern + '\0');
  std::wstring path = Widen(request.file_name);
  path.resize(std::max<size_t>(path.size() + 1, 32768), L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = request.filter_pattern.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  // comdlg32 imports the common controls, which import uxtheme: imported by the program, it would
  // load before the DLL search is restricted, and a uxtheme.dll beside the program would run.
  const auto get_save_file_name =
      ProcIn<BOOL(WINAPI*)(OPENFILENAMEW*)>(LoadSystemDll(L"comdlg32.dll"), "GetSaveFileNameW");
  if (get_save_file_name == nullptr || !get_save_file_name(&dialog)) {
    return std::nullopt;  // cancelled, or the dialog could not be shown
  }
  path.resize(wcslen(path.c_str()));
  return Narrow(path);
}

void Win32Ui::Quit() {
  PostQuitMessage(0);
}

int Win32Ui::Run(const std::function<bool()>& keep_going) {
  MSG msg;
  while (!keep_going || keep_going()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      return static_cast<int>(msg.wParam);
    }
    if (got < 0) {
      return 1;
    }
    Dispatch(msg);
  }
  return 0;
}

void Win32Ui::Dispatch(MSG& msg) {
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (const Win32Backend* form = Win32Backend::Of(root)) {
    form->RelayToTooltip(msg);
    if (form->TranslateShortcut(msg) || IsDialogMessageW(root, &msg)) {
      return;
    }
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace velqor::platform::win32

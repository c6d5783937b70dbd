#include "startup_timing.h"

#include <windows.h>

#include <string_view>
#include <vector>

#include "timing.h"

namespace velqor::bench {

namespace {

struct Search {
  DWORD pid = 0;
  const StartupTarget* target = nullptr;
  HWND found = nullptr;
  std::vector<HWND> boxes;
};

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

BOOL CALLBACK Inspect(HWND hwnd, LPARAM param) {
  Search& search = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search.pid || IsWindowVisible(hwnd) == FALSE) {
    return TRUE;
  }
  const std::wstring name = ClassOf(hwnd);
  if (name == search.target->window_class && TextOf(hwnd) == search.target->caption) {
    search.found = hwnd;
    return FALSE;
  }
  if (name == L"#32770") {
    search.boxes.push_back(hwnd);
  }
  return TRUE;
}

void Close(const PROCESS_INFORMATION& process, HWND window) {
  if (window != nullptr) {
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace

StartupSample TimeToWindow(const StartupTarget& target, double timeout_seconds,
                           const std::function<void(HWND)>& inspect) {
  StartupSample sample;
  std::wstring command = L"\"" + target.exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  const Stopwatch watch;
  if (CreateProcessW(target.exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                     nullptr, &startup, &process) == FALSE) {
    return sample;
  }
  Search search;
  search.pid = process.dwProcessId;
  search.target = &target;
  std::vector<HWND> answered;
  while (watch.Seconds() < timeout_seconds) {
    search.boxes.clear();
    EnumWindows(&Inspect, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      sample.seconds = watch.Seconds();
      break;
    }
    for (HWND box : search.boxes) {
      bool seen = false;
      for (HWND a : answered) {
        seen = seen || a == box;
      }
      if (!seen) {
        if (!sample.first_box) {
          sample.first_box = watch.Seconds();
        }
        const int button = GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        answered.push_back(box);
        ++sample.boxes_answered;
      }
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
      break;  // it ended without showing its window
    }
  }
  if (inspect && search.found != nullptr) {
    WaitForInputIdle(process.hProcess, 10000);
    inspect(search.found);
  }
  Close(process, search.found);
  return sample;
}

}  // namespace velqor::bench

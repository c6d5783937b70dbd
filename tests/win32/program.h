// The program itself as the Windows tests drive it from outside: velqor.exe from the build,
// started as a user starts it, its windows found and read as another program reads them.
#pragma once

#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "win32/box_answerer.h"
#include "win32/wine_start.h"

namespace velqor::test {

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

inline std::string TextOf(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return platform::win32::Narrow(text);
}

inline BOOL CALLBACK CollectByCaption(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::map<std::string, HWND>*>(param)->emplace(TextOf(hwnd), hwnd);
  return TRUE;
}

// Every descendant window of `root` by caption (the first of each caption).
inline std::map<std::string, HWND> ChildrenByCaption(HWND root) {
  std::map<std::string, HWND> found;
  EnumChildWindows(root, &CollectByCaption, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct FormSearch {
  DWORD process;
  HWND form;
};

inline BOOL CALLBACK FindVisibleForm(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<FormSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == search.process && ClassOf(hwnd) == platform::win32::Win32Window::kClassName &&
      IsWindowVisible(hwnd)) {
    search.form = hwnd;
  }
  return TRUE;
}

// velqor.exe from the build, started as the user starts it.
struct Program {
  platform::win32::UniqueHandleKernel process;
  platform::win32::UniqueHandleKernel thread;
  DWORD id = 0;
  HWND form = nullptr;                // its main window once shown
  std::vector<std::string> messages;  // the message boxes answered on the way
};

inline std::unique_ptr<Program> StartProgram() {
  std::wstring command = L"\"" + platform::win32::Widen(VELQOR_EXE_DIR) + L"/velqor.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!StartAllowingForWine([&] {
        return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != FALSE;
      })) {
    ADD_FAILURE() << "velqor.exe did not start: " << GetLastError();
    return nullptr;
  }
  auto program = std::make_unique<Program>();
  program->process.reset(info.hProcess);
  program->thread.reset(info.hThread);
  program->id = info.dwProcessId;
  FormSearch found{info.dwProcessId, nullptr};
  for (int attempt = 0; attempt < 300 && found.form == nullptr; ++attempt) {
    for (const AnsweredBox& box : AnswerMessageBoxes(info.dwProcessId)) {
      program->messages.push_back(platform::win32::Narrow(box.text));
    }
    EnumWindows(&FindVisibleForm, reinterpret_cast<LPARAM>(&found));
    Sleep(100);
  }
  program->form = found.form;
  return program;
}

// Whether the program ends within `tenths` tenths of a second; message boxes are answered.
inline bool Ends(const Program& program, int tenths) {
  for (int attempt = 0; attempt < tenths; ++attempt) {
    AnswerMessageBoxes(program.id);
    if (WaitForSingleObject(program.process.get(), 100) == WAIT_OBJECT_0) {
      return true;
    }
  }
  return false;
}

}  // namespace velqor::test

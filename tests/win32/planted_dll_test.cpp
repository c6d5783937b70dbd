// A DLL of a system name left beside velqor.exe (a downloads folder) must never be loaded: the
// program runs with the user's highest rights. Run under WINEDLLOVERRIDES=uxtheme=n,b (ctest's
// planted_dll), which tells Wine to prefer a DLL found on the search path to its own: that stands
// for Windows' search order, where a DLL that is not a known system one is looked for in the
// program's folder first. Wine reads it when a process starts from its Unix environment, which
// the processes started here inherit.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/text.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "win32/wine_start.h"

namespace velqor::test {
namespace {

using platform::win32::UniqueHandleKernel;
using platform::win32::Widen;
using platform::win32::Win32Window;

const std::wstring kPlanted = Widen(VELQOR_BUILD_DIR) + L"/planted/";

// A new folder holding a copy of `program` and the marking DLL as uxtheme.dll; no mark in it.
std::wstring PlantBeside(const std::wstring& program, const std::wstring& name) {
  const std::wstring folder = Widen(VELQOR_BUILD_DIR) + L"/planted-" + name + L"/";
  CreateDirectoryW(folder.c_str(), nullptr);
  DeleteFileW((folder + L"planted-dll-ran").c_str());
  EXPECT_TRUE(CopyFileW(program.c_str(), (folder + name).c_str(), FALSE)) << GetLastError();
  EXPECT_TRUE(
      CopyFileW((kPlanted + L"uxtheme.dll").c_str(), (folder + L"uxtheme.dll").c_str(), FALSE))
      << GetLastError();
  return folder;
}

bool Marked(const std::wstring& folder) {
  return GetFileAttributesW((folder + L"planted-dll-ran").c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Starts `folder`/`name` from that folder.
UniqueHandleKernel Start(const std::wstring& folder, const std::wstring& name, DWORD* id) {
  std::wstring command = L"\"" + folder + name + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const bool started = StartAllowingForWine([&] {
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info) != FALSE;
  });
  if (!started) {
    ADD_FAILURE() << "could not start " << platform::win32::Narrow(name) << ": " << GetLastError();
    return UniqueHandleKernel();
  }
  CloseHandle(info.hThread);
  *id = info.dwProcessId;
  return UniqueHandleKernel(info.hProcess);
}

struct Search {
  DWORD process;
  HWND form;
};

// Answers the process's message boxes (the start-up notice under Wine) and finds its main window.
BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (owner == search.process && IsWindowVisible(hwnd)) {
    if (std::wstring(name) == L"#32770") {
      PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (std::wstring(name) == Win32Window::kClassName) {
      search.form = hwnd;
    }
  }
  return TRUE;
}

// Visits the process's windows until it ends or `tenths` tenths of a second pass; returns its
// main window if one was shown.
HWND Watch(HANDLE process, DWORD id, int tenths, bool close_form) {
  Search search{id, nullptr};
  for (int attempt = 0; attempt < tenths; ++attempt) {
    if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) {
      break;
    }
    HWND before = search.form;
    EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
    if (close_form && before == nullptr && search.form != nullptr) {
      PostMessageW(search.form, WM_CLOSE, 0, 0);
    }
  }
  return search.form;
}

TEST(PlantedDllTest, ADllBesideTheProgramIsNeverLoaded) {
  wchar_t overrides[256] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 256);
  if (std::wstring(overrides).find(L"uxtheme=n") == std::wstring::npos) {
    GTEST_SKIP() << "needs WINEDLLOVERRIDES=uxtheme=n,b: run it as ctest's planted_dll";
  }
  // The test sees a planted DLL: the naive loads of the program before, by name and through the
  // static import of comctl32 (which imports uxtheme), both load it.
  for (const wchar_t* control : {L"naive_loader.exe", L"naive_importer.exe"}) {
    const std::wstring folder = PlantBeside(kPlanted + control, control);
    DWORD id = 0;
    UniqueHandleKernel process = Start(folder, control, &id);
    ASSERT_TRUE(process);
    Watch(process.get(), id, 300, false);
    EXPECT_TRUE(Marked(folder)) << platform::win32::Narrow(control) << " did not load it";
    TerminateProcess(process.get(), 1);
  }

  const std::wstring folder = PlantBeside(Widen(VELQOR_EXE_DIR) + L"/velqor.exe", L"velqor.exe");
  DWORD id = 0;
  UniqueHandleKernel process = Start(folder, L"velqor.exe", &id);
  ASSERT_TRUE(process);
  // Shown means every control was made and themed; then closed, which ends the program.
  const HWND form = Watch(process.get(), id, 300, true);
  EXPECT_NE(form, nullptr) << "velqor.exe did not show its window";
  EXPECT_EQ(WaitForSingleObject(process.get(), 0), WAIT_OBJECT_0) << "velqor.exe did not end";
  TerminateProcess(process.get(), 1);
  EXPECT_FALSE(Marked(folder)) << "velqor.exe loaded the uxtheme.dll beside it";
}

}  // namespace
}  // namespace velqor::test

// The DLLs the program loads itself, and where Windows may look for the ones it loads for it. The
// program runs with the user's highest rights, so a DLL of a system name left in its folder (a
// downloads folder) or in the current folder must never be the one loaded.
#pragma once

#include <windows.h>

namespace velqor::platform::win32 {

// Takes the current folder out of the DLL search (XP SP1 and later) and, where Windows offers it
// (8 and later; Vista and 7 with update KB2533623), leaves only the system folder, also for the
// DLLs that system DLLs import. Called first thing, before anything loads a DLL that is not a
// known system DLL. On older Windows the program's own folder stays first for implicit loads:
// nothing can change it.
void RestrictDllSearch() noexcept;

// A DLL of the system folder by its full path; its own imports are looked for there first too.
// nullptr when it is not there.
HMODULE LoadSystemDll(const wchar_t* name) noexcept;

// The function `name` of `dll` as a `Function` pointer; nullptr when either is missing (a null
// module would otherwise mean the program's own file).
template <typename Function>
Function ProcIn(HMODULE dll, const char* name) noexcept {
  return dll == nullptr
             ? nullptr
             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// Loads the common controls and registers `classes` (ICC_*); returns the DLL (nullptr if it
// could not be loaded), in which any other of its functions is looked up with GetProcAddress:
// the program does not import comctl32, so that it loads only after RestrictDllSearch. It is
// named without a folder so that the manifest's side-by-side assembly (version 6, from the
// system's assembly store) is the one loaded: a full path would load the system folder's version
// 5 instead.
HMODULE LoadCommonControls(DWORD classes) noexcept;

}  // namespace velqor::platform::win32

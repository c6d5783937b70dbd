// Planted under a system DLL's name beside a program: when any process loads it, it leaves the
// file "planted-dll-ran" beside itself and ends that process at once (a DLL that lacks the
// functions its importer needs must not let it run on).
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') {
      --length;
    }
    const wchar_t mark[] = L"planted-dll-ran";
    if (length + sizeof(mark) / sizeof(mark[0]) <= MAX_PATH) {
      lstrcpyW(path + length, mark);
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
      }
    }
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return TRUE;
}

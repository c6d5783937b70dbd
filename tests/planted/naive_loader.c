// The control for the planted-DLL test: loads the common controls and the theme DLL as programs
// commonly do, with the default search order, so that a DLL planted beside it is found.
// Built twice: by name with LoadLibraryW, and (IMPORT_COMMON_CONTROLS) through a static import
// of comctl32, whose themed controls load the theme DLL in turn.
#include <windows.h>
#ifdef IMPORT_COMMON_CONTROLS
#include <commctrl.h>
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
#ifdef IMPORT_COMMON_CONTROLS
  InitCommonControls();
  DestroyWindow(CreateWindowExW(0, L"BUTTON", L"Control", WS_POPUP, 0, 0, 80, 24, NULL, NULL,
                                instance, NULL));
#else
  (void)instance;
  LoadLibraryW(L"uxtheme.dll");
#endif
  return 0;
}

// Placeholder entry until the main window lands.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Velqor", L"Velqor", MB_OK);
  return 0;
}

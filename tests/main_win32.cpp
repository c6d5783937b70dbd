// Test entry for the Windows test executables: COM is initialised apartment-threaded on the
// test thread, as the program does on its user-interface thread.
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(hr)) {
    CoUninitialize();
  }
  return result;
}

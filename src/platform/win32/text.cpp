#include "platform/win32/text.h"

#include <windows.h>

namespace velqor::platform::win32 {
namespace {

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int length =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      length);
  return wide;
}

std::string FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty()) {
    return {};
  }
  const int length = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                      nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  return ToWide(CP_UTF8, utf8);
}
std::string Narrow(std::wstring_view wide) {
  return FromWide(CP_UTF8, wide);
}
std::string Utf8ToAnsi(std::string_view utf8) {
  return FromWide(CP_ACP, Widen(utf8));
}
std::string AnsiToUtf8(std::string_view ansi) {
  return Narrow(ToWide(CP_ACP, ansi));
}

}  // namespace velqor::platform::win32

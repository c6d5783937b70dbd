#include "platform/sim/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/utf16.h"

namespace velqor::platform::sim {
namespace {

// Code points of the bytes 0x80-0x9F; the five bytes the page leaves unassigned map to the C1
// control of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ToCodePoint(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    return kHighControls[byte - 0x80];
  }
  return byte;
}

// The byte for a code point, or '?' when the page has none.
char FromCodePoint(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(code_point);
  }
  const auto found = std::ranges::find(kHighControls, code_point);
  return found != kHighControls.end() ? static_cast<char>(0x80 + (found - kHighControls.begin()))
                                      : '?';
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
  const std::u16string wide = Utf16(utf8);
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF) {
      ++i;  // a surrogate pair is one character, and the page has none beyond U+FFFF
    }
    out.push_back(FromCodePoint(wide[i]));
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view ansi) {
  std::u16string wide(ansi.size(), u'\0');
  std::ranges::transform(ansi, wide.begin(), [](char byte) {
    return static_cast<char16_t>(ToCodePoint(static_cast<unsigned char>(byte)));
  });
  return Utf8(wide);
}

char FoldCp1252(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
    return static_cast<char>(b + 0x20);
  }
  switch (b) {
    case 0x8A:  // S with caron
    case 0x8C:  // OE
    case 0x8E:  // Z with caron
      return static_cast<char>(b + 0x10);
    case 0x9F:  // Y with diaeresis
      return static_cast<char>(0xFF);
    default:
      return byte;
  }
}

std::string FoldCp1252(std::string_view text) {
  std::string out(text);
  std::ranges::transform(out, out.begin(), [](char byte) { return FoldCp1252(byte); });
  return out;
}

}  // namespace velqor::platform::sim

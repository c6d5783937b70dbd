// What every fuzz target shares: a property check that stops the run with a readable reason, and
// small readers of the fuzzer's bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fuzzer/FuzzedDataProvider.h>

#include "platform/sim/registry.h"

namespace velqor::fuzz {

// A broken property: print what and where, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void Broken(const char* expression, const std::string& detail, const char* file,
                                int line) {
  std::fprintf(stderr, "%s:%d: property broken: %s\n  %s\n", file, line, expression,
               detail.c_str());
  std::abort();
}

// Bytes as C-style text with escapes, for messages; long runs are cut short.
inline std::string Printable(const std::string& bytes) {
  std::string out = "\"";
  for (std::size_t i = 0; i < bytes.size() && i < 120; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      out += escaped;
    }
  }
  if (bytes.size() > 120) out += "...(" + std::to_string(bytes.size()) + " bytes)";
  return out + "\"";
}

}  // namespace velqor::fuzz

// Checks a property of the code under test; `detail` is only built when it fails.
#define FUZZ_CHECK(condition, detail)                                   \
  do {                                                                  \
    if (!(condition)) {                                                 \
      ::velqor::fuzz::Broken(#condition, (detail), __FILE__, __LINE__); \
    }                                                                   \
  } while (0)

namespace velqor::fuzz {

// Text of up to `max` bytes drawn from a small alphabet most of the time (so that names collide
// and differ only in case or in spaces) and from any byte otherwise.
inline std::string PickText(FuzzedDataProvider& in, std::size_t max) {
  static constexpr char kAlphabet[] = {'a', 'A', 'b',    'B',    ' ',    '\\',   '.',    '0',
                                       '1', '-', '\xC9', '\xE9', '\x8A', '\x9A', '\x81', '?'};
  if (in.ConsumeBool()) {
    return in.ConsumeRandomLengthString(max);
  }
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(0, max);
  std::string text;
  text.reserve(length);
  for (std::size_t i = 0; i < length && in.remaining_bytes() > 0; ++i) {
    text.push_back(kAlphabet[in.ConsumeIntegralInRange<std::size_t>(0, sizeof(kAlphabet) - 1)]);
  }
  return text;
}

// Text in the program's UTF-8, including characters the ANSI page lacks and malformed bytes.
inline std::string PickUtf8(FuzzedDataProvider& in, std::size_t max) {
  static constexpr const char* kPieces[] = {"a",
                                            "Z",
                                            " ",
                                            "\\",
                                            "\xC3\xA9",
                                            "\xC3\x89",
                                            "\xE2\x82\xAC",
                                            "\xE2\x98\x83",
                                            "\xF0\x9F\x98\x80",
                                            "\xC3",
                                            "\xED\xA0\x80",
                                            "1",
                                            "-",
                                            "\xC0\xAF"};
  if (in.ConsumeBool()) {
    return in.ConsumeRandomLengthString(max);
  }
  std::string text;
  const std::size_t pieces = in.ConsumeIntegralInRange<std::size_t>(0, max / 4 + 1);
  for (std::size_t i = 0; i < pieces && in.remaining_bytes() > 0; ++i) {
    text += kPieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kPieces) - 1)];
  }
  return text;
}

// Removes one value (ANSI key path and name) from a model registry through the registry calls.
// The model refuses nothing: its key must open, and the delete must succeed when `must_exist`.
inline void ModelDelete(platform::sim::SimRegistry& model, platform::KeyHandle root,
                        std::string_view ansi_key, std::string_view ansi_name, bool must_exist,
                        const std::string& what) {
  platform::KeyHandle key = 0;
  FUZZ_CHECK(model.OpenKey(root, ansi_key, platform::kKeySetValue, key) == 0, what);
  const platform::Status deleted = model.DeleteValue(key, ansi_name);
  FUZZ_CHECK(!must_exist || deleted == 0, what);
  static_cast<void>(model.CloseKey(key));
}

}  // namespace velqor::fuzz

// The finder of a command's program over commands and file systems built from pieces that make
// the hard cases likely (spaces in paths, quotes, variables, rundll32, missing extensions). It must
// not crash, must name an existing file whenever it says the program exists, and, for a command
// without quotes, must take the shortest run of words that names a file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/sim/system_info.h"
#include "startup/locations.h"
#include "startup/program_path.h"

namespace velqor::fuzz {
namespace {

std::u16string PickPieces(FuzzedDataProvider& in, std::size_t max) {
  static constexpr const char16_t* kPieces[] = {
      u"C:\\",         u"a",  u"b",      u" ",   u"  ",        u"\\", u".exe",
      u".dll",         u"\"", u",",      u"%v%", u"%none%",    u"%",  u"rundll32",
      u"rundll32.exe", u"x",  u"\u00e9", u"\t",  u"C:\\a b\\", u"/"};
  std::u16string text;
  const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(0, max);
  for (std::size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    text += kPieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kPieces) - 1)];
  }
  return text;
}

bool HasExtension(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/");
  return path.substr(slash == path.npos ? 0 : slash + 1).find(u'.') != path.npos;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  FuzzedDataProvider in(data, size);
  platform::sim::SimSystemInfo system;
  system.SetVariable(u"v", fuzz::PickPieces(in, 3));
  const std::size_t files = in.ConsumeIntegralInRange<std::size_t>(0, 4);
  for (std::size_t i = 0; i < files; ++i) {
    system.AddFile(fuzz::PickPieces(in, 6));
  }
  system.AddFile(u"C:\\Windows\\system32\\rundll32.exe");
  const std::u16string command = fuzz::PickPieces(in, 12);

  const startup::CommandProgram found = startup::FindProgram(command, system);
  FUZZ_CHECK(found == startup::FindProgram(command, system), startup::Utf8(command));
  FUZZ_CHECK(!found.exists || system.FileExists(found.path),
             startup::Utf8(command) + " -> " + startup::Utf8(found.path));

  // Unquoted, and not through rundll32: the program is the shortest existing run of words.
  const std::u16string expanded = system.ExpandEnvironment(command);
  const std::u16string_view line = fuzz::Trimmed(expanded);
  if (!found.exists || line.empty() || line.front() == u'"' ||
      line.find(u"rundll32") != std::u16string_view::npos ||
      line.substr(0, found.path.size()) != found.path.substr(0, line.size()) ||
      found.path.find_first_of(u"\\/:") == std::u16string::npos) {
    return 0;
  }
  for (std::size_t end = line.find(u' ');
       end != std::u16string_view::npos && end < found.path.size();
       end = line.find(u' ', end + 1)) {
    const std::u16string_view shorter = line.substr(0, end);
    if (shorter.empty() || shorter.back() == u' ' ||
        shorter.find_first_of(u"\\/:") == std::u16string_view::npos) {
      continue;
    }
    FUZZ_CHECK(
        !system.FileExists(shorter) &&
            (fuzz::HasExtension(shorter) || !system.FileExists(std::u16string(shorter) + u".exe")),
        startup::Utf8(command) + " took " + startup::Utf8(found.path) + " over " +
            startup::Utf8(shorter));
  }
  return 0;
}

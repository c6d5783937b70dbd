// The journal reader over arbitrary bytes, and over well-formed records with one byte damaged.
// Whatever it reads, it must not crash, must accept nothing from a line whose checksum fails
// (checked here with a CRC written independently of the reader's), and must give back
// well-formed records exactly as they were written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "journal/format.h"
#include "journal/journal.h"

namespace velqor::fuzz {
namespace {

using journal::Record;

// Bit by bit, not by table: a second opinion on the reader's checksum.
std::uint32_t SlowCrc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320U & (0U - (crc & 1U)));
    }
  }
  return ~crc;
}

bool LineChecks(std::string_view line) {
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  const std::size_t bar = line.rfind('|');
  if (bar == std::string_view::npos || line.size() - bar != 9) {
    return false;
  }
  char expected[16];
  std::snprintf(expected, sizeof(expected), "%08x",
                static_cast<unsigned>(SlowCrc32(line.substr(0, bar))));
  return line.substr(bar + 1) == expected;
}

std::vector<std::string_view> PhysicalLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == text.npos ? text.npos : end - start));
    if (end == text.npos) break;
    start = end + 1;
  }
  return lines;
}

// Every line a command was read from passes the independent check.
void CheckAccepted(std::string_view text) {
  const journal::Contents contents = journal::ParseJournal(text);
  const std::vector<std::string_view> lines = PhysicalLines(text);
  for (const journal::Command& command : contents.commands) {
    FUZZ_CHECK(!command.lines.empty(), "a command from no line");
    for (const std::size_t number : command.lines) {
      FUZZ_CHECK(number >= 1 && number <= lines.size(), "line number out of range");
      FUZZ_CHECK(LineChecks(lines[number - 1]), "accepted a line whose checksum fails: " +
                                                    Printable(std::string(lines[number - 1])));
    }
  }
  // Keeping the newest commands keeps only lines that check.
  const std::string kept = journal::KeepNewest(text, contents, 2);
  for (const std::string_view line : PhysicalLines(kept)) {
    FUZZ_CHECK(LineChecks(line), "kept a damaged line: " + Printable(std::string(line)));
  }
}

journal::ValueState PickState(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    return std::nullopt;
  }
  return journal::RegValue{in.ConsumeIntegral<std::uint32_t>(), in.ConsumeRandomLengthString(64)};
}

Record PickRecord(FuzzedDataProvider& in) {
  const auto sequence = in.ConsumeIntegral<std::uint64_t>();
  const auto copy = in.ConsumeIntegral<std::uint32_t>();
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return journal::BeginRecord{sequence, copy, in.ConsumeRandomLengthString(24),
                                  in.ConsumeIntegral<std::uint64_t>(), PickUtf8(in, 32)};
    case 1:
      return journal::BeforeRecord{
          sequence,
          copy,
          in.ConsumeIntegral<std::uint32_t>(),
          in.ConsumeBool() ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser,
          PickText(in, 48),
          PickText(in, 24),
          PickState(in)};
    case 2:
      return journal::AfterRecord{sequence, copy, in.ConsumeIntegral<std::uint32_t>(),
                                  in.ConsumeIntegral<std::int32_t>(), PickState(in)};
    default:
      return journal::EndRecord{sequence, copy, in.ConsumeIntegral<std::uint32_t>()};
  }
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    // Arbitrary bytes as a journal file.
    fuzz::CheckAccepted(in.ConsumeRemainingBytesAsString());
    return 0;
  }
  // Well-formed records: each reads back as written; with one byte changed, the line is refused
  // (a CRC-32 catches every change of a single byte).
  std::string text;
  while (in.remaining_bytes() > 8) {
    const journal::Record record = fuzz::PickRecord(in);
    const std::string line = journal::EncodeRecord(record);
    FUZZ_CHECK(line.size() >= 2 && line.substr(line.size() - 2) == "\r\n", "line end");
    FUZZ_CHECK(line.find('\n') == line.size() - 1, "one line per record: " + fuzz::Printable(line));
    const std::string_view body(line.data(), line.size() - 2);
    const std::optional<journal::Record> back = journal::DecodeRecord(body);
    FUZZ_CHECK(back && *back == record, "did not read back: " + fuzz::Printable(line));
    std::string damaged(body);
    const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, damaged.size() - 1);
    const auto change = in.ConsumeIntegralInRange<unsigned>(1, 255);
    damaged[at] = static_cast<char>(static_cast<unsigned char>(damaged[at]) ^ change);
    FUZZ_CHECK(!journal::DecodeRecord(damaged),
               "accepted a damaged line: " + fuzz::Printable(damaged));
    text += in.ConsumeBool() ? line : damaged + "\r\n";
  }
  fuzz::CheckAccepted(text);
  return 0;
}

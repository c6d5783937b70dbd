#include "journal/format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

namespace velqor::journal {
namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1U) != 0 ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
    }
    table[i] = crc;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();
constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, std::string_view bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '%' && c != '|') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHexDigits[byte >> 4]);
      out.push_back(kHexDigits[byte & 0x0F]);
    }
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      bytes.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) {
      return std::nullopt;
    }
    const int high = HexValue(text[i + 1]);
    const int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return bytes;
}

template <typename Number>
void AppendNumber(std::string& out, Number number) {
  out += std::to_string(number);
}

void AppendField(std::string& out, std::string_view field) {
  out.push_back('|');
  out += field;
}

void AppendState(std::string& out, const ValueState& state) {
  out.push_back('|');
  if (!state) {
    out.push_back('-');
    return;
  }
  AppendNumber(out, state->type);
  out.push_back(':');
  AppendEscaped(out, state->bytes);
}

void AppendHead(std::string& out, char kind, std::uint64_t sequence, std::uint32_t copy) {
  out.push_back(kind);
  out.push_back('|');
  AppendNumber(out, sequence);
  char hex[16];
  std::snprintf(hex, sizeof(hex), "|%x", static_cast<unsigned>(copy));
  out += hex;
}

// Decimal digits only, the whole field; `base` 16 for the copy number.
template <typename Number>
bool ParseNumber(std::string_view text, Number& out, int base = 10) {
  if (text.empty() || text.front() == '+' || (text.size() > 1 && text.front() == '0')) {
    return false;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return error == std::errc() && end == text.data() + text.size();
}

// A status as written: decimal, negative for an HRESULT.
bool ParseStatus(std::string_view text, std::int32_t& out) {
  const bool negative = !text.empty() && text.front() == '-';
  std::uint32_t magnitude = 0;
  if (!ParseNumber(negative ? text.substr(1) : text, magnitude) ||
      magnitude > (negative ? 0x80000000U : 0x7FFFFFFFU) || (negative && magnitude == 0)) {
    return false;
  }
  out = negative ? static_cast<std::int32_t>(0U - magnitude) : static_cast<std::int32_t>(magnitude);
  return true;
}

std::optional<ValueState> ParseState(std::string_view text) {
  if (text == "-") {
    return ValueState();
  }
  const std::size_t colon = text.find(':');
  RegValue value;
  if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), value.type)) {
    return std::nullopt;
  }
  std::optional<std::string> bytes = Unescape(text.substr(colon + 1));
  if (!bytes) {
    return std::nullopt;
  }
  value.bytes = std::move(*bytes);
  return ValueState(std::move(value));
}

std::optional<platform::KeyHandle> ParseRoot(std::string_view text) {
  if (text == "HKCU") return platform::kHkeyCurrentUser;
  if (text == "HKLM") return platform::kHkeyLocalMachine;
  return std::nullopt;
}

// A line's fields; a line with more than any record has counts as having one too many.
struct Fields {
  std::array<std::string_view, 9> field;
  std::size_t count = 0;
  std::size_t size() const { return count; }
  std::string_view operator[](std::size_t i) const { return field[i]; }
};

Fields Split(std::string_view body) {
  Fields fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = body.find('|', start);
    if (fields.count == fields.field.size()) {
      ++fields.count;  // too many for any record
      return fields;
    }
    fields.field[fields.count++] =
        body.substr(start, bar == std::string_view::npos ? body.npos : bar - start);
    if (bar == std::string_view::npos) {
      return fields;
    }
    start = bar + 1;
  }
}

std::optional<Record> Fail(std::string* reason, const char* why) {
  if (reason != nullptr) {
    *reason = why;
  }
  return std::nullopt;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFU;
  for (const char c : bytes) {
    crc = kCrcTable[(crc ^ static_cast<unsigned char>(c)) & 0xFFU] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFU;
}

std::string EncodeRecord(const Record& record) {
  std::string line;
  std::visit(
      [&line](const auto& r) {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, BeginRecord>) {
          AppendHead(line, 'C', r.sequence, r.copy);
          line.push_back('|');
          AppendEscaped(line, r.time);
          line.push_back('|');
          AppendNumber(line, r.undoes);
          line.push_back('|');
          AppendEscaped(line, r.name);
        } else if constexpr (std::is_same_v<T, BeforeRecord>) {
          const char kind = r.kind == PlaceKind::kRegistry       ? 'B'
                            : r.kind == PlaceKind::kWideRegistry ? 'W'
                                                                 : 'F';
          AppendHead(line, kind, r.sequence, r.copy);
          line.push_back('|');
          AppendNumber(line, r.index);
          if (r.kind != PlaceKind::kFile) {
            AppendField(line, r.root == platform::kHkeyLocalMachine ? "HKLM" : "HKCU");
          }
          if (r.kind == PlaceKind::kWideRegistry) {
            AppendField(line, r.view == platform::RegistryView::k32Bit ? "32" : "64");
          }
          line.push_back('|');
          AppendEscaped(line, r.key_path);
          if (r.kind != PlaceKind::kFile) {
            line.push_back('|');
            AppendEscaped(line, r.value_name);
          }
          AppendState(line, r.before);
        } else if constexpr (std::is_same_v<T, AfterRecord>) {
          AppendHead(line, 'A', r.sequence, r.copy);
          line.push_back('|');
          AppendNumber(line, r.index);
          line.push_back('|');
          AppendNumber(line, r.status);
          AppendState(line, r.after);
        } else {
          AppendHead(line, 'E', r.sequence, r.copy);
          line.push_back('|');
          AppendNumber(line, r.values);
        }
      },
      record);
  char crc[16];
  std::snprintf(crc, sizeof(crc), "|%08x\r\n", static_cast<unsigned>(Crc32(line)));
  line += crc;
  return line;
}

std::optional<Record> DecodeRecord(std::string_view line, std::string* reason) {
  const std::size_t bar = line.rfind('|');
  std::uint32_t crc = 0;
  bool well_formed = bar != std::string_view::npos && line.size() - bar == 9;
  for (std::size_t i = bar + 1; well_formed && i < line.size(); ++i) {
    const int digit = HexValue(line[i]);
    well_formed = digit >= 0 && !(line[i] >= 'A' && line[i] <= 'F');
    crc = crc << 4 | static_cast<std::uint32_t>(digit);
  }
  if (!well_formed || crc != Crc32(line.substr(0, bar))) {
    return Fail(reason, "checksum does not match");
  }
  const Fields f = Split(line.substr(0, bar));
  const auto head = [&](auto& r, std::size_t count) {
    return f.size() == count && ParseNumber(f[1], r.sequence) && ParseNumber(f[2], r.copy, 16);
  };
  if (f[0] == "C") {
    BeginRecord r;
    std::optional<std::string> time;
    std::optional<std::string> name;
    if (head(r, 6) && (time = Unescape(f[3])) && ParseNumber(f[4], r.undoes) &&
        (name = Unescape(f[5]))) {
      r.time = std::move(*time);
      r.name = std::move(*name);
      return r;
    }
  } else if (f[0] == "B" || f[0] == "W") {
    BeforeRecord r;
    const bool wide = f[0] == "W";
    const std::size_t at = wide ? 6 : 5;  // the key path's field
    std::optional<platform::KeyHandle> root;
    std::optional<std::string> path;
    std::optional<std::string> name;
    std::optional<ValueState> before;
    if (head(r, at + 3) && ParseNumber(f[3], r.index) && (root = ParseRoot(f[4])) &&
        (!wide || f[5] == "64" || f[5] == "32") && (path = Unescape(f[at])) &&
        (name = Unescape(f[at + 1])) && (before = ParseState(f[at + 2]))) {
      r.root = *root;
      r.key_path = std::move(*path);
      r.value_name = std::move(*name);
      r.before = std::move(*before);
      if (wide) {
        r.kind = PlaceKind::kWideRegistry;
        r.view = f[5] == "32" ? platform::RegistryView::k32Bit : platform::RegistryView::kNative;
      }
      return r;
    }
  } else if (f[0] == "F") {
    BeforeRecord r;
    std::optional<std::string> path;
    std::optional<ValueState> before;
    if (head(r, 6) && ParseNumber(f[3], r.index) && (path = Unescape(f[4])) &&
        (before = ParseState(f[5])) && (!*before || (*before)->type == 0)) {
      r.kind = PlaceKind::kFile;
      r.key_path = std::move(*path);
      r.before = std::move(*before);
      return r;
    }
  } else if (f[0] == "A") {
    AfterRecord r;
    std::optional<ValueState> after;
    std::int32_t status = 0;
    if (head(r, 6) && ParseNumber(f[3], r.index) && ParseStatus(f[4], status) &&
        (after = ParseState(f[5]))) {
      r.status = static_cast<platform::Status>(status);
      r.after = std::move(*after);
      return r;
    }
  } else if (f[0] == "E") {
    EndRecord r;
    if (head(r, 4) && ParseNumber(f[3], r.values)) {
      return r;
    }
  }
  return Fail(reason, "not a record");
}

}  // namespace velqor::journal

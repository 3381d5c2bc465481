#include "text/text_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "text/failure.h"

namespace corvelane {

namespace {

std::string Why(const char* what, int err) { return std::string(what) + std::strerror(err); }

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is a pipe (FIFO), not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
  if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
  return "it is not a regular file";
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) noexcept {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

void RefuseSpecialFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    FailFile(path, std::string("cannot read the file: ") + KindOf(st.st_mode));
}

void ReadFileBounded(const std::string& path, std::string& buffer, bool& truncated, FileIdentity* identity) {
  truncated = false;
  // The type is checked before opening: opening a pipe waits for a writer,
  // and a device may never end. The open does not block either, in case the
  // name is replaced by such a file in between.
  // A failed read leaves the buffer empty.
  const auto fail = [&](std::string why) {
    buffer.clear();
    FailFile(path, std::move(why));
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) fail(Why("cannot open the file: ", errno));
  if (!S_ISREG(st.st_mode)) fail(std::string("cannot read the file: ") + KindOf(st.st_mode));
  if (identity) *identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) fail(Why("cannot open the file: ", errno));
  // Sized to the file, one more byte telling whether it grew meanwhile; a
  // file that grows doubles the buffer up to the limit.
  std::size_t size = std::min(static_cast<std::size_t>(st.st_size), kMaxReadBytes);
  // Only growth is filled: a reused buffer keeps its old bytes until read over.
  buffer.resize(size + 1);
  std::size_t got = 0;
  for (;;) {
    if (got == buffer.size()) {
      if (buffer.size() > kMaxReadBytes) break;
      buffer.resize(std::min(2 * buffer.size(), kMaxReadBytes + 1));
    }
    const std::size_t asked = buffer.size() - got;
    const ssize_t n = ::read(fd, buffer.data() + got, asked);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      buffer.clear();
      if (err == EAGAIN || err == EWOULDBLOCK)
        FailFile(path, std::string("cannot read the file: it is not a regular file"));
      FailFile(path, Why("cannot read the file: ", err));
    }
    got += static_cast<std::size_t>(n);
    // A regular file that returns less than asked is at its end: no need
    // for another read to see 0.
    if (n == 0 || static_cast<std::size_t>(n) < asked) break;
  }
  ::close(fd);
  if (got > kMaxReadBytes) {
    truncated = true;
    got = kMaxReadBytes;
  }
  buffer.resize(got);
}

std::optional<double> ParseNumberInGeneral(std::string_view text) noexcept {
  std::string_view t = Trim(text);
  if (double v = 0; ParsePlainDecimal(t, v)) return v;
  if (t.empty()) return std::nullopt;
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  const char c = t[0];
  if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;  // no inf, nan, second sign
  double value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (end != t.data() + t.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero; overflow is not a usable reading.
    bool hasNonZeroMantissa = false;
    for (char ch : t) {
      if (ch == 'e' || ch == 'E') break;
      if (ch >= '1' && ch <= '9') hasNonZeroMantissa = true;
    }
    const auto epos = t.find_first_of("eE");
    if (!hasNonZeroMantissa || (epos != std::string_view::npos && epos + 1 < t.size() && t[epos + 1] == '-'))
      value = 0.0;
    else
      return std::nullopt;
  } else if (ec != std::errc()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

std::string_view Characters(std::string_view s, std::size_t first, std::size_t last) noexcept {
  if (first == 0 || first > s.size() || last < first) return {};
  const std::size_t len = std::min(last, s.size()) - first + 1;
  return s.substr(first - 1, len);
}

namespace {

// The plain decimals of one line as TakePlainNumbers takes them, with the
// count known to the compiler; returns the end of the line (past its line
// end) or null.
template <std::size_t Count>
const char* TakeLineOfNumbers(const char* p, const char* const end, double* values) noexcept {
  for (std::size_t i = 0; i < Count; ++i) {
    const char* const blanks = p;
    while (p < end && IsBlank(*p)) ++p;
    if (i > 0 && p == blanks) return nullptr;  // the number before ended the line
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    std::uint64_t mantissa = 0;
    const char* const whole = p;
    unsigned digit = 0;
    while (p < end && (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) < 10) {
      mantissa = mantissa * 10 + digit;
      ++p;
    }
    std::ptrdiff_t digits = p - whole, fraction = 0;
    if (p < end && *p == '.') {
      const char* const part = ++p;
      while (p < end && (digit = static_cast<unsigned char>(*p) - unsigned{'0'}) < 10) {
        mantissa = mantissa * 10 + digit;
        ++p;
      }
      fraction = p - part;
      digits += fraction;
    }
    if (digits == 0 || digits > 15) return nullptr;
    double value = static_cast<double>(mantissa);
    if (fraction > 0) value /= kExactPowersOfTen[fraction];
    values[i] = negative ? -value : value;
    if (p < end && !IsBlank(*p) && *p != '\r' && *p != '\n') return nullptr;
  }
  while (p < end && IsBlank(*p)) ++p;
  if (p == end) return p;
  if (*p == '\n') return p + 1;
  if (*p != '\r') return nullptr;
  return p + (p + 1 < end && p[1] == '\n' ? 2 : 1);
}

}  // namespace

bool LineCursor::TakePlainNumbers(double* values, std::size_t count) noexcept {
  const char* const begin = text_.data();
  const char* const end = begin + text_.size();
  const char* const p = begin + pos_;
  if (p >= end) return false;
  const char* next = nullptr;
  switch (count) {
    case 1: next = TakeLineOfNumbers<1>(p, end, values); break;
    case 2: next = TakeLineOfNumbers<2>(p, end, values); break;
    case 3: next = TakeLineOfNumbers<3>(p, end, values); break;
    default: return false;
  }
  if (!next) return false;
  pos_ = static_cast<std::size_t>(next - begin);
  ++line_;
  return true;
}

void FreeFieldCursor::SkipLineEnd() noexcept {
  if (pos_ < text_.size() && text_[pos_] == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++line_;
  } else if (pos_ < text_.size() && text_[pos_] == '\n') {
    ++pos_;
    ++line_;
  }
}

bool FreeFieldCursor::OnlyBlanksLeft() const noexcept {
  for (std::size_t p = pos_; p < text_.size(); ++p) {
    const char c = text_[p];
    if (!IsBlank(c) && c != '\r' && c != '\n') return false;
  }
  return true;
}

bool FreeFieldCursor::Next(std::string_view& item) noexcept {
  // Skip blanks and line ends before the item.
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (IsBlank(c)) {
      ++pos_;
    } else if (c == '\r' || c == '\n') {
      SkipLineEnd();
    } else {
      break;
    }
  }
  if (pos_ >= text_.size()) return false;
  itemLine_ = line_ + 1;
  if (text_[pos_] == ',') {  // an empty item between two commas
    item = {};
    ++pos_;
    return true;
  }
  if (text_[pos_] == '"') {
    const std::size_t start = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    item = text_.substr(start, pos_ - start);
    if (pos_ < text_.size() && text_[pos_] == '"') ++pos_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == ',' || IsBlank(c) || c == '\r' || c == '\n') break;
      ++pos_;
    }
    item = text_.substr(start, pos_ - start);
  }
  // Take the separator after the item: blanks, then one comma or a line end.
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  if (pos_ < text_.size()) {
    if (text_[pos_] == ',')
      ++pos_;
    else if (text_[pos_] == '\r' || text_[pos_] == '\n')
      SkipLineEnd();
  }
  return true;
}

std::string Printable(std::string_view text, std::size_t maxLength) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const bool cut = text.size() > maxLength;
  if (cut) text = text.substr(0, maxLength);
  std::string out;
  for (const unsigned char c : text) {
    if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c >= 0x7F) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (cut) out += "...";
  return out;
}

}  // namespace corvelane

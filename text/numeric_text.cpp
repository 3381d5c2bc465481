#include "text/numeric_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace corvelane {

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::size_t kZoneWidth = 14;

// Lays out `digits` (no leading or trailing zeros beyond the first digit)
// with decimal exponent `exp10` (value = 0.d1d2... * 10^(exp10+1)).
void AppendLayout(std::string& out, const char* digits, int count, int exp10) {
  if (exp10 >= -7 && exp10 < 15) {
    if (exp10 < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-exp10 - 1), '0');
      out.append(digits, static_cast<std::size_t>(count));
    } else if (count <= exp10 + 1) {
      out.append(digits, static_cast<std::size_t>(count));
      out.append(static_cast<std::size_t>(exp10 + 1 - count), '0');
    } else {
      out.append(digits, static_cast<std::size_t>(exp10 + 1));
      out += '.';
      out.append(digits + exp10 + 1, static_cast<std::size_t>(count - exp10 - 1));
    }
    return;
  }
  out += digits[0];
  if (count > 1) {
    out += '.';
    out.append(digits + 1, static_cast<std::size_t>(count - 1));
  }
  out += 'E';
  out += exp10 < 0 ? '-' : '+';
  char eb[8];
  auto [p, ec] = std::to_chars(eb, eb + sizeof eb, std::abs(exp10));
  (void)ec;
  if (p - eb < 2) out += '0';
  out.append(eb, p);
}

void AppendMagnitude(std::string& out, double a) {
  if (a == 0.0) {
    out += '0';
    return;
  }
  if (std::isnan(a)) {
    out += "NaN";
    return;
  }
  if (std::isinf(a)) {
    out += "Inf";
    return;
  }
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
  (void)ec;
  // buf: d.dddddddddddddde[+-]xx
  char digits[24];
  int count = 0;
  const char* p = buf;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exp10 = 0;
  if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exp10);
  while (count > 1 && digits[count - 1] == '0') --count;
  AppendLayout(out, digits, count, exp10);
}

}  // namespace

double RoundHalfEven(double x, int decimals) noexcept {
  if (!std::isfinite(x) || decimals < 0 || decimals > 15) return x;
  const double p = kPowersOfTen[decimals];
  const double scaled = x * p;
  if (!std::isfinite(scaled)) return x;
  // The default floating-point rounding mode takes ties to even.
  return std::nearbyint(scaled) / p;
}

// Values that carry at most six decimals (every rounded cell of a result
// table), written straight from the integer m = value * 10^6. Any decimal of at
// most 15 significant digits survives a round trip through a double, so these
// digits are exactly those of the 15-digit general form. False when the value
// is not such a number.
static bool AppendSixDecimals(std::string& out, double value) {
  const double a = std::fabs(value);
  if (!(a < 1e9)) return false;
  const double scaled = std::nearbyint(a * 1e6);
  if (scaled < 1.0 || scaled / 1e6 != a) return false;
  const auto m = static_cast<std::uint64_t>(scaled);
  char buf[32];
  char* const end = buf + sizeof buf;
  char* p = end;
  *--p = ' ';
  std::uint64_t whole = m / 1000000;
  auto fraction = static_cast<unsigned>(m % 1000000);
  if (fraction != 0) {
    int digits = 6;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    for (; digits > 0; --digits, fraction /= 10) *--p = static_cast<char>('0' + fraction % 10);
    *--p = '.';
  }
  do {
    *--p = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  *--p = value < 0 ? '-' : ' ';
  out.append(p, static_cast<std::size_t>(end - p));
  return true;
}

void AppendNumber(std::string& out, double value) {
  if (AppendSixDecimals(out, value)) return;
  out += std::signbit(value) && value != 0.0 ? '-' : ' ';
  AppendMagnitude(out, std::fabs(value));
  out += ' ';
}

namespace {

constexpr char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Digits of n (< 10^9), most significant first; returns the end.
char* WriteWhole(char* out, std::uint32_t n) noexcept {
  char buf[12];
  char* p = buf + sizeof buf;
  while (n >= 100) {
    const std::uint32_t two = n % 100;
    n /= 100;
    p -= 2;
    std::memcpy(p, kTwoDigits + 2 * two, 2);
  }
  if (n >= 10) {
    p -= 2;
    std::memcpy(p, kTwoDigits + 2 * n, 2);
  } else {
    *--p = static_cast<char>('0' + n);
  }
  const auto count = static_cast<std::size_t>(buf + sizeof buf - p);
  std::memcpy(out, p, count);
  return out + count;
}

}  // namespace

char* WriteRoundedSix(char* out, double value) noexcept {
  const double a = std::fabs(value);
  if (a < 1e9) {  // also false for NaN
    // a * 10^6 < 2^52: adding and taking away 2^52 rounds it to a whole
    // number with ties to even, as std::nearbyint does in RoundHalfEven. The
    // rounded value m / 10^6 prints as the digits of m (see AppendSixDecimals).
    constexpr double kTwo52 = 4503599627370496.0;
    const double shifted = a * 1e6 + kTwo52;
    const double scaled = shifted - kTwo52;
    if (scaled == 0.0) {
      std::memcpy(out, " 0 ", 3);
      return out + 3;
    }
    const auto m = static_cast<std::uint64_t>(scaled);
    *out++ = value < 0 ? '-' : ' ';
    out = WriteWhole(out, static_cast<std::uint32_t>(m / 1000000));
    const auto fraction = static_cast<std::uint32_t>(m % 1000000);
    if (fraction != 0) {
      *out = '.';
      const std::uint32_t pairs[3] = {fraction / 10000, fraction / 100 % 100, fraction % 100};
      std::memcpy(out + 1, kTwoDigits + 2 * pairs[0], 2);
      std::memcpy(out + 3, kTwoDigits + 2 * pairs[1], 2);
      std::memcpy(out + 5, kTwoDigits + 2 * pairs[2], 2);
      out += 7;
      while (out[-1] == '0') --out;
    }
    *out++ = ' ';
    return out;
  }
  std::string text;
  AppendNumber(text, RoundHalfEven(value, 6));
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

std::string NumberText(double value) {
  std::string s;
  AppendNumber(s, value);
  return s;
}

std::string PlainNumber(double value) {
  std::string s = NumberText(value);
  s.pop_back();
  if (s.front() == ' ') s.erase(0, 1);
  return s;
}

void AppendPrintZoneFill(std::string& out, std::size_t lineStart) {
  const std::size_t column = out.size() - lineStart;  // characters already on the line
  const std::size_t next = (column / kZoneWidth + 1) * kZoneWidth;
  out.append(next - column, ' ');
}

}  // namespace corvelane

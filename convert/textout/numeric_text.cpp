#include "convert/textout/numeric_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace corvelane {

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::size_t kZoneWidth = 14;

// Writes the decimal digits of m (< 10^16) into buf, returns their count.
int UnsignedDigits(std::uint64_t m, char* buf) {
  char tmp[24];
  int n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  for (int i = 0; i < n; ++i) buf[i] = tmp[n - 1 - i];
  return n;
}

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
  // Fast path: values that carry at most six decimals (every rounded cell of
  // a result table). Any decimal of at most 15 significant digits survives a
  // round trip through a double, so printing the integer m at six decimals
  // gives exactly the 15-digit general form.
  if (a < 1e9) {
    const double scaled = std::nearbyint(a * 1e6);
    if (scaled / 1e6 == a && scaled >= 1.0) {
      auto m = static_cast<std::uint64_t>(scaled);
      char digits[24];
      int count = UnsignedDigits(m, digits);
      // m has `count` digits and the value is m * 10^-6.
      int exp10 = count - 1 - 6;
      while (count > 1 && digits[count - 1] == '0') --count;
      AppendLayout(out, digits, count, exp10);
      return;
    }
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

void AppendNumber(std::string& out, double value) {
  out += std::signbit(value) && value != 0.0 ? '-' : ' ';
  AppendMagnitude(out, std::fabs(value));
  out += ' ';
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

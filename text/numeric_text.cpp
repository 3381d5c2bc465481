#include "text/numeric_text.h"

#include <array>
#include <bit>
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

constexpr char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 000 to 999: three digits and how many of them end the number as zeros.
struct ThreeDigits {
  char digits[3];
  std::uint8_t trailingZeros;
};
constexpr std::array<ThreeDigits, 1000> kThreeDigits = [] {
  std::array<ThreeDigits, 1000> table{};
  for (int n = 0; n < 1000; ++n) {
    ThreeDigits& t = table[static_cast<std::size_t>(n)];
    t.digits[0] = static_cast<char>('0' + n / 100);
    t.digits[1] = static_cast<char>('0' + n / 10 % 10);
    t.digits[2] = static_cast<char>('0' + n % 10);
    t.trailingZeros = n == 0 ? 3 : n % 100 == 0 ? 2 : n % 10 == 0 ? 1 : 0;
  }
  return table;
}();

// Digits of n (< 10^9), most significant first; returns the end.
inline char* WriteWhole(char* out, std::uint32_t n) noexcept {
  if (n < 10) {
    *out = static_cast<char>('0' + n);
    return out + 1;
  }
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

// Lays out `digits` (no leading or trailing zeros beyond the first digit)
// with decimal exponent `exp10` (value = 0.d1d2... * 10^(exp10+1)) at `p`;
// returns the end. Copies whole blocks of 16 bytes: `digits` must hold 32
// bytes and `p` have room for kMaxNumberText - 1.
char* WriteLayout(char* p, const char* digits, int count, int exp10) noexcept {
  const auto n = static_cast<std::size_t>(count);
  if (exp10 >= -7 && exp10 < 15) {
    if (exp10 < 0) {
      const auto zeros = static_cast<std::size_t>(-exp10 - 1);  // at most 6
      std::memcpy(p, "0.000000", 8);
      p += 2 + zeros;
      std::memcpy(p, digits, 16);
      return p + n;
    }
    const auto whole = static_cast<std::size_t>(exp10 + 1);
    if (n <= whole) {
      std::memcpy(p, digits, 16);
      std::memset(p + n, '0', 16);
      return p + whole;
    }
    std::memcpy(p, digits, 16);
    p += whole;
    *p++ = '.';
    std::memcpy(p, digits + whole, 16);
    return p + (n - whole);
  }
  *p++ = digits[0];
  if (count > 1) {
    *p++ = '.';
    std::memcpy(p, digits + 1, n - 1);
    p += n - 1;
  }
  *p++ = 'E';
  *p++ = exp10 < 0 ? '-' : '+';
  const int e = std::abs(exp10);
  if (e < 10) *p++ = '0';
  return std::to_chars(p, p + 4, e).ptr;
}

// The 15 significant digits of a > 0 by std::to_chars: correctly rounded,
// ties to even, for any double.
char* WriteMagnitudeByCharconv(char* out, double a) noexcept {
  char buf[48];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
  (void)ec;
  // buf: d.dddddddddddddde[+-]xx
  char digits[32] = {};
  int count = 0;
  const char* p = buf;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exp10 = 0;
  if (p < end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exp10);
  while (count > 1 && digits[count - 1] == '0') --count;
  return WriteLayout(out, digits, count, exp10);
}

constexpr std::uint64_t kWholePowersOfTen[] = {1ull,
                                               10ull,
                                               100ull,
                                               1000ull,
                                               10000ull,
                                               100000ull,
                                               1000000ull,
                                               10000000ull,
                                               100000000ull,
                                               1000000000ull,
                                               10000000000ull,
                                               100000000000ull,
                                               1000000000000ull,
                                               10000000000000ull,
                                               100000000000000ull,
                                               1000000000000000ull,
                                               10000000000000000ull,
                                               100000000000000000ull,
                                               1000000000000000000ull,
                                               10000000000000000000ull};

// The same digits for 1e-8 <= a < 1e15 with whole-number arithmetic only:
// a is m * 2^e exactly, so a * 10^k is the 128-bit m * 10^k shifted right,
// and the bits shifted out say exactly how to round (ties to even, as
// std::to_chars rounds). Null outside that range.
char* WriteMagnitudeFast(char* out, double a) noexcept {
  if (!(a >= 1e-8 && a < 1e15)) return nullptr;
  const auto bits = std::bit_cast<std::uint64_t>(a);
  const int exp2 = static_cast<int>((bits >> 52) & 0x7FF) - 1075;  // a = mantissa * 2^exp2, exp2 < 0 here
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const auto shift = static_cast<unsigned>(-exp2);
  // floor(log10(a)), give or take one, from the binary exponent.
  int exp10 = ((exp2 + 52) * 78913) >> 18;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = 14 - exp10;  // a * 10^k has 15 digits before the point
    if (k < 0 || k > 22) return nullptr;
    using Wide = unsigned __int128;
    Wide power = kWholePowersOfTen[k > 19 ? 19 : k];
    for (int extra = k; extra > 19; --extra) power *= 10;
    const Wide product = static_cast<Wide>(mantissa) * power;  // < 2^53 * 10^22 < 2^127
    std::uint64_t m;
    if (shift >= 128) {
      m = 0;
    } else {
      const auto whole = static_cast<std::uint64_t>(product >> shift);
      const Wide rest = product & ((Wide{1} << shift) - 1);
      const Wide half = Wide{1} << (shift - 1);
      m = whole + ((rest > half || (rest == half && (whole & 1))) ? 1 : 0);
    }
    if (m < 100000000000000ull) {  // the guess was one too high
      --exp10;
      continue;
    }
    if (m > 1000000000000000ull) {  // one too low
      ++exp10;
      continue;
    }
    if (m == 1000000000000000ull) {  // rounded up to the next power of ten
      m /= 10;
      ++exp10;
    }
    char digits[32] = {};
    auto high = static_cast<std::uint32_t>(m / 100000000);  // 7 digits
    auto low = static_cast<std::uint32_t>(m % 100000000);   // 8 digits
    for (int i = 13; i >= 7; i -= 2) {
      std::memcpy(digits + i, kTwoDigits + 2 * (low % 100), 2);
      low /= 100;
    }
    for (int i = 5; i >= 1; i -= 2) {
      std::memcpy(digits + i, kTwoDigits + 2 * (high % 100), 2);
      high /= 100;
    }
    digits[0] = static_cast<char>('0' + high);
    int count = 15;
    while (count > 1 && digits[count - 1] == '0') --count;
    return WriteLayout(out, digits, count, exp10);
  }
  return nullptr;
}

char* WriteMagnitude(char* out, double a) noexcept {
  if (a == 0.0) {
    *out = '0';
    return out + 1;
  }
  if (std::isnan(a)) {
    std::memcpy(out, "NaN", 3);
    return out + 3;
  }
  if (std::isinf(a)) {
    std::memcpy(out, "Inf", 3);
    return out + 3;
  }
  if (char* end = WriteMagnitudeFast(out, a)) return end;
  return WriteMagnitudeByCharconv(out, a);
}

// Values that carry at most six decimals (every rounded cell of a result
// table), written straight from the integer m = value * 10^6. Any decimal of at
// most 15 significant digits survives a round trip through a double, so these
// digits are exactly those of the 15-digit general form. Null when the value
// is not such a number.
// The numeric text form of m / 10^6 (m > 0), signed: the whole part, then
// up to six decimals in two groups of three, trailing zeros dropped.
inline char* WriteMillionths(char* out, std::uint64_t m, bool negative) noexcept {
  *out++ = negative ? '-' : ' ';
  const auto whole = static_cast<std::uint32_t>(m / 1000000);
  out = WriteWhole(out, whole);
  const auto fraction = static_cast<std::uint32_t>(m - std::uint64_t{whole} * 1000000);
  if (fraction != 0) {
    const std::uint32_t high = fraction / 1000, low = fraction - high * 1000;
    const ThreeDigits& h = kThreeDigits[high];
    const ThreeDigits& l = kThreeDigits[low];
    *out = '.';
    std::memcpy(out + 1, h.digits, 3);
    std::memcpy(out + 4, l.digits, 3);
    out += 7 - (low != 0 ? l.trailingZeros : 3 + h.trailingZeros);
  }
  *out++ = ' ';
  return out;
}

char* WriteSixDecimals(char* out, double value) noexcept {
  const double a = std::fabs(value);
  if (!(a < 1e9)) return nullptr;
  const double scaled = std::nearbyint(a * 1e6);
  if (scaled < 1.0 || scaled / 1e6 != a) return nullptr;
  return WriteMillionths(out, static_cast<std::uint64_t>(scaled), value < 0);
}

}  // namespace

char* WriteNumber(char* out, double value) noexcept {
  if (char* end = WriteSixDecimals(out, value)) return end;
  *out++ = std::signbit(value) && value != 0.0 ? '-' : ' ';
  out = WriteMagnitude(out, std::fabs(value));
  *out++ = ' ';
  return out;
}

double RoundHalfEven(double x, int decimals) noexcept {
  if (!std::isfinite(x) || decimals < 0 || decimals > 15) return x;
  const double p = kPowersOfTen[decimals];
  const double scaled = x * p;
  if (!std::isfinite(scaled)) return x;
  // The default floating-point rounding mode takes ties to even.
  return std::nearbyint(scaled) / p;
}

void AppendNumber(std::string& out, double value) {
  char buf[kMaxNumberText];
  out.append(buf, static_cast<std::size_t>(WriteNumber(buf, value) - buf));
}

void AppendNumberByCharconv(std::string& out, double value) {
  char buf[kMaxNumberText];
  char* p = buf;
  *p++ = std::signbit(value) && value != 0.0 ? '-' : ' ';
  const double a = std::fabs(value);
  p = a == 0.0 || !std::isfinite(a) ? WriteMagnitude(p, a) : WriteMagnitudeByCharconv(p, a);
  *p++ = ' ';
  out.append(buf, static_cast<std::size_t>(p - buf));
}

namespace {

// WriteRoundedSix, here so that a whole row of numbers is written without a
// call per number.
inline char* RoundedSix(char* out, double value) noexcept {
  const double a = std::fabs(value);
  if (a < 1e9) {  // also false for NaN
    // a * 10^6 < 2^52: adding and taking away 2^52 rounds it to a whole
    // number with ties to even, as std::nearbyint does in RoundHalfEven. The
    // rounded value m / 10^6 prints as the digits of m (see WriteSixDecimals).
    constexpr double kTwo52 = 4503599627370496.0;
    const double shifted = a * 1e6 + kTwo52;
    const double scaled = shifted - kTwo52;
    if (scaled == 0.0) {
      std::memcpy(out, " 0 ", 3);
      return out + 3;
    }
    return WriteMillionths(out, static_cast<std::uint64_t>(scaled), value < 0);
  }
  return WriteNumber(out, RoundHalfEven(value, 6));
}

}  // namespace

char* WriteRoundedSix(char* out, double value) noexcept { return RoundedSix(out, value); }

char* WriteRoundedSixList(char* out, const double* values, std::size_t count, char separator) noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    *out++ = separator;
    out = RoundedSix(out, values[i]);
  }
  return out;
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

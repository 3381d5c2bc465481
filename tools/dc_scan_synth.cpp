#include "tools/dc_scan_synth.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "calibration/dc_equation.h"

namespace corvelane::synth {

namespace {

class Rng {  // splitmix64: the same numbers on every platform
 public:
  explicit Rng(std::uint64_t seed) noexcept : state_(seed) {}
  double Uniform() noexcept {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
  }
  double Between(double lo, double hi) noexcept { return lo + (hi - lo) * Uniform(); }
  int Pick(int lo, int hi) noexcept { return lo + static_cast<int>(Uniform() * (hi - lo + 1)); }

 private:
  std::uint64_t state_;
};

std::string Fixed(double v, int decimals) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr);
}

std::string Two(int v) {
  std::string s = std::to_string(v);
  if (s.size() < 2) s.insert(0, 1, '0');
  return s;
}

double Gauss(double x, double c, double w) {
  const double d = (x - c) / w;
  return std::exp(-d * d);
}
double Logistic(double x, double c, double w) { return 1.0 / (1.0 + std::exp(-(x - c) / w)); }

// Sunlight times the detector response of one channel, 0-60000 counts.
double Signal(double nm, double gain) { return gain * 52000 * Gauss(nm, 620, 230) * Logistic(nm, 330, 10); }

// The instruments write counts as "124.8", "59" or "0.".
std::string Counts(double v) {
  if (v <= 0) return "0.";
  const double r = std::round(v * 10) / 10;
  return r == std::round(r) ? Fixed(r, 0) : Fixed(r, 1);
}

}  // namespace

std::string DcScanText(unsigned seed, const std::string& recordedName, DcScanKind kind) {
  Rng r(seed * 0x9E3779B97F4A7C15ull + 0xDC);
  const double visible = r.Between(0.03, 0.06), green = r.Between(0.04, 0.09);
  const double edge = r.Between(700, 722), nir = r.Between(0.35, 0.6);
  const double sun = r.Between(0.8, 1.0), gain2 = r.Between(0.95, 1.05);
  const std::array<int, 4> status = {r.Pick(1, 2), r.Pick(0, 3), r.Pick(4, 14), r.Pick(10, 29)};
  const double degrees = r.Between(8, 26);
  const unsigned second = 9 * 3600 + seed * 97 % (6 * 3600);
  const int hour = static_cast<int>(second / 3600);
  const std::string time = std::to_string(hour > 12 ? hour - 12 : hour) + ":" +
                           Two(static_cast<int>(second / 60 % 60)) + ":" + Two(static_cast<int>(second % 60)) +
                           (hour >= 12 ? " PM" : " AM");
  const std::string date = std::to_string(6 + seed / 28 % 3) + "/" + std::to_string(seed % 28 + 1) + "/2018";
  const char* comment = kind == DcScanKind::Dark    ? "DARKscan"
                        : kind == DcScanKind::Panel ? "Datascan,WhitePanel"
                                                    : "Datascan";

  // Channel 2 (target) and channel 1 (panel) see different wavelengths on the
  // same line; the instrument's own wavelength column is a third calibration.
  const DcWavelengthTables waves = WavesFromEquationDC(DcStartTexts());
  std::vector<double> target(256), panel(256);
  for (std::size_t c = 0; c < 256; ++c) {
    const double w1 = waves.channel1[c], w2 = waves.channel2[c];
    const double reflect =
        kind == DcScanKind::Panel
            ? 0.98
            : (visible + green * Gauss(w2, 550, 35)) * (1 - Logistic(w2, edge, 14)) + nir * Logistic(w2, edge, 14);
    const double noise1 = 1 + 0.004 * (r.Uniform() - 0.5), noise2 = 1 + 0.004 * (r.Uniform() - 0.5);
    if (kind == DcScanKind::Dark) {
      panel[c] = std::round(230 + 40 * r.Uniform());
      target[c] = std::round(230 + 40 * r.Uniform());
    } else {
      panel[c] = std::max(0.0, std::round(sun * Signal(w1, 1.0) * noise1 - 2));
      target[c] = std::max(0.0, std::round(10 * sun * Signal(w2, gain2) * reflect / 0.98 * noise2 - 20) / 10);
    }
  }
  // Status values, not readings, in the last eight target channels.
  target[248] = 730;
  for (std::size_t k = 0; k < 4; ++k) target[249 + k] = status[k];
  target[253] = r.Pick(80, 200);
  target[254] = r.Pick(150, 220);
  target[255] = r.Pick(150, 220);

  std::string out;
  out.reserve(256 * 24 + 600);
  const auto line = [&](const std::string& text) { out += text + "\r\n"; };
  const std::size_t hi =
      static_cast<std::size_t>(std::max_element(target.begin(), target.begin() + 248) - target.begin());
  const std::size_t lo =
      static_cast<std::size_t>(std::min_element(target.begin(), target.begin() + 248) - target.begin());
  const auto own = [](std::size_t c) {
    return 300.9122 + 3.3475 * static_cast<double>(c) - 0.00005 * static_cast<double>(c * c);
  };
  line("\"File:       \\Storage Card\\2018\\2018-06-22\\" + recordedName + "\"");
  line(std::string("\"Remarks:    SW=UnispecDCcf Version=1.5 Comment=") + comment + "\"");
  line("\"Time:       " + date + " " + time + "\"");
  line("\"Limits:     300.9122 - " + Fixed(own(255), 3) + "\"");
  line("\"Environment:   DegreesC=" + Fixed(degrees, 3) + " BattV=" + Fixed(r.Between(6.3, 7.8), 3) +
       " A1=" + std::to_string(status[0]) + " A2=" + std::to_string(status[1]) + " A3=" + std::to_string(status[2]) +
       " A4=" + std::to_string(status[3]) + "\"");
  line("\"Minimum:    " + Fixed(own(lo), 1) + "nm  " + Counts(target[lo]) + "\"");
  line("\"Maximum:    " + Fixed(own(hi), 1) + "nm  " + Counts(target[hi]) + "\"");
  line("\"Integration:  " + std::to_string(r.Pick(4, 13) * 5) + " ms\"");
  line("\"Number Scans: 10\"");
  line("");
  for (std::size_t c = 0; c < 256; ++c) line(Fixed(own(c), 1) + " \t" + Counts(target[c]) + " \t" + Counts(panel[c]));
  return out;
}

std::vector<std::string> WriteDcScans(const std::string& folder, int count, const std::string& prefix,
                                      unsigned firstSeed) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    std::string number = std::to_string(i + 1);
    number.insert(0, 5 - std::min<std::size_t>(5, number.size()), '0');
    const std::string name = prefix + number + ".spu";
    const std::string path = (std::filesystem::path(folder) / name).string();
    const std::string text = DcScanText(firstSeed + static_cast<unsigned>(i), name);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    f.close();
    if (!f) throw std::runtime_error("cannot write " + path);
    paths.push_back(path);
  }
  return paths;
}

}  // namespace corvelane::synth

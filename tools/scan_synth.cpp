#include "tools/scan_synth.h"

#include "tools/dc_scan_synth.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace corvelane::synth {

namespace {

// splitmix64: tiny and fully defined, unlike the standard distributions,
// whose output differs between library implementations.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) noexcept : state_(seed) {}
  double Uniform() noexcept { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Between(double lo, double hi) noexcept { return lo + (hi - lo) * Uniform(); }
  int Pick(int lo, int hi) noexcept { return lo + static_cast<int>(Uniform() * (hi - lo + 1)); }

 private:
  std::uint64_t Next() noexcept {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::uint64_t state_;
};

bool IsGer(Format f) { return f == Format::Ger1500 || f == Format::Ger2600; }

// ---- Text helpers: std::to_chars never looks at the locale. ----

std::string Fixed(double v, int decimals) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return std::string(buf, res.ptr);
}

std::string Padded(int v, std::size_t width, char fill = '0') {
  std::string s = std::to_string(v);
  if (s.size() < width) s.insert(0, width - s.size(), fill);
  return s;
}

std::string PadLeft(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

void Line(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

// ---- Channel wavelengths ----

int WaveDecimals(Format f) { return IsGer(f) ? 2 : 1; }

double Rounded(double x, int decimals) {
  const double k = decimals == 1 ? 10.0 : 100.0;
  return std::round(x * k) / k;  // k-th fractions: the double the file text reads back as
}

// Each instrument's calibration curve, channel numbers from 0.
double CalibratedWavelength(Format f, int channel) {
  const double i = channel;
  switch (f) {
    case Format::Ger1500: return 299.7 + 1.5688 * i - 2.2e-6 * i * i;
    case Format::Ger2600:
      // A silicon array up to 1048 nm, then two InGaAs arrays with coarser steps.
      if (channel < 400) return 350.0 + 1.75 * i;
      if (channel < 500) return 1050.0 + 8.5 * (i - 400);
      return 1900.0 + 600.0 / 93.0 * (i - 500);
    default: return 305.4 + 3.31 * i - 2e-4 * i * i;
  }
}

int ChannelCount(Format f, int channels) {
  switch (f) {
    case Format::Ger1500: return 512;
    case Format::Ger2600: return std::clamp(channels, 0, 594);
    default: return 256;
  }
}

// ---- Spectra ----

double Gauss(double x, double centre, double width) {
  const double d = (x - centre) / width;
  return std::exp(-d * d);
}
double Logistic(double x, double centre, double width) { return 1.0 / (1.0 + std::exp(-(x - centre) / width)); }

// The shape of one green leaf; the seed picks it, whatever the format.
struct Leaf {
  double visible, green, redEdge, edgeWidth, nir, water;
};

Leaf LeafOf(unsigned seed) {
  Rng r(seed * 2654435761ull + 17);
  Leaf leaf{};
  leaf.visible = r.Between(0.03, 0.06);
  leaf.green = r.Between(0.05, 0.11);
  leaf.redEdge = r.Between(700, 722);
  leaf.edgeWidth = r.Between(10, 16);
  leaf.nir = r.Between(0.38, 0.58);
  leaf.water = r.Between(0.5, 0.8);
  return leaf;
}

double LeafReflectance(const Leaf& leaf, double nm) {
  // Chlorophyll absorbs blue and red, leaving the green bump and the red dip.
  const double visible = leaf.visible + leaf.green * Gauss(nm, 550, 35) - 0.6 * leaf.visible * Gauss(nm, 675, 18);
  const double edge = Logistic(nm, leaf.redEdge, leaf.edgeWidth);
  double r = visible * (1 - edge) + leaf.nir * edge;
  // Leaf water: a broad fall into the short-wave infrared and two deep bands.
  r *= 1 - 0.3 * std::clamp((nm - 1150) / 1200, 0.0, 1.0);
  r *= (1 - 0.5 * leaf.water * Gauss(nm, 1450, 70)) * (1 - 0.6 * leaf.water * Gauss(nm, 1940, 80));
  return r;
}

// Counts a white panel gives in full sun: sunlight times detector response.
double PanelSignal(Format f, double nm) {
  switch (f) {
    case Format::UniSpecNew: return 30000 * Gauss(nm, 600, 260) * Logistic(nm, 330, 8);
    case Format::Ger1500: return 2000 + 450000 * Gauss(nm, 640, 230) * Logistic(nm, 345, 12);
    case Format::Ger2600: {
      // Three detectors with their own gains; sunlight has almost nothing
      // left in the atmospheric water bands.
      double d = nm < 1049   ? Gauss(nm, 650, 250)
                 : nm < 1895 ? 0.55 * Gauss(nm, 1250, 450)
                             : 0.35 * Gauss(nm, 2150, 400);
      d *= (1 - 0.9 * Gauss(nm, 1400, 40)) * (1 - 0.95 * Gauss(nm, 1890, 50));
      return 1500 + 400000 * d * Logistic(nm, 370, 12);
    }
    default: return 20000 + 40000 * Gauss(nm, 640, 260);  // the older UniSpec: 20000-60000
  }
}

struct Readings {
  std::vector<double> target, panel;  // whole counts
};

Readings MakeReadings(Format f, unsigned seed, bool panelScan, const std::vector<double>& waves) {
  const Leaf leaf = LeafOf(seed);
  const std::uint64_t salt = static_cast<unsigned>(f) * 1000003ull + (panelScan ? 7u : 0u);
  Rng r(seed * 0x9E3779B97F4A7C15ull + salt);
  const double sun = r.Between(0.85, 1.0);     // light on the panel when it was read
  const double drift = r.Between(0.97, 1.03);  // the light changes a little before the target is read
  const double white = r.Between(0.97, 1.0);   // a panel scanned as the target
  // The new-format instrument subtracts its dark reading and clips at zero,
  // so the weak ultraviolet end of a leaf reads 0.
  const double dark = f == Format::UniSpecNew ? 40 : 0;
  const double ceiling = IsGer(f) ? 1e7 : 65000;
  Readings out;
  for (const double nm : waves) {
    const double p = sun * PanelSignal(f, nm);
    const double t = p * drift * (panelScan ? white : LeafReflectance(leaf, nm));
    const auto noisy = [&](double counts) {
      const double v = counts * (1 + 0.006 * (r.Uniform() - 0.5)) + 4 * (r.Uniform() - 0.5) - dark;
      return std::clamp(std::round(v), 0.0, ceiling);
    };
    out.panel.push_back(noisy(p));
    out.target.push_back(noisy(t));
  }
  return out;
}

// ---- Headers ----

struct Stamp {
  std::string date2, date4, time, hundredths;  // mm/dd/yy, mm/dd/yyyy, hh:mm:ss, "47"
};

// `earlier` moves the time back by that many seconds (the panel read before a target).
Stamp StampOf(unsigned seed, int year, unsigned earlier = 0) {
  const unsigned day = seed % 28 + 1, month = 6 + seed / 28 % 3;
  const unsigned second = 9 * 3600 + seed * 97 % (6 * 3600) - earlier;  // between 09:00 and 15:00
  const std::string md = Padded(static_cast<int>(month), 2) + "/" + Padded(static_cast<int>(day), 2) + "/";
  Stamp s;
  s.date2 = md + Padded(year % 100, 2);
  s.date4 = md + Padded(year, 4);
  s.time = Padded(static_cast<int>(second / 3600), 2) + ":" + Padded(static_cast<int>(second / 60 % 60), 2) + ":" +
           Padded(static_cast<int>(second % 60), 2);
  s.hundredths = Padded(static_cast<int>(seed * 37 % 100), 2);
  return s;
}

std::size_t IndexOfMax(const std::vector<double>& v) {
  return static_cast<std::size_t>(std::max_element(v.begin(), v.end()) - v.begin());
}
std::size_t IndexOfMin(const std::vector<double>& v) {
  return static_cast<std::size_t>(std::min_element(v.begin(), v.end()) - v.begin());
}

// Ten lines; line 3 puts the date at character 14 of the trimmed line. The
// new-format instrument quotes every line, and odd seeds write a 4-digit year.
void UniSpecHeader(std::string& out, Format f, unsigned seed, const std::string& name, const std::vector<double>& waves,
                   const Readings& rd, bool panel) {
  const bool quoted = f == Format::UniSpecNew;
  const Stamp st = StampOf(seed, quoted ? 2022 : 2003);
  const auto put = [&](const std::string& text) { Line(out, quoted ? "\"" + text + "\"" : text); };
  const std::string folder = quoted ? "\\Storage Card\\SITE1\\" : "C:\\UNISPEC\\SITE1\\";
  const std::string date = quoted && seed % 2 == 1 ? st.date4 : st.date2;
  // "Time:" plus blanks fills 13 characters, counting the opening quote.
  const std::string timeLabel = quoted ? "Time:       " : "Time:        ";
  Rng r(seed + 99);
  const std::string integration = std::to_string(r.Pick(8, 40));
  put("File:       " + folder + name);
  put("Instrument: UniSpec single channel, S/N 1042");
  put(timeLabel + date + "  " + st.time);
  if (f == Format::UniSpecCompact) {
    put("Data:       reflectance (target / panel)");
    return;
  }
  const std::size_t lo = IndexOfMin(rd.target), hi = IndexOfMax(rd.target);
  put("Limits:     " + Fixed(waves.front(), 1) + " - " + Fixed(waves.back(), 1));
  put("Integration: " + integration + " ms");
  put("Number Scans: " + std::to_string(r.Pick(1, 8)));
  put("Minimum:    " + Fixed(waves[lo], 1) + "nm  " + Fixed(rd.target[lo], 0));
  put("Maximum:    " + Fixed(waves[hi], 1) + "nm  " + Fixed(rd.target[hi], 0));
  put("Temperature: " + Fixed(r.Between(12, 30), 1) + " C");
  put(std::string("Comment:    ") + (panel ? "white reference panel" : "leaf clip, sunlit leaf"));
}

// Twelve lines. Line 2 ends with the recorded name after a blank; line 4
// holds the date at characters 7-14 and the time at 16-26.
void GerHeader(std::string& out, Format f, unsigned seed, const std::string& name, bool panel) {
  const bool g2600 = f == Format::Ger2600;
  const Stamp st = StampOf(seed, 2003);
  Rng r(seed + 313);
  Line(out, g2600 ? "GER2600 spectroradiometer scan" : "GER1500 spectroradiometer scan");
  Line(out, "File name: " + name);
  Line(out, g2600 ? "Instrument S/N: 2600-088" : "Instrument S/N: 1500-217");
  Line(out, "Date: " + st.date2 + " " + st.time + "." + st.hundredths);
  Line(out, "Integration time: " + std::to_string(r.Pick(10, 80)) + " ms");
  Line(out, "Scans averaged: " + std::to_string(r.Pick(2, 16)));
  Line(out, g2600 ? "Foreoptics: fibre optic, 23 degree" : "Foreoptics: 4 degree lens");
  Line(out, std::string("Target: ") + (panel ? "white reference panel" : "leaf, sunlit upper canopy"));
  Line(out, "Latitude: 68 37.9 N");
  Line(out, "Longitude: 149 35.8 W");
  Line(out, "Units: raw counts");
  Line(out, "Wavelength  Target  Reference");
}

// Reflectance with up to 7 decimals, trailing zeros dropped.
std::string ShortDecimal(double v) {
  std::string s = Fixed(v, 7);
  while (s.size() > 3 && s.back() == '0' && s[s.size() - 2] != '.') s.pop_back();
  return s;
}

// The new-format instrument writes a zero as "0." and ends every value but
// a non-zero last one with a blank; fields are separated by tabs.
std::string NewFormatValue(double v) { return v == 0 ? "0." : Fixed(v, 0); }

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::string Extension(Format f) {
  switch (f) {
    case Format::UniSpecNew:
    case Format::UniSpecDc: return "spu";
    case Format::Ger1500: return "gr1";
    case Format::Ger2600: return "gr2";
    default: return "spt";
  }
}

}  // namespace

namespace {
constexpr std::string_view kCliNames[] = {"unispec-old", "unispec-new", "unispec-compact",
                                          "ger1500",     "ger2600",     "unispec-dc"};
}  // namespace

const InstrumentVariant& VariantOf(Format format) {
  const InstrumentVariant* v = VariantByCliName(kCliNames[static_cast<int>(format)]);
  if (!v) throw std::invalid_argument("no registered format " + std::string(kCliNames[static_cast<int>(format)]));
  return *v;
}

Format FormatOf(const InstrumentVariant& variant) {
  for (std::size_t i = 0; i < std::size(kCliNames); ++i)
    if (kCliNames[i] == variant.cliName) return static_cast<Format>(i);
  throw std::invalid_argument("the synthesiser writes no " + std::string(variant.cliName) + " files");
}

std::vector<double> ChannelWavelengths(Format format, int channels) {
  const int n = ChannelCount(format, channels);
  std::vector<double> waves;
  waves.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) waves.push_back(Rounded(CalibratedWavelength(format, i), WaveDecimals(format)));
  return waves;
}

std::string ExternalWavelengthText(Format format, int count) {
  const std::vector<double> waves = ChannelWavelengths(format);
  const double step = waves.back() - waves[waves.size() - 2];
  std::string out;
  for (int i = 0; i < count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const double w = k < waves.size() ? waves[k]
                                      : Rounded(waves.back() + step * static_cast<double>(k - waves.size() + 1),
                                                WaveDecimals(format));
    Line(out, Fixed(w, WaveDecimals(format)));
  }
  return out;
}

std::string ScanText(Format format, unsigned seed, const std::string& recordedName, bool panel, int channels) {
  if (format == Format::UniSpecDc)  // two spectrometers: a synthesiser of its own
    return DcScanText(seed, recordedName, panel ? DcScanKind::Panel : DcScanKind::Canopy);
  const std::vector<double> waves = ChannelWavelengths(format, channels);
  const Readings rd = MakeReadings(format, seed, panel, waves);
  const int decimals = WaveDecimals(format);
  std::string out;
  out.reserve(waves.size() * 32 + 1024);
  switch (format) {
    case Format::UniSpecOld: {
      UniSpecHeader(out, format, seed, recordedName, waves, rd, panel);
      for (std::size_t c = 0; c < waves.size(); ++c)
        Line(out, Fixed(waves[c], decimals) + PadLeft(Fixed(rd.target[c], 0), 8));
      // The panel block is the reference scan, read before the target.
      const Stamp st = StampOf(seed, 2003, 95);
      Line(out, "Reference:");
      Line(out, "Time:        " + st.date2 + "  " + st.time);
      for (const double p : rd.panel) Line(out, Fixed(p, 0));
      break;
    }
    case Format::UniSpecNew:
      UniSpecHeader(out, format, seed, recordedName, waves, rd, panel);
      for (std::size_t c = 0; c < waves.size(); ++c) {
        const double p = rd.panel[c];
        Line(out, Fixed(waves[c], decimals) + " \t" + NewFormatValue(rd.target[c]) + " \t" + NewFormatValue(p) +
                      (p == 0 ? " " : ""));
      }
      break;
    case Format::UniSpecCompact:
      UniSpecHeader(out, format, seed, recordedName, waves, rd, panel);
      for (std::size_t c = 0; c < waves.size(); ++c) {
        out += ' ';  // a blank before each value, as BASIC prints positive numbers
        Line(out, ShortDecimal(rd.target[c] / rd.panel[c]));
      }
      break;
    case Format::UniSpecDc: break;
    case Format::Ger1500:
    case Format::Ger2600:
      GerHeader(out, format, seed, recordedName, panel);
      for (std::size_t c = 0; c < waves.size(); ++c)
        Line(out, Fixed(waves[c], decimals) + PadLeft(Fixed(rd.target[c], 0), 9) + PadLeft(Fixed(rd.panel[c], 0), 9));
      break;
  }
  return out;
}

std::vector<std::string> WriteScans(const std::string& folder, Format format, int count, const std::string& prefix,
                                    unsigned firstSeed) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    const std::string name = prefix + Padded(i + 1, 5) + "." + Extension(format);
    const std::string path = (std::filesystem::path(folder) / name).string();
    WriteFile(path, ScanText(format, firstSeed + static_cast<unsigned>(i), name));
    paths.push_back(path);
  }
  return paths;
}

}  // namespace corvelane::synth

// Writes the sample scan files shipped in samples/: three scans per format
// (two leaves, one white panel), external wavelength lists and a leaf header.
// Usage: corvelane_make_samples OUTDIR
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "tools/dc_scan_synth.h"
#include "tools/scan_synth.h"

namespace {

namespace fs = std::filesystem;
using corvelane::synth::Format;
namespace synth = corvelane::synth;

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

struct SampleSet {
  Format format;
  const char* folder;
  const char* leafStem;     // numbered 1 and 2
  const char* panelStem;    // numbered 3
  const char* ext;          // as the file is named on disk
  const char* recordedExt;  // as the instrument recorded it
  int digits;
};

std::string Numbered(const char* stem, int n, int digits) {
  std::string number = std::to_string(n);
  number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
  return stem + number;
}

const char* const kLeafHeader =
    "# Leaf campaign header: one \"Label: value\" line per field; the 14 labels in this order; values avoid commas, "
    "which would split the output columns\r\n"
    "File name: site1_leaf_reflectance_2003.csv\r\n"
    "Person responsible: J. Halvorsen - Arctic Plant Ecology Group (jhalvorsen@example.org)\r\n"
    "Project description: Seasonal course of leaf reflectance in tundra shrubs at Site 1\r\n"
    "File names (links) to other data: site1_leaf_area_2003.csv; site1_leaf_nitrogen_2003.csv\r\n"
    "Measurement inst.: UniSpec single channel spectroradiometer S/N 1042\r\n"
    "Foreoptics: leaf clip with 2.3 mm fibre optic\r\n"
    "Wavelength calib. coeff.: A = 305.4; B = 3.31; C = -0.0002 (channels numbered from 0)\r\n"
    "Reflectance standard: 99% white reference panel (10 x 10 cm)\r\n"
    "Data processing prog. v.#: corvelane 0.1.0\r\n"
    "Data type: reflectance (target / panel) interpolated to 1 nm steps\r\n"
    "Plant functional type: deciduous shrub (Betula nana)\r\n"
    "Collection site: Site 1 moist acidic tundra (68.63 N 149.60 W)\r\n"
    "Additional information: sunlit upper-canopy leaves; 5 leaves per plant on 10 plants\r\n"
    "Cautions: readings above 1050 nm are noisy; panel re-read every 10 scans\r\n";

const char* const kTransectHeader =
    "# Transect header: one \"Label: value\" line per box of the Transect Header Info window; letter case does not "
    "count\r\n"
    "File name: site4_transect_reflectance_2018.csv\r\n"
    "Data format?: comma separated; one column per scan\r\n"
    "Collection Date: 6/22/2018\r\n"
    "Person responsible: K. Lindqvist - Tundra Ecosystems Group\r\n"
    "Data proc. prog and v#: corvelane 0.1.0\r\n"
    "Scans ave.: 10\r\n"
    "Data proc. date: 2018-07-02\r\n"
    "Instrument used: UniSpec-DC dual channel S/N 1 (instrument DC 1 in inst.cof)\r\n"
    "Platform (ground, tram...): tram on a 100 m track\r\n"
    "Foreoptics: cosine receptor up (channel 1); 20 degree lens down (channel 2)\r\n"
    "FOV: 20 degrees\r\n"
    "View angle: nadir\r\n"
    "Instrument calibration: default channel equations; start channel 1\r\n"
    "Vegetation type: moist acidic tussock tundra\r\n"
    "Location description: Site 4 transect east of the main boardwalk\r\n"
    "GPS at 0m: 68.6260 N 149.5960 W\r\n"
    "GPS at 100m: 68.6262 N 149.5938 W\r\n"
    "Precision of GPS: 3 m\r\n"
    "Transect direction (deg): 80\r\n"
    "Meas. on rt or left side: right\r\n"
    "Dist. from trail: 2 m\r\n"
    "Dist. from sensor to canopy: 1.5 m\r\n"
    "Illumination cond.: clear sky; sun above 35 degrees\r\n"
    "Auxilliary data: soil moisture at every 10 m\r\n"
    "File names (links) to other data: site4_soil_moisture_2018.csv\r\n"
    "Cautions: the last eight channels hold instrument status values: keep the grid at or below 1109 nm\r\n";

void MakeSamples(const fs::path& out) {
  const SampleSet sets[] = {
      {Format::UniSpecOld, "unispec-old", "LEAF", "WREF", "spt", "SPT", 4},
      {Format::UniSpecNew, "unispec-new", "leaf", "wref", "spu", "spu", 5},
      {Format::UniSpecCompact, "unispec-compact", "LEAF", "WREF", "spt", "SPT", 4},
      {Format::Ger1500, "ger1500", "SCAN", "WREF", "gr1", "GR1", 4},
      {Format::Ger2600, "ger2600", "SCAN", "WREF", "gr2", "GR2", 4},
  };
  unsigned seed = 1;
  for (const SampleSet& s : sets) {
    for (int n = 1; n <= 3; ++n, ++seed) {
      const bool panel = n == 3;
      const std::string stem = Numbered(panel ? s.panelStem : s.leafStem, n, s.digits);
      // One GER 2600 scan stops short of the full 594 channels, as short files do.
      const int channels = s.format == Format::Ger2600 && n == 2 ? 590 : 594;
      WriteFile(out / s.folder / (stem + "." + s.ext),
                synth::ScanText(s.format, seed, stem + "." + s.recordedExt, panel, channels));
    }
  }
  WriteFile(out / "waves-unispec-256.txt", synth::ExternalWavelengthText(Format::UniSpecOld, 256));
  WriteFile(out / "waves-ger1500-512.txt", synth::ExternalWavelengthText(Format::Ger1500, 512));
  WriteFile(out / "waves-ger2600-594.txt", synth::ExternalWavelengthText(Format::Ger2600, 594));
  WriteFile(out / "leaf-header.txt", kLeafHeader);
  // UniSpec-DC: two canopy scans and a white panel scan, and a transect header.
  for (int n = 1; n <= 3; ++n) {
    const std::string name = Numbered("TUN_", n, 5) + ".spu";
    WriteFile(out / "unispec-dc" / name,
              synth::DcScanText(100 + static_cast<unsigned>(n), name,
                                n == 3 ? synth::DcScanKind::Panel : synth::DcScanKind::Canopy));
  }
  WriteFile(out / "transect-header.txt", kTransectHeader);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: corvelane_make_samples OUTDIR\n";
    return 2;
  }
  try {
    MakeSamples(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "corvelane_make_samples: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

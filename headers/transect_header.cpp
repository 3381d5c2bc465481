#include "headers/transect_header.h"

#include "headers/label_value_file.h"

namespace corvelane {

const std::array<std::string_view, 26>& TransectHeaderBoxLabels() noexcept {
  static constexpr std::array<std::string_view, 26> labels = {"File name:",
                                                              "Data format?",
                                                              "Collection Date",
                                                              "Person responsible",
                                                              "Data proc. prog and v#",
                                                              "Scans ave.",
                                                              "Data proc. date",
                                                              "Instrument used",
                                                              "Platform (ground, tram...)",
                                                              "Foreoptics",
                                                              "FOV",
                                                              "View angle",
                                                              "Instrument calibration",
                                                              "Vegetation type",
                                                              "Location description",
                                                              "GPS at 0m",
                                                              "GPS at 100m",
                                                              "Precision of GPS",
                                                              "Transect direction (deg)",
                                                              "Meas. on rt or left side",
                                                              "Dist. from trail",
                                                              "Dist. from sensor to canopy",
                                                              "Illumination cond.",
                                                              "Auxilliary data",
                                                              "File names (links) to other data",
                                                              "Cautions"};
  return labels;
}

std::vector<HeaderRow> TransectHeaderTable(const TransectHeaderTexts& t) {
  return {
      {"Data Information:", "", -1},
      {"File name:", t[0], -1},
      {"Data Format:", t[1], -1},
      {"Collection Date:", t[2], -1},
      {"Person responsible for data:", t[3], -1},
      {"Data processing program and version:", t[4], -1},
      {"Number scan sveraged:", t[5], -1},
      {"Data processing date:", t[6], -1},
      {"Instrument parameters", " ", -1},
      {"Measurement instrument(model and serial#):", t[7], -1},
      {"Platform (ground/tram/aircraft)", t[8], -1},
      {"Foreoptics (model and serial#)", t[9], -1},
      {"Field of view", t[10], -1},
      {"View angle", t[11], -1},
      {"Instrument calibration", t[12], -1},
      {"Transect Specific information:", " ", -1},
      {"Vegetation type:", t[13], -1},
      {"Description of location", t[14], -1},
      {"GPS coordinates (at 0m):", t[15], -1},
      {"GPS coordinates (at 100m):", t[16], -1},
      {"Precision of GPS coordinates", t[17], -1},
      {"Transect direction (degrees) 0-100m", t[18], -1},
      {"Measurement on right/left side of transect", t[19], -1},
      {"Distance away from trail", t[20], -1},
      {"Distance from sensor to top of canopy", t[21], -1},
      {"Illumination conditions", t[22], -1},
      {" ", " ", -1},
      {"Auxilliary data:", t[23], -1},
      {"File names (links) to other data:", t[24], -1},
      {"Cautions:", t[25], -1},
      {" ", "", -1},
      {"Point based information:", "", -1},
      {"Distance (m) along transect:", "", -1},
      {"Species at meas point:", "", -1},
      {"Vegetation height at meas point:", "", -1},
      {"Original file name:", "", 0},
      {"Collection time (PST)", "", 1},
      {"Additional information:", "", -1},
      {"Temp C", "", 2},
  };
}

HeaderBlock TransectHeaderBlock(const TransectHeaderTexts& texts) {
  return {TransectHeaderTable(texts), {0, 2, 3}, false};
}

TransectHeaderTexts ReadTransectHeaderFile(const std::string& path) {
  const std::vector<std::string> values = ReadLabelValueFile(path, TransectHeaderBoxLabels());
  TransectHeaderTexts out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = values[i];
  return out;
}

}  // namespace corvelane

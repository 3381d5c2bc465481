#include "headers/leaf_header.h"

#include "headers/label_value_file.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane {

const std::array<std::string_view, 14>& LeafHeaderBoxLabels() noexcept {
  static constexpr std::array<std::string_view, 14> labels = {"File name:",
                                                              "Person responsible",
                                                              "Project description",
                                                              "File names (links) to other data",
                                                              "Measurement inst.",
                                                              "Foreoptics",
                                                              "Wavelength calib. coeff.",
                                                              "Reflectance standard",
                                                              "Data processing prog. v.#",
                                                              "Data type",
                                                              "Plant functional type",
                                                              "Collection site",
                                                              "Additional information",
                                                              "Cautions"};
  return labels;
}

std::vector<HeaderRow> LeafHeaderTable(const LeafHeaderTexts& t) {
  return {
      {"Information that applies to the whole file:", "", -1},
      {"File name:", t[0], -1},
      {"Person responsible for data:", t[1], -1},
      {"Project description:", t[2], -1},
      {"File names (links) to other data:", t[3], -1},
      {" ", "", -1},
      {"Leaf Based infomation:", "", -1},
      {"Measurement instrument (model and serial #):", t[4], -1},
      {"Foreoptics (model and sn#):", t[5], -1},
      {"Wavlength calibration coefficients:", t[6], -1},
      {"Reflectance standard:", t[7], -1},
      {"Data Processing program and version:", t[8], -1},
      {"Data type (ie reflect/trans/absorb):", t[9], -1},
      {" ", "", -1},
      {"Plant functional type:", t[10], -1},
      {"Genus:", "", -1},
      {"species:", "", -1},
      {"Visual description of leaf:", "", -1},
      {"Collection site:", t[11], -1},
      {"Additional information:", t[12], -1},
      {"Cautions:", t[13], -1},
      {" ", "", -1},
      {"UniSpec file name:", "", 0},
      {"Collection date:", "", 1},
      {"Collection time:", "", 2},
      {"Sample #:", "", -1},
  };
}

HeaderBlock LeafHeaderBlock(const LeafHeaderTexts& texts) { return {LeafHeaderTable(texts), {0, 1, 2}, true}; }

void AppendHeaderValue(std::string& out, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += value;
    return;
  }
  out += '"';
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendHeaderBlock(std::string& out, const std::vector<HeaderRow>& rows,
                       const std::array<const std::vector<std::string>*, 3>& perScan, bool zoneFill) {
  for (const HeaderRow& row : rows) {
    const std::size_t lineStart = out.size();
    out += row.label;
    out += ',';
    AppendHeaderValue(out, row.value);
    if (row.perScan >= 0 && perScan[static_cast<std::size_t>(row.perScan)]) {
      for (const std::string& v : *perScan[static_cast<std::size_t>(row.perScan)]) {
        out += v;
        if (zoneFill) AppendPrintZoneFill(out, lineStart);
        out += ',';
      }
    }
    out += kLineEnd;
  }
}

LeafHeaderTexts ReadLeafHeaderFile(const std::string& path) {
  const std::vector<std::string> values = ReadLabelValueFile(path, LeafHeaderBoxLabels());
  LeafHeaderTexts out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = values[i];
  return out;
}

}  // namespace corvelane

#include "convert/quality_report.h"

#include <algorithm>
#include <cmath>

#include "indices/long_table.h"
#include "text/numeric_text.h"

namespace corvelane {

namespace {

std::string_view YesNo(bool b) { return b ? "yes" : "no"; }

// Per scan: whether another scan of the run has its label.
std::vector<bool> SharedLabels(const std::vector<ScanFacts>& facts) {
  std::vector<std::size_t> order(facts.size());
  for (std::size_t f = 0; f < order.size(); ++f) order[f] = f;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return facts[a].label < facts[b].label; });
  std::vector<bool> shared(facts.size(), false);
  for (std::size_t i = 0; i + 1 < order.size(); ++i)
    if (facts[order[i]].label == facts[order[i + 1]].label) shared[order[i]] = shared[order[i + 1]] = true;
  return shared;
}

}  // namespace

std::string QualityReportText(const ConversionResult& r, const std::vector<std::string>& files) {
  std::string out(kQualityReportHead);
  out += "\r\n";
  const std::size_t n = std::min({files.size(), r.checks.size(), r.facts.size()});
  const std::vector<bool> shared = SharedLabels(r.facts);
  for (std::size_t f = 0; f < n; ++f) {
    const ScanFacts& facts = r.facts[f];
    const ScanCheck& c = r.checks[f];
    for (const std::string* text :
         {&files[f], &facts.label, &facts.date, &facts.time, &facts.temperature, &facts.integrationMs}) {
      AppendCsvField(out, *text);
      out += ',';
    }
    out += std::to_string(c.saturatedTarget) + ',' + std::to_string(c.saturatedPanel) + ',';
    for (bool b : {c.darkScan, c.darkCorrected, c.darkSubtracted, c.zeroPanel}) {
      out += YesNo(b);
      out += ',';
    }
    if (!std::isnan(c.waveMismatch)) out += PlainNumber(RoundHalfEven(c.waveMismatch, 3));
    out += ',';
    out += YesNo(c.statusOnGrid);
    out += ',';
    out += YesNo(shared[f]);
    out += "\r\n";
  }
  return out;
}

}  // namespace corvelane

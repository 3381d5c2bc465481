#include "instruments/scan_readers.h"

#include <limits>
#include "text/line_reading.h"

namespace corvelane {

void ParseScan(const InstrumentVariant& variant, std::string_view text, bool truncated, const std::string& path,
               LabelSource labelSource, ScanRecord& out) {
  const std::size_t n = variant.Channels();
  out.target.assign(n, 0.0);
  if (variant.readsPanel)
    out.panel.assign(n, 0.0);
  else
    out.panel.clear();
  out.fileLabel.clear();
  out.date.clear();
  out.time.clear();
  out.temperature.clear();
  out.spectralChannels = 0;
  out.darkScan = false;
  out.darkCorrected = false;
  out.integrationMs.clear();
  if (!out.ownWaves.empty()) out.ownWaves.assign(n, std::numeric_limits<double>::quiet_NaN());
  ScanLines in(text, truncated, path);
  variant.read(in, labelSource, out);
}

void ReadScanFile(const InstrumentVariant& variant, const std::string& path, LabelSource labelSource, ScanRecord& out,
                  std::string& buffer, FileIdentity* identity) {
  bool truncated = false;
  ReadFileBounded(path, buffer, truncated, identity);
  ParseScan(variant, buffer, truncated, path, labelSource, out);
}

}  // namespace corvelane

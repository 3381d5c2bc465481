// libFuzzer target: any bytes through every scan reader, the file check and
// the preview reader of every format. A reader may report a failure; it may
// never crash, hang or read out of bounds. Inputs that once crashed go into
// tests/data/crashes, which the test suite replays.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/file_check.h"
#include "convert/spectrum_preview.h"
#include "instruments/scan_readers.h"
#include "text/failure.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace corvelane;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& v : AllVariants()) {
    for (LabelSource label : {LabelSource::HeaderInfo, LabelSource::DataFileName}) {
      ScanRecord record;
      try {
        ParseScan(v, text, false, "C:\\F\\X.SPT", label, record);
      } catch (const RunFailure&) {
      }
      std::string errors;
      try {
        CheckScanText(v, text, false, "x", label, errors);
      } catch (const RunFailure&) {
      }
    }
    PreviewData preview;
    try {
      ReadPreview(v, text, false, "x", preview);
      std::vector<DrawOp> ops;
      AppendPreviewDrawing(v, preview, ops);
    } catch (const RunFailure&) {
    }
  }
  return 0;
}

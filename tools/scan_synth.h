#pragma once
// Synthetic scan files for the samples, the benchmark and the tests. The same
// seed always gives the same bytes, on every platform and in every locale.
#include <string>
#include <vector>

#include "instruments/variant.h"

namespace corvelane::synth {

// The formats the synthesiser writes.
enum class Format { UniSpecOld, UniSpecNew, UniSpecCompact, Ger1500, Ger2600, UniSpecDc };
// The registered description of `format`.
const InstrumentVariant& VariantOf(Format format);
// Which of the synthesiser's formats `variant` is; throws std::invalid_argument
// for a registered format it does not write.
Format FormatOf(const InstrumentVariant& variant);

// Whole text of one plausible scan file of `format`; every line, the last one
// included, ends with CR LF. `seed` varies the spectrum: a green leaf (low in
// the visible with a bump near 550 nm, red edge near 700-720 nm, high NIR
// plateau) or, when `panel` is true, a white panel scan whose target is about
// its panel reading. `recordedName` is the name the instrument recorded, e.g.
// "LEAF0001.SPT"; UniSpec files put it after a Windows path. For Ger2600,
// `channels` (0..594) is the number of data lines; other formats ignore it.
std::string ScanText(Format format, unsigned seed, const std::string& recordedName, bool panel = false,
                     int channels = 594);

// The channel wavelengths (nm, rising) the synthesised files of `format`
// carry, exactly as their text reads back: 256 for the UniSpec formats (about
// 305-1136 nm), 512 for Ger1500 (about 300-1100 nm), the first `channels` of
// 594 for Ger2600 (about 350-2500 nm).
std::vector<double> ChannelWavelengths(Format format, int channels = 594);

// An external wavelength list: `count` lines of one wavelength each, CR LF.
// The values are ChannelWavelengths(format); past its end the last step is
// repeated, so a list longer than the channel count stays rising.
std::string ExternalWavelengthText(Format format, int count);

// Writes `count` leaf scans of `format` (seeds firstSeed, firstSeed + 1, ...)
// named <prefix>00001.<ext>, <prefix>00002.<ext>, ... into `folder`, created
// if missing; each file records its own name. The extension is spt, spu,
// spt, gr1 or gr2. Returns the paths in order; throws std::runtime_error
// when a file cannot be written.
std::vector<std::string> WriteScans(const std::string& folder, Format format, int count, const std::string& prefix,
                                    unsigned firstSeed = 1);

}  // namespace corvelane::synth

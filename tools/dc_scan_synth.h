#pragma once
// Synthetic UniSpec-DC scans in the instruments' own layout: nine quoted
// header lines and an empty line, then "wavelength \ttarget \tpanel " per
// channel, the last eight channels holding status values as the real
// instruments write them. The same seed always gives the same bytes.
#include <string>
#include <vector>

namespace corvelane::synth {

enum class DcScanKind { Canopy, Panel, Dark };

// `recordedName` is the name the instrument recorded ("DHT_00001.spu").
std::string DcScanText(unsigned seed, const std::string& recordedName, DcScanKind kind = DcScanKind::Canopy);

// Writes `count` canopy scans named <prefix>00001.spu, ... into `folder`
// (created if missing). Returns the paths in order; throws
// std::runtime_error when a file cannot be written.
std::vector<std::string> WriteDcScans(const std::string& folder, int count, const std::string& prefix,
                                      unsigned firstSeed = 1);

}  // namespace corvelane::synth

#include "cli/bands_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>

#include "cli/commands.h"
#include "cli/run_files.h"
#include "indices/satellite_bands.h"
#include "text/comma_list.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"

namespace corvelane::cli {

namespace {

[[noreturn]] void UsageError(std::string why) { Fail(std::move(why), FailureKind::Usage); }

// One line per shipped sensor: its bands and their centres (Σλ·S/ΣS over the
// band's own rows).
void ListSensors() {
  for (const std::string& name : ShippedSensorNames()) {
    const SensorResponse& sensor = ShippedSensor(name);
    std::string line = name + ":";
    for (const ResponseBand& band : sensor.bands)
      line +=
          " " + band.name + " " + FixedDecimals(ResponseCentre(band), 2) + (&band == &sensor.bands.back() ? "" : ",");
    std::cout << line << "\n";
  }
  std::cout << "Centres in nm: the response-weighted mean wavelength of each band's table rows.\n";
}

}  // namespace

BandsCommand::BandsCommand(CLI::App& app) {
  command_ = app.add_subcommand(
      "bands", "Satellite bands of every scan of a reflectance file, weighted by the bands' spectral responses");
  command_->add_option("--sensor", sensors_,
                       "Shipped sensors NAME[,NAME...] or all (corvelane bands --list names them)");
  command_
      ->add_option("--sensor-file", sensorFiles_,
                   "A response table of your own (wavelength_nm,<band>,...), named by its file stem; repeatable")
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command_->add_option("--min-coverage", minCoverage_,
                       "Bound on the share of a band's response inside the table's wavelengths (default 0.99)");
  command_->add_option("--long-bands", output_,
                       "Write the bands to PATH: one row per scan and band "
                       "(path,label,date,time,sensor,band,center_nm,coverage,value)");
  command_->add_flag("--list", list_, "Print the shipped sensors with their bands and centres");
  command_->add_option("REFLECTANCE", reflectance_,
                       "The reflectance file (comma-separated, as the conversion writes it)");
  command_->footer(
      "A band value is sum(R*S)/sum(S) over the table's wavelengths, S the band's response interpolated linearly "
      "over its own rows (0 beyond them). A band whose response lies less than --min-coverage inside the table's "
      "range is not computed (empty field, named in one warning); a 999 mark under a band gives an empty field.\n"
      "Exit status: 0 the file written; 1 the run failed (stderr says where and why); 2 usage error.");
}

bool BandsCommand::Parsed() const { return command_->parsed(); }

int BandsCommand::Run() {
  if (list_) {
    if (!sensors_.empty() || !sensorFiles_.empty() || !output_.empty() || !reflectance_.empty())
      UsageError("--list takes no other option and no file");
    ListSensors();
    return kOk;
  }
  if (reflectance_.size() != 1)
    UsageError("bands takes exactly one REFLECTANCE file, not " + std::to_string(reflectance_.size()));
  if (sensors_.empty() && sensorFiles_.empty())
    UsageError("choose the sensors: --sensor NAME[,NAME...], --sensor all or --sensor-file FILE");
  if (output_.empty()) UsageError("the bands are written only to --long-bands PATH");
  if (!(minCoverage_ >= 0 && minCoverage_ <= 1))
    UsageError("--min-coverage takes a number from 0 to 1, not " + FixedDecimals(minCoverage_, 6));
  const std::string& reflectance = reflectance_.front();
  std::vector<NamedPath> inputs = {{"REFLECTANCE", reflectance}};
  for (const std::string& file : sensorFiles_) inputs.push_back({"--sensor-file", file});
  RefuseOutputsOverInputs({{"--long-bands", output_}}, inputs);

  // Every sensor is read before the table: a damaged sensor file is a usage
  // error found before anything else.
  std::vector<const SensorResponse*> sensors;
  const auto add = [&](const SensorResponse* sensor) {
    for (const SensorResponse* other : sensors)
      if (other->name == sensor->name)
        UsageError("sensor " + sensor->name + " is asked for twice" +
                   (sensor->file == other->file ? std::string() : " (" + other->file + " and " + sensor->file + ")"));
    sensors.push_back(sensor);
  };
  if (Trim(sensors_) == "all") {
    for (const std::string& name : ShippedSensorNames()) add(&ShippedSensor(name));
  } else if (!sensors_.empty()) {
    for (const std::string& name : SplitCommas(sensors_)) {
      try {
        add(&ShippedSensor(name));
      } catch (const RunFailure& f) {
        UsageError("--sensor: " + f.Why());
      }
    }
  }
  std::vector<SensorResponse> own;
  own.reserve(sensorFiles_.size());
  for (const std::string& file : sensorFiles_) own.push_back(ReadSensorFile(file));
  for (const SensorResponse& sensor : own) add(&sensor);

  const ReflectanceTable table = ReadReflectanceFile(reflectance);
  const BandResults results = ComputeBands(table, sensors, minCoverage_);
  if (const std::string left = UncoveredBandsText(results); !left.empty())
    std::cerr << "corvelane: warning: bands not computed, less than " << PlainNumber(minCoverage_)
              << " of their response lies inside the table's " << PlainNumber(table.wavelengths.front()) << " to "
              << PlainNumber(table.wavelengths.back()) << " nm (coverage): " << left << "\n";
  WriteLongBandFile(table, reflectance, results, output_);
  return kOk;
}

}  // namespace corvelane::cli

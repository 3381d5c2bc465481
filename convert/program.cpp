#include "convert/program.h"

#include <utility>

#include "calibration/dc_calibration_window.h"
#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "headers/leaf_header_window.h"
#include "headers/transect_header_window.h"
#include "indices/index_count_window.h"
#include "indices/index_list_window.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"

namespace corvelane::gui {

Program::Program(Dialogs& dialogs, QString startFolder) : dialogs_(dialogs), startFolder_(std::move(startFolder)) {}

// The small windows have no parent widget: they belong to the program, not
// to whichever instrument window happened to open them first.
Program::~Program() = default;

EquationWindow& Program::Form2() {
  if (!form2_) form2_ = std::make_unique<EquationWindow>(dialogs_);
  return *form2_;
}

ExternalFileWindow& Program::Form3() {
  if (!form3_) form3_ = std::make_unique<ExternalFileWindow>(dialogs_);
  return *form3_;
}

LeafHeaderWindow& Program::Form12() {
  if (!form12_) form12_ = std::make_unique<LeafHeaderWindow>();
  return *form12_;
}

CalculateReferenceWindow& Program::Form13() {
  if (!form13_) form13_ = std::make_unique<CalculateReferenceWindow>(dialogs_);
  return *form13_;
}

ReferenceFileWindow& Program::Form14() {
  if (!form14_) form14_ = std::make_unique<ReferenceFileWindow>(dialogs_);
  return *form14_;
}

DcCalibrationWindow& Program::Form10() {
  if (!form10_) form10_ = std::make_unique<DcCalibrationWindow>(dialogs_, startFolder_);
  return *form10_;
}

TransectHeaderWindow& Program::Form11() {
  if (!form11_) form11_ = std::make_unique<TransectHeaderWindow>();
  return *form11_;
}

IndexCountWindow& Program::Form15() {
  if (!form15_) form15_ = std::make_unique<IndexCountWindow>(dialogs_);
  return *form15_;
}

IndexListWindow& Program::Form16() {
  if (!form16_) form16_ = std::make_unique<IndexListWindow>(dialogs_, startFolder_);
  return *form16_;
}

}  // namespace corvelane::gui

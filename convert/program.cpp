#include "convert/program.h"

#include <utility>

#include "calibration/dc_calibration_window.h"
#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "headers/header_form_window.h"
#include "indices/index_count_window.h"
#include "indices/index_list_window.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"

namespace corvelane::gui {

Program::Program(Dialogs& dialogs, QString startFolder) : dialogs_(dialogs), startFolder_(std::move(startFolder)) {}

// The small windows have no parent widget: they belong to the program, not
// to whichever instrument window happened to open them first.
Program::~Program() = default;

EquationWindow& Program::Equation() {
  if (!equation_) equation_ = std::make_unique<EquationWindow>(dialogs_, session_.equation);
  return *equation_;
}

ExternalFileWindow& Program::ExternalFile() {
  if (!externalFile_) externalFile_ = std::make_unique<ExternalFileWindow>(dialogs_, session_.externalWavelengthFile);
  return *externalFile_;
}

HeaderFormWindow& Program::LeafHeader() {
  if (!leafHeader_) leafHeader_ = MakeLeafHeaderWindow(session_.leafHeader);
  return *leafHeader_;
}

HeaderFormWindow& Program::TransectHeader() {
  if (!transectHeader_) transectHeader_ = MakeTransectHeaderWindow(session_.transectHeader);
  return *transectHeader_;
}

CalculateReferenceWindow& Program::CalculateReference() {
  if (!calculateReference_)
    calculateReference_ =
        std::make_unique<CalculateReferenceWindow>(dialogs_, session_.referenceScans, session_.plottedNames);
  return *calculateReference_;
}

ReferenceFileWindow& Program::ReferenceFile() {
  if (!referenceFile_) referenceFile_ = std::make_unique<ReferenceFileWindow>(dialogs_);
  return *referenceFile_;
}

DcCalibrationWindow& Program::DcCalibration() {
  if (!dcCalibration_)
    dcCalibration_ = std::make_unique<DcCalibrationWindow>(dialogs_, startFolder_, session_.channelEquations);
  return *dcCalibration_;
}

IndexCountWindow& Program::IndexCount() {
  if (!indexCount_) indexCount_ = std::make_unique<IndexCountWindow>(dialogs_);
  return *indexCount_;
}

IndexListWindow& Program::IndexList() {
  if (!indexList_) indexList_ = std::make_unique<IndexListWindow>(dialogs_, startFolder_, session_.indexList);
  return *indexList_;
}

}  // namespace corvelane::gui

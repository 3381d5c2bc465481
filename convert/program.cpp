#include "convert/program.h"

#include <utility>

#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "headers/leaf_header_window.h"
#include "reference/calculate_reference_window.h"
#include "reference/reference_file_window.h"

namespace corvelane::gui {

Program::Program(Dialogs& dialogs, QString startFolder)
    : dialogs_(dialogs), startFolder_(std::move(startFolder)) {}

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

}  // namespace corvelane::gui

namespace corvelane::gui {

CalculateReferenceWindow& Program::Form13() {
  if (!form13_) form13_ = std::make_unique<CalculateReferenceWindow>(dialogs_);
  return *form13_;
}

ReferenceFileWindow& Program::Form14() {
  if (!form14_) form14_ = std::make_unique<ReferenceFileWindow>(dialogs_);
  return *form14_;
}

}  // namespace corvelane::gui

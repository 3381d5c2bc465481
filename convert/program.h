#pragma once
// Program-wide state shared by every window: the start folder, the dialogs,
// the wavelength tables and the small single-instance input windows.
#include <QString>
#include <memory>

#include "calibration/wavelength_sources.h"
#include "widgets/dialogs.h"

class QWidget;

namespace corvelane::gui {

class EquationWindow;            // "Form2"
class ExternalFileWindow;        // "Form3"
class LeafHeaderWindow;          // "Form12"
class CalculateReferenceWindow;  // "Form13"
class ReferenceFileWindow;       // "Form14"
class DcCalibrationWindow;       // "Form10"
class TransectHeaderWindow;      // "Form11"
class IndexCountWindow;          // "Form15"
class IndexListWindow;           // "Form16"

class Program {
 public:
  // `startFolder` is recorded once, when the program starts, and never changes.
  Program(Dialogs& dialogs, QString startFolder);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Dialogs& UserDialogs() noexcept { return dialogs_; }
  const QString& StartFolder() const noexcept { return startFolder_; }
  WavelengthTables& Tables() noexcept { return tables_; }

  // Created hidden on first use and kept for the rest of the program; what
  // one instrument window leaves in them is what the next one uses.
  EquationWindow& Form2();
  ExternalFileWindow& Form3();
  LeafHeaderWindow& Form12();
  CalculateReferenceWindow& Form13();
  ReferenceFileWindow& Form14();
  // The UniSpec-DC channel equations; creating it loads inst.cof of the start folder.
  DcCalibrationWindow& Form10();
  TransectHeaderWindow& Form11();
  // The index windows, shared by the index run and the dual-channel run.
  IndexCountWindow& Form15();
  IndexListWindow& Form16();

 private:
  Dialogs& dialogs_;
  QString startFolder_;
  WavelengthTables tables_;
  std::unique_ptr<EquationWindow> form2_;
  std::unique_ptr<ExternalFileWindow> form3_;
  std::unique_ptr<LeafHeaderWindow> form12_;
  std::unique_ptr<CalculateReferenceWindow> form13_;
  std::unique_ptr<ReferenceFileWindow> form14_;
  std::unique_ptr<DcCalibrationWindow> form10_;
  std::unique_ptr<TransectHeaderWindow> form11_;
  std::unique_ptr<IndexCountWindow> form15_;
  std::unique_ptr<IndexListWindow> form16_;
};

}  // namespace corvelane::gui

#pragma once
// Program-wide state shared by every window: the start folder, the dialogs,
// the wavelength tables, the session (what the user has set in the small
// windows, as plain data) and the small single-instance input windows that
// edit it.
#include <QString>
#include <memory>

#include "calibration/wavelength_sources.h"
#include "convert/session.h"
#include "widgets/dialogs.h"

class QWidget;

namespace corvelane::gui {

class EquationWindow;            // "Form2"
class ExternalFileWindow;        // "Form3"
class HeaderFormWindow;          // "Form12", "Form11"
class CalculateReferenceWindow;  // "Form13"
class ReferenceFileWindow;       // "Form14"
class DcCalibrationWindow;       // "Form10"
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
  // What the windows below hold; runs read it from here.
  corvelane::Session& Settings() noexcept { return session_; }

  // Created hidden on first use and kept for the rest of the program; what
  // one instrument window leaves in them is what the next one uses.
  EquationWindow& Equation();
  ExternalFileWindow& ExternalFile();
  HeaderFormWindow& LeafHeader();
  HeaderFormWindow& TransectHeader();
  CalculateReferenceWindow& CalculateReference();
  ReferenceFileWindow& ReferenceFile();
  // The UniSpec-DC channel equations; creating it loads inst.cof of the start folder.
  DcCalibrationWindow& DcCalibration();
  // The index windows, shared by the index run and the dual-channel run.
  IndexCountWindow& IndexCount();
  IndexListWindow& IndexList();

 private:
  Dialogs& dialogs_;
  QString startFolder_;
  WavelengthTables tables_;
  corvelane::Session session_;
  std::unique_ptr<EquationWindow> equation_;
  std::unique_ptr<ExternalFileWindow> externalFile_;
  std::unique_ptr<HeaderFormWindow> leafHeader_;
  std::unique_ptr<HeaderFormWindow> transectHeader_;
  std::unique_ptr<CalculateReferenceWindow> calculateReference_;
  std::unique_ptr<ReferenceFileWindow> referenceFile_;
  std::unique_ptr<DcCalibrationWindow> dcCalibration_;
  std::unique_ptr<IndexCountWindow> indexCount_;
  std::unique_ptr<IndexListWindow> indexList_;
};

}  // namespace corvelane::gui

#pragma once
// "Select Reflectance files to output indices": picks reflectance files and
// writes an index file and/or a derivative file for each.
#include <QDialog>
#include <vector>

#include "indices/index_values.h"

namespace corvelane::gui {

class Dialogs;
class IndexListWindow;
class IndexCatalogueWindow;
class SatelliteBandsWindow;

class IndexRunWindow final : public QDialog {
  Q_OBJECT
 public:
  // `form16` is the program-wide "Index name and formula" window, which
  // edits `indices`, the list the run computes. `catalogueFile`: a user's
  // catalogue file that the "Catalogue..." window reads beside the shipped
  // catalogue when it exists.
  IndexRunWindow(Dialogs& dialogs, IndexListWindow& form16, const std::vector<IndexDefinition>& indices,
                 QWidget* parent = nullptr, QString catalogueFile = {});
  ~IndexRunWindow() override;

  // True once the user closed the window with its close box: the owner then
  // discards it and the next opening starts from the defaults.
  bool Discarded() const noexcept { return discarded_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape does nothing: the picked list stays.
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct Controls;
  void OnFileClicked(const QString& path);
  void OnListDoubleClicked();
  void OnCalculate();
  void OnCatalogue();
  void OnBands();
  void UpdateCalculate();

  Dialogs& dialogs_;
  IndexListWindow& form16_;
  const std::vector<IndexDefinition>& indices_;
  Controls* c_;
  QString catalogueFile_;
  IndexCatalogueWindow* catalogue_ = nullptr;  // made on first use
  bool indicesReady_ = false;                  // Form16 confirmed with indices
  bool catalogueReady_ = false;                // catalogue entries ticked
  SatelliteBandsWindow* bands_ = nullptr;      // made on first use
  bool bandsReady_ = false;                    // sensors ticked
  bool discarded_ = false;
  bool busy_ = false;  // a run is working
};

}  // namespace corvelane::gui

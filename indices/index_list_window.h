#pragma once
// "Index name and formula": builds the list of indices an index run computes,
// with one quick-pick button per record of INDEX.
#include <QDialog>
#include <vector>

#include "indices/index_values.h"

namespace corvelane::gui {

class Dialogs;

class IndexListWindow final : public QDialog {
  Q_OBJECT
 public:
  // Reads `startFolder`/INDEX for the quick-pick buttons.
  IndexListWindow(Dialogs& dialogs, QString startFolder, QWidget* parent = nullptr);
  ~IndexListWindow() override;

  // The rows of the five lists, in order.
  std::vector<IndexDefinition> Definitions() const;
  // The boxes and the formula as they stand (the dual-channel run reads
  // one index this way each time the window closes).
  IndexDefinition Boxes() const;

 signals:
  // OK pressed: true when it closed the window with at least one index.
  void confirmed(bool withIndices);

 private:
  struct Controls;
  void LoadQuickPicks();
  void OnQuickPick(int position);
  void OnSubmit();
  void OnListDoubleClicked();
  void OnOk();
  QString IndexPath() const;

  Dialogs& dialogs_;
  QString startFolder_;
  Controls* c_;
};

}  // namespace corvelane::gui

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
  // Reads `startFolder`/INDEX for the quick-pick buttons. Submit and a
  // double click add to and remove from `definitions`, the list it shows.
  IndexListWindow(Dialogs& dialogs, QString startFolder, std::vector<IndexDefinition>& definitions,
                  QWidget* parent = nullptr);
  ~IndexListWindow() override;

  // The indices listed, in order.
  const std::vector<IndexDefinition>& Definitions() const noexcept { return definitions_; }
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
  void ShowRow(const IndexDefinition& d);
  void OnSubmit();
  void OnListDoubleClicked();
  void OnOk();
  QString IndexPath() const;

  Dialogs& dialogs_;
  QString startFolder_;
  std::vector<IndexDefinition>& definitions_;
  Controls* c_;
};

}  // namespace corvelane::gui

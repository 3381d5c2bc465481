#pragma once
// "Index catalogue": the entries of the index catalogue with check boxes, each
// with its expression, bands and citation as a tooltip; the ticked entries go
// to the long index file of the index run.
#include <QDialog>
#include <vector>

#include "indices/index_catalogue.h"

namespace corvelane::gui {

class Dialogs;

class IndexCatalogueWindow final : public QDialog {
  Q_OBJECT
 public:
  // `userFile`: a catalogue file whose entries add to the shipped ones or
  // replace those of the same name, read when it exists; empty for none.
  IndexCatalogueWindow(Dialogs& dialogs, QString userFile, QWidget* parent = nullptr);
  ~IndexCatalogueWindow() override;

  // Lists the catalogue anew, keeping the ticks of the names listed before.
  // A damaged user file is shown in an error box and only the shipped
  // entries are listed.
  void Reload();
  // The ticked entries, in catalogue order.
  std::vector<CatalogueEntry> Chosen() const;

 signals:
  // OK pressed: true when at least one entry is ticked.
  void confirmed(bool withEntries);

 private:
  struct Controls;
  void OnOk();

  Dialogs& dialogs_;
  QString userFile_;
  std::vector<CatalogueEntry> entries_;
  Controls* c_;
};

}  // namespace corvelane::gui

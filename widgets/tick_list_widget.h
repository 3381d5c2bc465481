#pragma once
// A list of entries with check boxes under a prompt, with "All" (ticks every
// entry) and "OK" below: the side of the windows where the user ticks what
// an output holds. The window owning it connects "OK".
#include <QString>
#include <QWidget>
#include <cstddef>
#include <utility>
#include <vector>

class QListWidget;
class QPushButton;

namespace corvelane::gui {

class TickListWidget final : public QWidget {
 public:
  // `listName` names the list; the buttons are named "cmdAll" and "cmdOk".
  TickListWidget(const QString& prompt, const QString& listName, QWidget* parent);

  // Lists `entries` (name, tooltip) anew, unticked but for the names ticked
  // before.
  void SetEntries(const std::vector<std::pair<QString, QString>>& entries);
  // The rows of the ticked entries, top first.
  std::vector<std::size_t> TickedRows() const;
  QListWidget* List() const noexcept { return list_; }
  QPushButton* OkButton() const noexcept { return ok_; }

 private:
  QListWidget* list_;
  QPushButton* ok_;
};

}  // namespace corvelane::gui

#include "widgets/tick_list_widget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace corvelane::gui {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TickListWidget::TickListWidget(const QString& prompt, const QString& listName, QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)), ok_(nullptr) {
  auto* label = new QLabel(prompt, this);
  label->setWordWrap(true);
  list_->setObjectName(listName);
  QPushButton* all = Button(this, "cmdAll", "All");
  ok_ = Button(this, "cmdOk", "OK");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(all);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  connect(all, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(Qt::Checked);
  });
}

void TickListWidget::SetEntries(const std::vector<std::pair<QString, QString>>& entries) {
  QSet<QString> ticked;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() == Qt::Checked) ticked.insert(list_->item(i)->text());
  list_->clear();
  for (const auto& [name, tooltip] : entries) {
    auto* item = new QListWidgetItem(name, list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked.contains(name) ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(tooltip);
  }
}

std::vector<std::size_t> TickListWidget::TickedRows() const {
  std::vector<std::size_t> rows;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->checkState() == Qt::Checked) rows.push_back(static_cast<std::size_t>(i));
  return rows;
}

}  // namespace corvelane::gui

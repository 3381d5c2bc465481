#include "indices/index_catalogue_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>
#include <exception>

#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// What an entry's tooltip shows: the expression, the band definitions, the
// citation and any notes.
QString Tooltip(const CatalogueEntry& e) {
  QString tip = Q(e.name) + QStringLiteral(" = ") + Q(e.expression) + QStringLiteral("\nBands: ") + Q(e.bandsText);
  if (!e.citation.empty()) tip += QStringLiteral("\n") + Q(e.citation);
  if (!e.notes.empty()) tip += QStringLiteral("\n") + Q(e.notes);
  return tip;
}

}  // namespace

struct IndexCatalogueWindow::Controls {
  QListWidget* lstCatalogue = nullptr;
  QPushButton* cmdAll = nullptr;
  QPushButton* cmdOk = nullptr;
};

IndexCatalogueWindow::IndexCatalogueWindow(Dialogs& dialogs, QString userFile, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), userFile_(std::move(userFile)), c_(new Controls) {
  Controls& c = *c_;
  setObjectName(QStringLiteral("frmCatalogue"));
  setWindowTitle(QStringLiteral("Index catalogue"));
  auto* label = new QLabel(QStringLiteral("Tick the indices to write to the long index file "
                                          "(rest the pointer on one for its bands and citation):"),
                           this);
  label->setWordWrap(true);
  c.lstCatalogue = new QListWidget(this);
  c.lstCatalogue->setObjectName(QStringLiteral("lstCatalogue"));
  c.cmdAll = Button(this, "cmdAll", "All");
  c.cmdOk = Button(this, "cmdOk", "OK");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(c.cmdAll);
  buttons->addStretch(1);
  buttons->addWidget(c.cmdOk);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(c.lstCatalogue, 1);
  layout->addLayout(buttons);
  resize(sizeHint().expandedTo(QSize(420, 360)));

  connect(c.cmdAll, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < c_->lstCatalogue->count(); ++i) c_->lstCatalogue->item(i)->setCheckState(Qt::Checked);
  });
  connect(c.cmdOk, &QPushButton::clicked, this, &IndexCatalogueWindow::OnOk);
  Reload();
}

IndexCatalogueWindow::~IndexCatalogueWindow() { delete c_; }

void IndexCatalogueWindow::Reload() {
  QListWidget* list = c_->lstCatalogue;
  QSet<QString> ticked;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked) ticked.insert(list->item(i)->text());
  const bool withUserFile = !userFile_.isEmpty() && QFileInfo(userFile_).isFile();
  try {
    entries_ = LoadCatalogue(withUserFile ? userFile_.toStdString() : std::string());
  } catch (const std::exception& failure) {
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("The catalogue file cannot be used; only the shipped "
                                                       "indices are listed."),
                                        QString::fromStdString(failure.what())));
    entries_ = LoadCatalogue({});
  }
  list->clear();
  for (const CatalogueEntry& e : entries_) {
    auto* item = new QListWidgetItem(Q(e.name), list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(Tooltip(e));
  }
}

std::vector<CatalogueEntry> IndexCatalogueWindow::Chosen() const {
  std::vector<CatalogueEntry> chosen;
  for (int i = 0; i < c_->lstCatalogue->count(); ++i)
    if (c_->lstCatalogue->item(i)->checkState() == Qt::Checked) chosen.push_back(entries_[static_cast<std::size_t>(i)]);
  return chosen;
}

void IndexCatalogueWindow::OnOk() {
  emit confirmed(!Chosen().empty());
  accept();
}

}  // namespace corvelane::gui

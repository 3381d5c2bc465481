#include "indices/index_catalogue_window.h"

#include <QFileInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "widgets/dialogs.h"
#include "widgets/tick_list_widget.h"

namespace corvelane::gui {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

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
  TickListWidget* ticks = nullptr;
};

IndexCatalogueWindow::IndexCatalogueWindow(Dialogs& dialogs, QString userFile, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), userFile_(std::move(userFile)), c_(new Controls) {
  setObjectName(QStringLiteral("frmCatalogue"));
  setWindowTitle(QStringLiteral("Index catalogue"));
  c_->ticks = new TickListWidget(QStringLiteral("Tick the indices to write to the long index file "
                                                "(rest the pointer on one for its bands and citation):"),
                                 QStringLiteral("lstCatalogue"), this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(c_->ticks);
  resize(sizeHint().expandedTo(QSize(420, 360)));

  connect(c_->ticks->OkButton(), &QPushButton::clicked, this, &IndexCatalogueWindow::OnOk);
  Reload();
}

IndexCatalogueWindow::~IndexCatalogueWindow() { delete c_; }

void IndexCatalogueWindow::Reload() {
  const bool withUserFile = !userFile_.isEmpty() && QFileInfo(userFile_).isFile();
  try {
    entries_ = LoadCatalogue(withUserFile ? userFile_.toStdString() : std::string());
  } catch (const std::exception& failure) {
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("The catalogue file cannot be used; only the shipped "
                                                       "indices are listed."),
                                        QString::fromStdString(failure.what())));
    entries_ = LoadCatalogue({});
  }
  std::vector<std::pair<QString, QString>> listed;
  for (const CatalogueEntry& e : entries_) listed.emplace_back(Q(e.name), Tooltip(e));
  c_->ticks->SetEntries(listed);
}

std::vector<CatalogueEntry> IndexCatalogueWindow::Chosen() const {
  std::vector<CatalogueEntry> chosen;
  for (const std::size_t row : c_->ticks->TickedRows()) chosen.push_back(entries_[row]);
  return chosen;
}

void IndexCatalogueWindow::OnOk() {
  emit confirmed(!Chosen().empty());
  accept();
}

}  // namespace corvelane::gui

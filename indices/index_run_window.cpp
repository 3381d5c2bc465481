#include "indices/index_run_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <string>

#include "indices/index_catalogue.h"
#include "indices/index_catalogue_window.h"
#include "indices/index_list_window.h"
#include "indices/index_run.h"
#include "indices/satellite_bands.h"
#include "indices/satellite_bands_window.h"
#include "instruments/variant.h"
#include "text/failure.h"
#include "widgets/dialogs.h"
#include "widgets/folder_browser_widget.h"
#include "widgets/run_cancel.h"

namespace corvelane::gui {

namespace {

constexpr int kProgressMaximum = 100;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

struct IndexRunWindow::Controls {
  FolderBrowser* browser = nullptr;
  QListWidget* List1 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* cmdCatalogue = nullptr;
  QPushButton* cmdBands = nullptr;
  QGroupBox* Frame1 = nullptr;
  QCheckBox* ChkInd = nullptr;
  QCheckBox* ChkDrv = nullptr;
  QCheckBox* ChkCat = nullptr;
  QCheckBox* ChkBand = nullptr;
  QPushButton* Com_do_index = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* cmdCancelRun = nullptr;  // shown while a run works
  QLabel* lblStatus = nullptr;          // what the last run wrote and skipped
  QPushButton* cmdClose = nullptr;
};

IndexRunWindow::IndexRunWindow(Dialogs& dialogs, IndexListWindow& form16, const std::vector<IndexDefinition>& indices,
                               QWidget* parent, QString catalogueFile)
    : QDialog(parent),
      dialogs_(dialogs),
      form16_(form16),
      indices_(indices),
      c_(new Controls),
      catalogueFile_(std::move(catalogueFile)) {
  Controls& c = *c_;
  setObjectName(QStringLiteral("Form18"));
  setWindowTitle(QStringLiteral("Select Reflectance files to output indices"));
  setSizeGripEnabled(true);

  c.browser = new FolderBrowser(dialogs_, this);
  c.browser->SetPattern(QStringLiteral("*.*"));
  c.browser->DriveList()->setObjectName(QStringLiteral("Drive1"));
  c.browser->FolderList()->setObjectName(QStringLiteral("Dir1"));
  c.browser->FileList()->setObjectName(QStringLiteral("File1"));

  c.List1 = new QListWidget(this);
  c.List1->setObjectName(QStringLiteral("List1"));
  c.List1->setSelectionMode(QAbstractItemView::SingleSelection);
  c.Command1 = Button(this, "Command1", "Indices");
  c.cmdCatalogue = Button(this, "cmdCatalogue", "Catalogue...");
  c.cmdBands = Button(this, "cmdBands", "Satellite bands...");
  c.Frame1 = new QGroupBox(QStringLiteral("Output Options"), this);
  c.Frame1->setObjectName(QStringLiteral("Frame1"));
  c.ChkInd = Check(c.Frame1, "ChkInd", "Indices");
  c.ChkInd->setChecked(true);
  c.ChkDrv = Check(c.Frame1, "ChkDrv", "Derivative");
  // The long index file of the catalogue entries: offered once some are ticked.
  c.ChkCat = Check(c.Frame1, "ChkCat", "Catalogue");
  c.ChkCat->setEnabled(false);
  // The long band file of the ticked sensors: offered once some are ticked.
  c.ChkBand = Check(c.Frame1, "ChkBand", "Satellite bands");
  c.ChkBand->setEnabled(false);
  auto* options = new QVBoxLayout(c.Frame1);
  options->addWidget(c.ChkInd);
  options->addWidget(c.ChkDrv);
  options->addWidget(c.ChkCat);
  options->addWidget(c.ChkBand);
  c.Com_do_index = Button(this, "Com_do_index", "Calculate");
  c.Com_do_index->setEnabled(false);
  c.ProgressBar1 = new QProgressBar(this);
  c.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  c.ProgressBar1->setRange(0, kProgressMaximum);
  c.ProgressBar1->setValue(0);
  c.cmdCancelRun = Button(this, "cmdCancelRun", "Cancel");
  c.cmdCancelRun->setToolTip(QStringLiteral("Stop after the file being worked on; later files are not touched."));
  c.cmdCancelRun->hide();
  c.lblStatus = new QLabel(this);
  c.lblStatus->setObjectName(QStringLiteral("lblStatus"));
  c.lblStatus->setWordWrap(true);
  c.cmdClose = Button(this, "cmdClose", "Close");
  c.cmdClose->setToolTip(QStringLiteral("Close the window; the files written stay."));

  auto* side = new QVBoxLayout;
  side->addWidget(c.Command1);
  side->addWidget(c.cmdCatalogue);
  side->addWidget(c.cmdBands);
  side->addWidget(c.Frame1);
  side->addWidget(c.Com_do_index);
  side->addStretch(1);
  side->addWidget(c.cmdClose);
  auto* top = new QHBoxLayout;
  top->addWidget(c.browser, 3);
  top->addWidget(c.List1, 3);
  top->addLayout(side, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  auto* progressRow = new QHBoxLayout;
  progressRow->addWidget(c.ProgressBar1, 1);
  progressRow->addWidget(c.cmdCancelRun);
  layout->addLayout(progressRow);
  layout->addWidget(c.lblStatus);
  resize(sizeHint().expandedTo(QSize(820, 420)));

  connect(c.browser, &FolderBrowser::fileClicked, this, &IndexRunWindow::OnFileClicked);
  connect(c.cmdClose, &QPushButton::clicked, this, &QWidget::close);
  SetToolTips(*this, {{"Command1", "Choose the indices: name, wavelengths A and B, formula."},
                      {"cmdCatalogue", "Tick entries of the index catalogue for the long index file."},
                      {"cmdBands", "Tick satellite sensors for the long band file."},
                      {"ChkInd", "Write an index file per reflectance file."},
                      {"ChkDrv", "Write a derivative file per reflectance file."},
                      {"ChkCat", "Write a long index file of the ticked catalogue entries."},
                      {"ChkBand", "Write a long band file of the ticked sensors."},
                      {"Com_do_index", "Compute and ask, file by file, where to save each output."},
                      {"List1", "The reflectance files; double-click one to remove it."}});
  connect(c.List1, &QListWidget::itemDoubleClicked, this, &IndexRunWindow::OnListDoubleClicked);
  connect(c.Command1, &QPushButton::clicked, this, [this] { form16_.exec(); });
  // Form16's OK enables "Calculate" when it closes with indices, and disables
  // it otherwise, unless catalogue entries are ticked.
  connect(&form16_, &IndexListWindow::confirmed, this, [this](bool withIndices) {
    indicesReady_ = withIndices;
    UpdateCalculate();
  });
  connect(c.cmdCatalogue, &QPushButton::clicked, this, &IndexRunWindow::OnCatalogue);
  connect(c.cmdBands, &QPushButton::clicked, this, &IndexRunWindow::OnBands);
  connect(c.Com_do_index, &QPushButton::clicked, this, &IndexRunWindow::OnCalculate);
}

IndexRunWindow::~IndexRunWindow() { delete c_; }

void IndexRunWindow::UpdateCalculate() {
  c_->Com_do_index->setEnabled(indicesReady_ || catalogueReady_ || bandsReady_);
}

void IndexRunWindow::OnBands() {
  if (bands_ == nullptr) {
    bands_ = new SatelliteBandsWindow(this);
    connect(bands_, &SatelliteBandsWindow::confirmed, this, [this](bool withSensors) {
      bandsReady_ = withSensors;
      c_->ChkBand->setEnabled(withSensors);
      c_->ChkBand->setChecked(withSensors);
      UpdateCalculate();
    });
  }
  // The picture shows the first scan of the first listed file.
  bands_->SetSpectrumFile(c_->List1->count() > 0 ? c_->List1->item(0)->text().toStdString() : std::string());
  bands_->exec();
}

void IndexRunWindow::OnCatalogue() {
  if (catalogue_ == nullptr) {
    catalogue_ = new IndexCatalogueWindow(dialogs_, catalogueFile_, this);
    connect(catalogue_, &IndexCatalogueWindow::confirmed, this, [this](bool withEntries) {
      catalogueReady_ = withEntries;
      c_->ChkCat->setEnabled(withEntries);
      c_->ChkCat->setChecked(withEntries);
      UpdateCalculate();
    });
  } else {
    catalogue_->Reload();
  }
  catalogue_->exec();
}

void IndexRunWindow::showEvent(QShowEvent* event) {
  // Files written since the window was last shown appear in the list.
  c_->browser->SetFolder(c_->browser->CurrentFolder());
  QDialog::showEvent(event);
}

void IndexRunWindow::keyPressEvent(QKeyEvent* event) {
  // Escape does nothing: a picked list is not thrown away by one key.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void IndexRunWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    event->ignore();
    return;
  }
  discarded_ = true;
  QDialog::closeEvent(event);
}

void IndexRunWindow::OnFileClicked(const QString& path) {
  QListWidget* list = c_->List1;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text() == path) {
      dialogs_.ShowMessage(
          this, ErrorBox(QStringLiteral("File already selected!"), path + QStringLiteral(" is in the list already.")));
      return;
    }
  }
  list->addItem(path);
}

void IndexRunWindow::OnListDoubleClicked() {
  const int row = c_->List1->currentRow();
  if (row >= 0) delete c_->List1->takeItem(row);
}

void IndexRunWindow::OnCalculate() {
  Controls& c = *c_;
  if (busy_ || c.List1->count() == 0) return;
  Dialogs& dialogs = dialogs_;
  // "Calculate" may be on for the catalogue alone: the index file needs
  // Form16's indices confirmed.
  const bool withIndices = c.ChkInd->isChecked() && indicesReady_;
  const bool withDerivative = c.ChkDrv->isChecked();
  const std::vector<IndexDefinition> definitions = indices_;
  std::vector<CatalogueEntry> entries;
  if (c.ChkCat->isChecked() && catalogue_ != nullptr) entries = catalogue_->Chosen();
  const bool withCatalogue = !entries.empty();
  std::vector<const SensorResponse*> sensors;
  if (c.ChkBand->isChecked() && bands_ != nullptr) sensors = bands_->Chosen();
  const bool withBands = !sensors.empty();
  std::vector<std::string> files;
  for (int i = 0; i < c.List1->count(); ++i) files.push_back(c.List1->item(i)->text().toStdString());

  busy_ = true;
  c.Com_do_index->setEnabled(false);  // no second run while this one works
  c.ProgressBar1->setValue(0);
  c.lblStatus->clear();
  CancelDuringRun cancel(c.cmdCancelRun);
  cancel.KeepGoing();
  // Asks for the path of one output; an empty answer skips that output only.
  // What was written and what skipped, for the status line.
  QStringList wrote, skipped;
  std::size_t current = 0;
  const auto ask = [&](const char* announcement, const char* title, const char* dialogTitle) {
    // With several reflectance files the prompt names the one it is for.
    const QString prompt = files.size() < 2
                               ? QString::fromUtf8(title)
                               : QStringLiteral("%1: %2 (%3 of %4)")
                                     .arg(QString::fromUtf8(title), QFileInfo(Q(files[current])).fileName())
                                     .arg(current + 1)
                                     .arg(files.size());
    dialogs.ShowMessage(this, {prompt, QString::fromUtf8(announcement), MessageIcon::None, MessageButtons::Ok, {}});
    std::string path = AskSavePathConfirmed(dialogs, this, QString::fromUtf8(dialogTitle)).toStdString();
    const QString what = QString::fromUtf8(dialogTitle).remove(QStringLiteral("Save ")).remove(QLatin1Char('?'));
    if (path.empty())
      skipped << QStringLiteral("%1 of %2").arg(what.toLower(), QFileInfo(Q(files[current])).fileName());
    else
      wrote << QFileInfo(Q(path)).fileName();
    return path;
  };
  const auto sayDone = [&] {
    QStringList parts;
    if (!wrote.isEmpty()) parts << QStringLiteral("Wrote %1.").arg(wrote.join(QStringLiteral(", ")));
    if (!skipped.isEmpty())
      parts << QStringLiteral("Skipped (no file name chosen): %1.").arg(skipped.join(QStringLiteral(", ")));
    if (wrote.isEmpty()) c.ProgressBar1->setValue(0);  // nothing was written: the bar does not say done
    const QString said = parts.join(QLatin1Char(' '));
    c.lblStatus->setText(c.lblStatus->text().isEmpty() ? said : c.lblStatus->text() + QLatin1Char(' ') + said);
  };
  bool bandsWarned = false;
  // Files whose marks the run read: said once, when the run ends.
  QStringList marked;
  const auto sayMarks = [&] {
    if (marked.isEmpty()) return;
    dialogs.ShowMessage(this, {QStringLiteral("Warning"),
                               QStringLiteral("Some values read are the mark 999; every index and derivative formed "
                                              "from one is 999."),
                               MessageIcon::Information, MessageButtons::Ok, marked.join(QLatin1Char('\n'))});
  };
  try {
    for (std::size_t f = 0; f < files.size(); ++f) {
      current = f;
      const ReflectanceTable table = ReadReflectanceFile(files[f]);
      // Every row is checked before anything of this file is asked or written.
      IndexTable values;
      if (withIndices) values = ComputeIndices(table, definitions);
      CatalogueValues catalogueValues;
      if (withCatalogue) catalogueValues = ComputeCatalogue(table, entries);
      BandResults bandResults;
      if (withBands) bandResults = ComputeBands(table, sensors);
      if (withIndices || withDerivative)
        if (const std::string warning =
                MarkedColumnsWarning(table, withIndices ? definitions : std::vector<IndexDefinition>{}, withDerivative);
            !warning.empty())
          marked << Q(warning);
      if (withIndices) {
        const std::string path = ask("   Save Index File   ", "Index prompt", "Save Index File?");
        if (!path.empty()) WriteIndexFile(table, definitions, values, path);
      }
      if (withDerivative) {
        const std::string path = ask("   Save derivative File   ", "Derivative prompt", "Save Derivative File?");
        if (!path.empty()) WriteDerivativeFile(table, path);
      }
      if (withCatalogue) {
        const std::string path = ask("   Save Long Index File   ", "Catalogue prompt", "Save Long Index File?");
        if (!path.empty() && QFileInfo(QString::fromStdString(path)) == QFileInfo(QString::fromStdString(files[f])))
          throw RunFailure({path, 0, {}, false}, "the long index file would replace the reflectance file it is made of",
                           FailureKind::Usage);
        // The path field: the reflectance file as listed.
        if (!path.empty()) WriteLongIndexFile(table, files[f], entries, catalogueValues, path);
      }
      if (withBands) {
        // The bands the table's wavelengths do not cover, said once a run.
        if (const std::string left = UncoveredBandsText(bandResults); !left.empty() && !bandsWarned) {
          bandsWarned = true;
          dialogs.ShowMessage(this, {QStringLiteral("Satellite bands"),
                                     QStringLiteral("Some bands are left empty: less than 0.99 of their response lies "
                                                    "inside the table's wavelengths."),
                                     MessageIcon::Information, MessageButtons::Ok,
                                     QStringLiteral("Band (coverage): ") + QString::fromStdString(left)});
        }
        const std::string path = ask("   Save Long Band File   ", "Bands prompt", "Save Long Band File?");
        if (!path.empty() && QFileInfo(QString::fromStdString(path)) == QFileInfo(QString::fromStdString(files[f])))
          throw RunFailure({path, 0, {}, false}, "the long band file would replace the reflectance file it is made of",
                           FailureKind::Usage);
        if (!path.empty()) WriteLongBandFile(table, files[f], bandResults, path);
      }
      c.ProgressBar1->setValue(
          static_cast<int>(kProgressMaximum * static_cast<long long>(f + 1) / static_cast<long long>(files.size())));
      if (!cancel.KeepGoing() && f + 1 < files.size()) {
        c.lblStatus->setText(
            QStringLiteral("Cancelled after %1 of %2 files; the others were not read.").arg(f + 1).arg(files.size()));
        break;
      }
    }
  } catch (const std::exception& failure) {
    // The remaining files are not processed; files already written stay.
    cancel.Done();
    busy_ = false;
    UpdateCalculate();
    sayMarks();
    sayDone();
    dialogs.ShowMessage(this, ErrorBox(Q(kProblemInDataFile), QString::fromStdString(failure.what())));
    return;
  }
  sayDone();
  sayMarks();
  busy_ = false;
  UpdateCalculate();
}

}  // namespace corvelane::gui

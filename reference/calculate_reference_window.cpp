#include "reference/calculate_reference_window.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "reference/reference_files.h"
#include "reference/reference_plot_widget.h"
#include "widgets/dialogs.h"
#include "widgets/folder_browser_widget.h"

namespace corvelane::gui {

struct CalculateReferenceWindow::Controls {
  FolderBrowser* browser = nullptr;
  QListWidget* RefList = nullptr;
  QListWidget* List1 = nullptr;  // the reference scan list, never shown
  ReferencePlotWidget* ref_pic = nullptr;
  std::array<ReferencePlotWidget*, kLegendEntries> pic_legend{};
  std::array<QLineEdit*, kLegendEntries> txt_legend{};
  QTimer* Timer1 = nullptr;
};

namespace {

constexpr int kHourglassMs = 5000;

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

CalculateReferenceWindow::CalculateReferenceWindow(Dialogs& dialogs, std::vector<std::string>& referenceScans,
                                                   std::string& plottedNames, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      c_(new Controls),
      referenceScans_(referenceScans),
      plottedNames_(plottedNames) {
  setObjectName(QStringLiteral("Form13"));
  setWindowTitle(QStringLiteral("Calculate Reference"));

  c_->browser = new FolderBrowser(dialogs_, this);
  c_->browser->DriveList()->setObjectName(QStringLiteral("Drive1"));
  c_->browser->FolderList()->setObjectName(QStringLiteral("Dir1"));
  c_->browser->FileList()->setObjectName(QStringLiteral("File1"));
  c_->browser->SetPattern(QStringLiteral("*.spu"));
  connect(c_->browser, &FolderBrowser::fileClicked, this, &CalculateReferenceWindow::ChooseFile);
  connect(c_->browser->FolderList(), &QListWidget::itemClicked, this, &CalculateReferenceWindow::OnFolderClicked);

  c_->Timer1 = new QTimer(this);
  c_->Timer1->setObjectName(QStringLiteral("Timer1"));
  c_->Timer1->setInterval(kHourglassMs);
  connect(c_->Timer1, &QTimer::timeout, this, [this] {
    unsetCursor();
    c_->Timer1->stop();
  });

  c_->RefList = new QListWidget(this);
  c_->RefList->setObjectName(QStringLiteral("RefList"));
  c_->RefList->setSelectionMode(QAbstractItemView::MultiSelection);
  c_->RefList->setEnabled(false);
  // Wide enough to tell LMAT_0000... from LMAT_0001...: names cut in the middle, the path as tooltip.
  c_->RefList->setTextElideMode(Qt::ElideMiddle);
  c_->RefList->setMinimumWidth(QFontMetrics(c_->RefList->font()).horizontalAdvance(QStringLiteral("SHB1_09998.spu")) *
                               2);
  connect(c_->RefList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { delete item; });

  c_->List1 = new QListWidget(this);
  c_->List1->setObjectName(QStringLiteral("List1"));
  c_->List1->hide();

  auto* checkAll = Button(this, "Chk_all", "Check All");
  auto* uncheckAll = Button(this, "UnChk_all", "Un-Check All");
  auto* plot = Button(this, "com_plot", "Plot");
  auto* reset = Button(this, "Reset", "Reset");
  auto* done = Button(this, "Command1", "Done");
  connect(checkAll, &QPushButton::clicked, this, [this] { c_->RefList->selectAll(); });
  connect(uncheckAll, &QPushButton::clicked, this, [this] { c_->RefList->clearSelection(); });
  connect(plot, &QPushButton::clicked, this, &CalculateReferenceWindow::Plot);
  connect(reset, &QPushButton::clicked, this, [this] {
    zoomOn_ = false;
    Plot();
  });
  connect(done, &QPushButton::clicked, this, &CalculateReferenceWindow::OnDone);
  SetToolTips(*this, {{"Chk_all", "Select every listed scan."},
                      {"UnChk_all", "Select none of the listed scans."},
                      {"com_plot", "Draw the selected scans' target / panel ratios."},
                      {"Reset", "Show the whole range of values again."},
                      {"Command1", "Hand the selected scans over as the reference scans."},
                      {"RefList", "The scans to look at; double-click one to remove it."}});

  const ReferencePlot blank = PlotReferenceScans({}, range_);
  c_->ref_pic = new ReferencePlotWidget(kGraphWidth, blank.top, blank.height, true, this);
  c_->ref_pic->setObjectName(QStringLiteral("ref_pic"));
  c_->ref_pic->SetPlot(blank.graph, blank.top, blank.height);
  connect(c_->ref_pic, &ReferencePlotWidget::zoomStarted, this, [this] { zoomOn_ = true; });
  connect(c_->ref_pic, &ReferencePlotWidget::zoomFinished, this, &CalculateReferenceWindow::OnZoomFinished);

  auto* legend = new QGridLayout;
  for (std::size_t n = 0; n < kLegendEntries; ++n) {
    auto* sample = new ReferencePlotWidget(kLegendWidth, 0, kLegendHeight, false, this);
    sample->setObjectName(QStringLiteral("pic_legend(%1)").arg(n));
    sample->setFixedSize(40, 12);
    auto* name = new QLineEdit(this);
    name->setObjectName(QStringLiteral("txt_legend(%1)").arg(n));
    name->setReadOnly(true);
    name->hide();
    c_->pic_legend[n] = sample;
    c_->txt_legend[n] = name;
    legend->addWidget(sample, static_cast<int>(n), 0);
    legend->addWidget(name, static_cast<int>(n), 1);
  }

  auto* left = new QVBoxLayout;
  left->addWidget(c_->browser, 2);
  left->addWidget(c_->RefList, 1);
  auto* selectButtons = new QHBoxLayout;
  selectButtons->addWidget(checkAll);
  selectButtons->addWidget(uncheckAll);
  left->addLayout(selectButtons);
  auto* graphButtons = new QHBoxLayout;
  graphButtons->addWidget(plot);
  graphButtons->addWidget(reset);
  graphButtons->addStretch(1);
  graphButtons->addWidget(done);
  auto* right = new QVBoxLayout;
  right->addWidget(c_->ref_pic, 1);
  right->addLayout(graphButtons);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 2);
  layout->addLayout(right, 4);
  layout->addLayout(legend, 1);
  resize(1000, 520);
}

CalculateReferenceWindow::~CalculateReferenceWindow() { delete c_; }

void CalculateReferenceWindow::PrepareForReferenceChoice() {
  // The scans handed over before stay until Done hands over new ones, so
  // looking again and closing the window keeps the choice.
  replaceOnDone_ = true;
  zoomOn_ = false;
  handedOver_ = false;
}

void CalculateReferenceWindow::OpenIn(const QString& folder) {
  if (!folder.isEmpty()) c_->browser->SetFolder(folder);
}

void CalculateReferenceWindow::ChooseFile(const QString& path) {
  if (!c_->RefList->findItems(path, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()) {
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("File already selected!, please try again")));
    return;
  }
  auto* item = new QListWidgetItem(path, c_->RefList);
  item->setToolTip(path);
  c_->RefList->setEnabled(true);
}

void CalculateReferenceWindow::OnFolderClicked() {
  // Listing a large folder may take a while: the hourglass shows for five seconds.
  setCursor(Qt::WaitCursor);
  c_->Timer1->start();
}

void CalculateReferenceWindow::Plot() {
  if (!zoomOn_) range_ = VerticalRange{};
  std::vector<std::string> selected;
  for (int i = 0; i < c_->RefList->count(); ++i)
    if (c_->RefList->item(i)->isSelected()) selected.push_back(c_->RefList->item(i)->text().toStdString());
  const ReferencePlot plot = PlotReferenceScans(selected, range_);
  plottedNames_ = plot.plottedNames;
  c_->ref_pic->SetPlot(plot.graph, plot.top, plot.height);
  for (std::size_t n = 0; n < kLegendEntries; ++n) {
    const bool shown = n < plot.legendNames.size();
    QLineEdit* name = c_->txt_legend[n];
    name->setText(shown ? QString::fromStdString(plot.legendNames[n]) : QString());
    // The whole name, from its start: "DHT_09998.spu" and "SHB1_09998.spu" differ there.
    name->setMinimumWidth(name->fontMetrics().horizontalAdvance(name->text()) +
                          4 * name->fontMetrics().averageCharWidth());
    name->setCursorPosition(0);
    name->setToolTip(name->text());
    name->setVisible(shown);
    c_->pic_legend[n]->SetPlot(plot.legendSamples[n], 0, kLegendHeight);
    c_->pic_legend[n]->setVisible(shown);
  }
  for (const auto& skipped : plot.skipped)
    dialogs_.ShowMessage(this,
                         ErrorBox(QStringLiteral("File cannot be plotted: ") + QString::fromStdString(skipped.path),
                                  QString::fromStdString(skipped.why)));
}

void CalculateReferenceWindow::OnZoomFinished(double downY, double upY) {
  // The range is fixed once, at the release, so pressing Plot again keeps it.
  range_ = ZoomRange(range_, downY, upY);
  zoomOn_ = true;
  Plot();
}

void CalculateReferenceWindow::OnDone() {
  if (replaceOnDone_) {
    c_->List1->clear();
    referenceScans_.clear();
    replaceOnDone_ = false;
  }
  for (int i = 0; i < c_->RefList->count(); ++i)
    if (c_->RefList->item(i)->isSelected()) {
      c_->List1->addItem(c_->RefList->item(i)->text());
      referenceScans_.push_back(c_->RefList->item(i)->text().toStdString());
    }
  handedOver_ = true;
  emit selectionHandedOver(static_cast<int>(referenceScans_.size()));
  accept();
}

}  // namespace corvelane::gui

#include "shell/start_window.h"

#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "indices/index_run_window.h"
#include "instruments/variant.h"
#include "shell/about_window.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

QString FromView(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The tab stops of the buttons that open no format window.
constexpr int kQuitTabStop = 3, kAboutTabStop = 7, kIndicesTabStop = 8;

}  // namespace

struct StartWindow::Controls {
  std::vector<QPushButton*> formatButtons;  // by registry index
  QPushButton* cmd_proc = nullptr;
  QPushButton* cmdQuit = nullptr;
  QPushButton* cmdAbout = nullptr;
  // One per entry of AllVariants(), created on first use.
  std::vector<QPointer<InstrumentWindow>> windows;  // by registry index
  QPointer<AboutWindow> about;
  QPointer<IndexRunWindow> indices;
};

StartWindow::StartWindow(Program& program, QWidget* parent) : QDialog(parent), program_(program), c_(new Controls) {
  setObjectName(QStringLiteral("frmInitial"));
  setWindowTitle(QStringLiteral("Corvelane "));

  auto* column = new QVBoxLayout(this);
  column->setSpacing(6);
  const auto button = [&](std::string_view name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(FromView(name));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    b->setMinimumSize(180, 34);
    b->setAutoDefault(false);
    column->addWidget(b, 1);
    return b;
  };
  // One button per format, top to bottom by the rows the descriptions give,
  // then the buttons every program has.
  const auto all = AllVariants();
  c_->formatButtons.resize(all.size());
  c_->windows.resize(all.size());
  std::vector<std::size_t> byRow(all.size());
  for (std::size_t i = 0; i < all.size(); ++i) byRow[i] = i;
  std::stable_sort(byRow.begin(), byRow.end(),
                   [&](std::size_t a, std::size_t b) { return all[a].startButton.row < all[b].startButton.row; });
  for (const std::size_t i : byRow) {
    QPushButton* b = button(all[i].startButton.name, FromView(all[i].startButton.caption));
    c_->formatButtons[i] = b;
    const int index = static_cast<int>(i);
    connect(b, &QPushButton::clicked, this, [this, index] { OpenInstrument(index); });
  }
  c_->cmd_proc = button("cmd_proc", QStringLiteral("Process Indices"));
  c_->cmdQuit = button("cmdQuit", QStringLiteral("&Quit"));
  c_->cmdAbout = button("cmdAbout", QStringLiteral("About - Help"));
  connect(c_->cmdQuit, &QPushButton::clicked, this, &StartWindow::OnQuit);
  connect(c_->cmdAbout, &QPushButton::clicked, this, &StartWindow::OnAbout);
  connect(c_->cmd_proc, &QPushButton::clicked, this, &StartWindow::OnProcessIndices);
  for (std::size_t i = 0; i < all.size(); ++i)
    c_->formatButtons[i]->setToolTip(
        QStringLiteral("Open the conversion window of %1 scans.").arg(FromView(all[i].caption)));
  SetToolTips(*this, {{"cmd_proc", "Indices and derivatives of reflectance files the program wrote."},
                      {"cmdQuit", "Close every window and end the program."},
                      {"cmdAbout", "The help text: every window, step by step."}});

  std::vector<std::pair<int, QWidget*>> tabOrder = {
      {kQuitTabStop, c_->cmdQuit}, {kAboutTabStop, c_->cmdAbout}, {kIndicesTabStop, c_->cmd_proc}};
  for (std::size_t i = 0; i < all.size(); ++i) tabOrder.emplace_back(all[i].startButton.tabStop, c_->formatButtons[i]);
  std::stable_sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tabOrder.size(); ++i) QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
  tabOrder.front().second->setFocus();
}

StartWindow::~StartWindow() {
  // The instrument and About windows are children and go with this window.
  delete c_;
}

InstrumentWindow* StartWindow::ExistingWindow(int formatIndex) const {
  if (formatIndex < 0 || formatIndex >= static_cast<int>(c_->windows.size())) return nullptr;
  return c_->windows[static_cast<std::size_t>(formatIndex)].data();
}

IndexRunWindow* StartWindow::ExistingIndexWindow() const { return c_->indices.data(); }

void StartWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void StartWindow::OpenInstrument(int formatIndex) {
  const auto all = AllVariants();
  if (formatIndex < 0 || formatIndex >= static_cast<int>(all.size())) return;
  const auto slot = static_cast<std::size_t>(formatIndex);
  QPointer<InstrumentWindow>& window = c_->windows[slot];
  if (window.isNull()) window = new InstrumentWindow(program_, all[slot], this);
  window->PrepareForShow();
  window->exec();
  // A window left with its close box starts from its defaults next time.
  if (!window.isNull() && window->Discarded()) {
    InstrumentWindow* gone = window.data();
    window = nullptr;
    delete gone;
  }
}

void StartWindow::OnQuit() {
  const MessageRequest question{QStringLiteral("Corvelane"),
                                QStringLiteral("Do you want to quit Corvelane?"),
                                MessageIcon::None,
                                MessageButtons::OkCancel,
                                {}};
  if (program_.UserDialogs().ShowMessage(this, question) != MessageAnswer::Ok) return;
  // Ends the program: the desktop's event loop stops when this window finishes.
  accept();
}

void StartWindow::OnProcessIndices() {
  // A user's index catalogue, index-catalogue.csv, sits beside INDEX.
  if (c_->indices.isNull())
    c_->indices = new IndexRunWindow(program_.UserDialogs(), program_.IndexList(), program_.Settings().indexList, this,
                                     QDir(program_.StartFolder()).filePath(QStringLiteral("index-catalogue.csv")));
  c_->indices->exec();
  // A window left with its close box starts from its defaults next time.
  if (!c_->indices.isNull() && c_->indices->Discarded()) {
    IndexRunWindow* gone = c_->indices.data();
    c_->indices = nullptr;
    delete gone;
  }
}

void StartWindow::OnAbout() {
  if (c_->about.isNull()) c_->about = new AboutWindow(this);
  c_->about->exec();
}

}  // namespace corvelane::gui

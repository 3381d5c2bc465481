#include "shell/start_window.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstddef>

#include "convert/instrument_window.h"
#include "convert/program.h"
#include "indices/index_run_window.h"
#include "instruments/variant.h"
#include "shell/about_window.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

QString FromView(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

int IndexOfFormat(Format format) {
  const auto all = AllVariants();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].format == format) return static_cast<int>(i);
  return 0;
}

}  // namespace

struct StartWindow::Controls {
  QPushButton* cmdUnispecN = nullptr;
  QPushButton* cmdUniDC = nullptr;
  QPushButton* cmdUnispecNew = nullptr;
  QPushButton* cmdUnispecC = nullptr;
  QPushButton* cmdGER1500 = nullptr;
  QPushButton* cmdGER2600 = nullptr;
  QPushButton* cmd_proc = nullptr;
  QPushButton* cmdQuit = nullptr;
  QPushButton* cmdAbout = nullptr;
  // One per entry of AllVariants(), created on first use.
  std::array<QPointer<InstrumentWindow>, 6> windows;  // by registry index
  QPointer<AboutWindow> about;
  QPointer<IndexRunWindow> indices;
};

StartWindow::StartWindow(Program& program, QWidget* parent) : QDialog(parent), program_(program), c_(new Controls) {
  setObjectName(QStringLiteral("frmInitial"));
  setWindowTitle(QStringLiteral("Corvelane "));

  auto* column = new QVBoxLayout(this);
  column->setSpacing(6);
  const auto button = [&](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    b->setMinimumSize(180, 34);
    b->setAutoDefault(false);
    column->addWidget(b, 1);
    return b;
  };
  const auto caption = [](Format f) { return FromView(VariantOf(f).startButton); };

  // Top to bottom, in the order of the instrument menu.
  c_->cmdUnispecN = button("cmdUnispecN", caption(Format::UniSpecOld));
  c_->cmdUniDC = button("cmdUniDC", caption(Format::UniSpecDc));
  c_->cmdUnispecNew = button("cmdUnispecNew", caption(Format::UniSpecNew));
  c_->cmdUnispecC = button("cmdUnispecC", caption(Format::UniSpecCompact));
  c_->cmdGER1500 = button("cmdGER1500", caption(Format::Ger1500));
  c_->cmdGER2600 = button("cmdGER2600", caption(Format::Ger2600));
  c_->cmd_proc = button("cmd_proc", QStringLiteral("Process Indices"));
  c_->cmdQuit = button("cmdQuit", QStringLiteral("&Quit"));
  c_->cmdAbout = button("cmdAbout", QStringLiteral("About - Help"));

  const std::array<std::pair<QPushButton*, Format>, 6> instruments = {{
      {c_->cmdUnispecN, Format::UniSpecOld},
      {c_->cmdUniDC, Format::UniSpecDc},
      {c_->cmdUnispecNew, Format::UniSpecNew},
      {c_->cmdUnispecC, Format::UniSpecCompact},
      {c_->cmdGER1500, Format::Ger1500},
      {c_->cmdGER2600, Format::Ger2600},
  }};
  for (const auto& [b, format] : instruments) {
    const int index = IndexOfFormat(format);
    connect(b, &QPushButton::clicked, this, [this, index] { OpenInstrument(index); });
  }
  connect(c_->cmdQuit, &QPushButton::clicked, this, &StartWindow::OnQuit);
  connect(c_->cmdAbout, &QPushButton::clicked, this, &StartWindow::OnAbout);
  connect(c_->cmd_proc, &QPushButton::clicked, this, &StartWindow::OnProcessIndices);

  const std::array<QWidget*, 9> tabOrder = {c_->cmdUnispecN, c_->cmdGER1500,  c_->cmdGER2600,
                                            c_->cmdQuit,     c_->cmdUnispecC, c_->cmdUnispecNew,
                                            c_->cmdUniDC,    c_->cmdAbout,    c_->cmd_proc};
  for (std::size_t i = 1; i < tabOrder.size(); ++i) QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
  c_->cmdUnispecN->setFocus();
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
  if (c_->indices.isNull()) c_->indices = new IndexRunWindow(program_.UserDialogs(), program_.Form16(), this);
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

#include "calibration/new_instrument_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "calibration/instrument_table.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

NewInstrumentWindow::NewInstrumentWindow(Dialogs& dialogs, QString instrumentFile, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      file_(std::move(instrumentFile)),
      instList_(new QListWidget(this)),
      text1_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("Form19"));
  setWindowTitle(QStringLiteral("New Instrument properties"));

  auto* listLabel = new QLabel(QStringLiteral("Current Instruments"), this);
  listLabel->setObjectName(QStringLiteral("Label1"));
  instList_->setObjectName(QStringLiteral("Inst_list"));
  auto* nameLabel = new QLabel(QStringLiteral("Name of instrument:"), this);
  nameLabel->setObjectName(QStringLiteral("Label2"));
  text1_->setObjectName(QStringLiteral("Text1"));
  nameLabel->setBuddy(text1_);

  auto* grid = new QGridLayout;
  const auto label = [this](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  grid->addWidget(label("Label3", QStringLiteral("Channel 1")), 0, 1);
  grid->addWidget(label("Label4", QStringLiteral("Channel 2")), 0, 2);
  grid->addWidget(label("Label5", QStringLiteral("Coefficient A")), 1, 0);
  grid->addWidget(label("Label6", QStringLiteral("Coefficient B")), 2, 0);
  grid->addWidget(label("Label7", QStringLiteral("Coefficient C")), 3, 0);
  for (int i = 0; i < 6; ++i) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("Text2(%1)").arg(i));
    grid->addWidget(box, 1 + i % 3, 1 + i / 3);
    text2_[static_cast<std::size_t>(i)] = box;
  }

  const auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  auto* add = button("Com_add", QStringLiteral("Add instrument"));
  auto* close = button("Com_close", QStringLiteral("Done"));
  auto* update = button("Com_update", QStringLiteral("Update coefficients"));
  auto* remove = button("EditParam", QStringLiteral("Delete Instrument"));
  connect(instList_, &QListWidget::itemClicked, this, &NewInstrumentWindow::OnListClicked);
  connect(add, &QPushButton::clicked, this, &NewInstrumentWindow::OnAdd);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(update, &QPushButton::clicked, this, &NewInstrumentWindow::OnUpdate);
  connect(remove, &QPushButton::clicked, this, &NewInstrumentWindow::OnDelete);
  SetToolTips(*this, {{"Inst_list", "Click an instrument to load its name and six coefficients."},
                      {"Com_add", "Add a new instrument: a name not yet in inst.cof and six numbers."},
                      {"Com_update", "Replace the selected instrument's coefficients by the six boxes (asks first)."},
                      {"EditParam", "Delete the selected instrument from inst.cof (asks first)."},
                      {"Com_close", "Back to the calibrations; the coefficients chosen there stay."}});

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(update);
  buttons->addWidget(remove);
  buttons->addStretch(1);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listLabel);
  layout->addWidget(instList_);
  layout->addWidget(nameLabel);
  layout->addWidget(text1_);
  layout->addLayout(grid);
  layout->addLayout(buttons);
}

bool NewInstrumentWindow::Load() {
  // The selected record stays selected when it is still in its place.
  const int row = instList_->currentRow();
  const QString selected = instList_->currentItem() ? instList_->currentItem()->text() : QString();
  instList_->clear();
  try {
    const auto records = LoadInstruments(file_.toStdString());
    for (std::size_t i = 0; i < records.size(); ++i) {
      auto* item = new QListWidgetItem(Q(records[i].name), instList_);
      item->setData(Qt::UserRole, static_cast<int>(i));  // the slot number
    }
    if (row >= 0 && row < instList_->count() && instList_->item(row)->text() == selected) instList_->setCurrentRow(row);
    return true;
  } catch (const std::exception& e) {
    Failed(QStringLiteral("Cannot read the instrument file"), e);
    return false;
  }
}

void NewInstrumentWindow::OnListClicked() {
  auto* item = instList_->currentItem();
  if (!item) return;
  // The clicked instrument's name and its six coefficients, so Update starts
  // from what the record holds, never from what another record left.
  text1_->setText(item->text());
  try {
    const InstrumentRecord record = ReadInstrument(file_.toStdString(), Selected());
    for (std::size_t i = 0; i < 6; ++i) text2_[i]->setText(Q(record.coefficients[i]));
  } catch (const std::exception& e) {
    for (QLineEdit* box : text2_) box->clear();
    Failed(QStringLiteral("Cannot read the instrument's coefficients"), e);
  }
}

std::size_t NewInstrumentWindow::Selected() const {
  const QListWidgetItem* item = instList_->currentItem();
  return item ? static_cast<std::size_t>(item->data(Qt::UserRole).toInt()) : 0;
}

bool NewInstrumentWindow::HasSelection() {
  const QListWidgetItem* item = instList_->currentItem();
  if (item && item->isSelected() && item->text().trimmed() == text1_->text().trimmed()) return true;
  dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("Click the instrument to change in \"Current Instruments\" first"),
                                      QStringLiteral("Update and Delete act on the instrument selected in the list, "
                                                     "under the name shown in \"Name of instrument:\".")));
  return false;
}

std::array<std::string, 6> NewInstrumentWindow::Coefficients() const {
  std::array<std::string, 6> c;
  for (std::size_t i = 0; i < 6; ++i) c[i] = text2_[i]->text().toStdString();
  return c;
}

void NewInstrumentWindow::Failed(const QString& text, const std::exception& e) {
  dialogs_.ShowMessage(this, ErrorBox(text, QString::fromUtf8(e.what())));
}

void NewInstrumentWindow::OnAdd() {
  try {
    AddInstrument(file_.toStdString(), text1_->text().toStdString(), Coefficients());
  } catch (const std::exception& e) {
    Failed(QStringLiteral("The instrument was not added"), e);
    return;
  }
  Load();
}

void NewInstrumentWindow::OnUpdate() {
  if (!HasSelection()) return;
  const QString name = instList_->currentItem()->text().trimmed();
  const MessageRequest question{
      QStringLiteral("Update coefficients"),
      QStringLiteral("Replace the coefficients of the instrument \"%1\" in inst.cof?").arg(name),
      MessageIcon::Exclamation,
      MessageButtons::YesNo,
      {}};
  if (dialogs_.ShowMessage(this, question) != MessageAnswer::Yes) return;
  try {
    if (!UpdateInstrumentAt(file_.toStdString(), Selected(), name.toStdString(), Coefficients())) {
      Changed(name);
      return;
    }
  } catch (const std::exception& e) {
    Failed(QStringLiteral("The coefficients were not updated"), e);
    return;
  }
  Load();
}

void NewInstrumentWindow::OnDelete() {
  if (!HasSelection()) return;
  const QString name = instList_->currentItem()->text().trimmed();
  const MessageRequest question{QStringLiteral("Delete Instrument"),
                                QStringLiteral("Delete the instrument \"%1\" from inst.cof?").arg(name),
                                MessageIcon::Exclamation,
                                MessageButtons::YesNo,
                                {}};
  if (dialogs_.ShowMessage(this, question) != MessageAnswer::Yes) return;
  try {
    if (!DeleteInstrumentAt(file_.toStdString(), Selected(), name.toStdString())) {
      Changed(name);
      return;
    }
  } catch (const std::exception& e) {
    Failed(QStringLiteral("The instrument was not deleted"), e);
    return;
  }
  Load();
}

void NewInstrumentWindow::Changed(const QString& name) {
  dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("inst.cof has changed since it was listed"),
                                      QStringLiteral("The selected record is no longer \"%1\"; nothing was "
                                                     "changed. The list is read again.")
                                          .arg(name)));
  Load();
}

}  // namespace corvelane::gui

#include "indices/index_list_window.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "indices/index_presets.h"
#include "widgets/dialogs.h"

namespace corvelane::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

struct IndexListWindow::Controls {
  QLineEdit* Text3 = nullptr;  // name
  QLineEdit* Text1 = nullptr;  // A
  QLineEdit* Text2 = nullptr;  // B
  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
  QGroupBox* Frame1 = nullptr;
  QRadioButton* RFL = nullptr;
  QRadioButton* Deriv = nullptr;
  QPushButton* ComSubmit = nullptr;
  QPushButton* Command1 = nullptr;
  std::array<QPushButton*, kMaxPresets> Index{};
  // List1 shows the names; List2 to List5 hold A, B, the formula and the
  // source codes at the same row positions and are never shown.
  std::array<QListWidget*, 5> lists{};
  QLabel* lblQuickPick = nullptr;
};

IndexListWindow::IndexListWindow(Dialogs& dialogs, QString startFolder, std::vector<IndexDefinition>& definitions,
                                 QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      startFolder_(std::move(startFolder)),
      definitions_(definitions),
      c_(new Controls) {
  Controls& c = *c_;
  setObjectName(QStringLiteral("Form16"));
  setWindowTitle(QStringLiteral("Index name and formula"));

  const auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
  const auto box = [this](const char* name, const char* text) {
    auto* t = new QLineEdit(QString::fromUtf8(text), this);
    t->setObjectName(QString::fromLatin1(name));
    return t;
  };
  const auto radio = [](QWidget* owner, const char* name, const char* caption) {
    auto* r = new QRadioButton(QString::fromUtf8(caption), owner);
    r->setObjectName(QString::fromLatin1(name));
    return r;
  };
  const auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };

  c.Text3 = box("Text3", "NDVI");
  c.Text1 = box("Text1", "800");
  c.Text2 = box("Text2", "670");
  QLabel* nameLabel = label("Index name:");
  QLabel* aLabel = label("A = ");
  QLabel* bLabel = label("B = ");
  nameLabel->setBuddy(c.Text3);
  aLabel->setBuddy(c.Text1);
  bLabel->setBuddy(c.Text2);

  c.Option1 = radio(this, "Option1", "(A-B)/(A+B)");
  c.Option2 = radio(this, "Option2", "A/B");
  auto* formula = new QButtonGroup(this);
  formula->addButton(c.Option1);
  formula->addButton(c.Option2);
  c.Option1->setChecked(true);

  c.Frame1 = new QGroupBox(QStringLiteral("Apply to?"), this);
  c.Frame1->setObjectName(QStringLiteral("Frame1"));
  c.RFL = radio(c.Frame1, "RFL", "Reflectance");
  c.Deriv = radio(c.Frame1, "Deriv", "Derivative");
  c.RFL->setChecked(true);
  auto* applyTo = new QVBoxLayout(c.Frame1);
  applyTo->addWidget(c.RFL);
  applyTo->addWidget(c.Deriv);

  c.ComSubmit = button("ComSubmit", QStringLiteral("--->"));
  c.Command1 = button("Command1", QStringLiteral("OK"));
  c.ComSubmit->setToolTip(QStringLiteral("Add the index in the boxes (name, A, B, formula) to the list."));
  c.Command1->setToolTip(
      QStringLiteral("Done: the listed indices are used. Boxes not added with \"--->\" are not in the list."));
  c.Option1->setToolTip(QStringLiteral("Normalised difference (A-B)/(A+B)."));
  c.Option2->setToolTip(QStringLiteral("Simple ratio A/B."));
  c.RFL->setToolTip(QStringLiteral("Take A and B from the reflectance."));
  c.Deriv->setToolTip(QStringLiteral("Take A and B from the first derivative."));
  const char* listNames[5] = {"List1", "List2", "List3", "List4", "List5"};
  for (std::size_t i = 0; i < c.lists.size(); ++i) {
    c.lists[i] = new QListWidget(this);
    c.lists[i]->setObjectName(QString::fromLatin1(listNames[i]));
    c.lists[i]->setSelectionMode(QAbstractItemView::SingleSelection);
    if (i > 0) c.lists[i]->setVisible(false);
  }

  auto* picks = new QGridLayout;
  for (int i = 0; i < static_cast<int>(kMaxPresets); ++i) {
    QPushButton* b = button("", QStringLiteral("Index"));
    b->setObjectName(QStringLiteral("Index(%1)").arg(i));
    b->setToolTip(QStringLiteral("Fill the boxes with this index of the INDEX file."));
    b->setVisible(false);
    c.Index[static_cast<std::size_t>(i)] = b;
    picks->addWidget(b, i / 4, i % 4);
    connect(b, &QPushButton::clicked, this, [this, i] { OnQuickPick(i); });
  }
  c.lblQuickPick = new QLabel(this);
  c.lblQuickPick->setObjectName(QStringLiteral("lblQuickPick"));
  c.lblQuickPick->setWordWrap(true);

  auto* boxes = new QGridLayout;
  boxes->addWidget(nameLabel, 0, 0);
  boxes->addWidget(c.Text3, 0, 1);
  boxes->addWidget(aLabel, 1, 0);
  boxes->addWidget(c.Text1, 1, 1);
  boxes->addWidget(bLabel, 2, 0);
  boxes->addWidget(c.Text2, 2, 1);
  boxes->addWidget(c.Option1, 3, 0, 1, 2);
  boxes->addWidget(c.Option2, 4, 0, 1, 2);
  boxes->addWidget(c.Frame1, 5, 0, 1, 2);
  auto* notes = new QVBoxLayout;
  for (const char* note : {"NDVI -> use: A= 800, B= 670 or 680", "PRI -> use: A= 531, B=570",
                           "WBI -> use: A= 900, B= 970", "Note: Use bottom equation for WBI and top for the others"})
    notes->addWidget(label(note));
  auto* submit = new QVBoxLayout;
  submit->addStretch(1);
  submit->addWidget(label("Submit"));
  submit->addWidget(c.ComSubmit);
  submit->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(boxes);
  top->addLayout(submit);
  top->addWidget(c.lists[0], 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(notes);
  layout->addLayout(picks);
  layout->addWidget(c.lblQuickPick);
  auto* okRow = new QHBoxLayout;
  okRow->addStretch(1);
  okRow->addWidget(c.Command1);
  layout->addLayout(okRow);

  connect(c.ComSubmit, &QPushButton::clicked, this, &IndexListWindow::OnSubmit);
  connect(c.lists[0], &QListWidget::itemDoubleClicked, this, &IndexListWindow::OnListDoubleClicked);
  connect(c.Command1, &QPushButton::clicked, this, &IndexListWindow::OnOk);
  for (const IndexDefinition& d : definitions_) ShowRow(d);
  LoadQuickPicks();
}

IndexListWindow::~IndexListWindow() { delete c_; }

QString IndexListWindow::IndexPath() const { return QDir(startFolder_).filePath(QStringLiteral("INDEX")); }

void IndexListWindow::LoadQuickPicks() {
  // A missing or damaged file leaves the buttons hidden, or only the first ones shown.
  const std::vector<IndexPreset> presets = ReadPresetFile(IndexPath().toStdString());
  for (std::size_t i = 0; i < presets.size(); ++i) {
    c_->Index[i]->setText(Q(presets[i].name));
    c_->Index[i]->setVisible(true);
  }
  if (!presets.empty()) {
    c_->Text3->setText(Q(presets[0].name));
    c_->Text1->setText(Q(presets[0].a));
    c_->Text2->setText(Q(presets[0].b));
  }
}

void IndexListWindow::OnQuickPick(int position) {
  // The file is read again: it may have changed since the window was made.
  const auto preset = ReadPreset(IndexPath().toStdString(), static_cast<std::size_t>(position));
  if (!preset) {
    c_->lblQuickPick->setText(QStringLiteral("Record %1 of %2 could not be read; the boxes are unchanged.")
                                  .arg(position + 1)
                                  .arg(IndexPath()));
    return;
  }
  c_->lblQuickPick->clear();
  c_->Text3->setText(Q(preset->name));
  c_->Text1->setText(Q(preset->a));
  c_->Text2->setText(Q(preset->b));
  (preset->Formula() == IndexFormula::NormalisedDifference ? c_->Option1 : c_->Option2)->setChecked(true);
}

void IndexListWindow::ShowRow(const IndexDefinition& d) {
  Controls& c = *c_;
  c.lists[0]->addItem(Q(d.name));
  c.lists[1]->addItem(Q(d.a));
  c.lists[2]->addItem(Q(d.b));
  c.lists[3]->addItem(d.formula == IndexFormula::NormalisedDifference ? QStringLiteral("1") : QStringLiteral("2"));
  c.lists[4]->addItem(d.source == IndexSource::Reflectance ? QStringLiteral("1") : QStringLiteral("2"));
}

void IndexListWindow::OnSubmit() {
  definitions_.push_back(Boxes());
  ShowRow(definitions_.back());
}

void IndexListWindow::OnListDoubleClicked() {
  const int row = c_->lists[0]->currentRow();
  if (row < 0) return;
  for (QListWidget* list : c_->lists) delete list->takeItem(row);
  definitions_.erase(definitions_.begin() + row);
}

void IndexListWindow::OnOk() {
  Controls& c = *c_;
  if (c.Text1->text().isEmpty() || c.Text2->text().isEmpty() || c.lists[0]->count() == 0) {
    dialogs_.ShowMessage(this, {QStringLiteral("Corvelane"),
                                QStringLiteral("Enter a value for both boxes or at least 1 index"),
                                MessageIcon::None,
                                MessageButtons::Ok,
                                {}});
    emit confirmed(false);
    return;
  }
  accept();
  emit confirmed(true);
}

IndexDefinition IndexListWindow::Boxes() const {
  return {c_->Text3->text().toStdString(), c_->Text1->text().toStdString(), c_->Text2->text().toStdString(),
          c_->Option1->isChecked() ? IndexFormula::NormalisedDifference : IndexFormula::SimpleRatio,
          c_->RFL->isChecked() ? IndexSource::Reflectance : IndexSource::Derivative};
}

}  // namespace corvelane::gui

#include "calibration/dc_calibration_window.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "calibration/channel_fit.h"
#include "calibration/instrument_table.h"
#include "calibration/new_instrument_window.h"
#include "text/text_input.h"
#include "widgets/dialogs.h"
#include "widgets/text_binding.h"

namespace corvelane::gui {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
}  // namespace

DcCalibrationWindow::DcCalibrationWindow(Dialogs& dialogs, const QString& startFolder, DcEquationTexts& texts,
                                         QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      texts_(texts),
      file_(QString::fromStdString(InstrumentFilePath(QDir(startFolder).absolutePath().toStdString()))),
      option1_(nullptr),
      option2_(nullptr) {
  setObjectName(QStringLiteral("Form10"));
  setWindowTitle(QStringLiteral("Wavelength Calibrations"));

  auto* boxes = new QGridLayout;
  const auto label = [this](const QString& name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    return l;
  };
  boxes->addWidget(label(QStringLiteral("Label5"), QStringLiteral("Channel   1")), 0, 1);
  boxes->addWidget(label(QStringLiteral("Label6"), QStringLiteral("Channel  2")), 0, 2);
  boxes->addWidget(label(QStringLiteral("Label1"), QStringLiteral("Coeffecient 'A' :")), 1, 0);
  boxes->addWidget(label(QStringLiteral("Label2"), QStringLiteral("Coeffecient 'B' :")), 2, 0);
  boxes->addWidget(label(QStringLiteral("Label3"), QStringLiteral("Coeffecient 'C' :")), 3, 0);
  static constexpr std::array<const char*, 6> names = {"txtCoeffA",    "txtCoeffB",    "txtCoeffC",
                                                       "txtCoeffAChB", "txtCoeffBChB", "txtCoeffCChB"};
  for (std::size_t i = 0; i < 6; ++i) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(names[i]));
    box->setMinimumWidth(160);
    boxes->addWidget(box, 1 + static_cast<int>(i % 3), 1 + static_cast<int>(i / 3));
    BindText(box, texts_.coefficients[i]);
    boxes_[i] = box;
  }
  auto* equation = new QLabel(QStringLiteral("equation:  A + B*(wave) + C*(wave)^2"), this);
  equation->setObjectName(QStringLiteral("Label4"));

  auto* frame1 = new QGroupBox(QStringLiteral("Begining wave"), this);
  frame1->setObjectName(QStringLiteral("Frame1"));
  option1_ = new QRadioButton(QStringLiteral("0"), frame1);
  option1_->setObjectName(QStringLiteral("Option1"));
  option2_ = new QRadioButton(QStringLiteral("1"), frame1);
  option2_->setObjectName(QStringLiteral("Option2"));
  BindZeroOrOne(option1_, option2_, texts_.startChannel);
  auto* options = new QHBoxLayout(frame1);
  options->addWidget(option1_);
  options->addWidget(option2_);
  options->addStretch(1);

  auto* instruments = new QGridLayout;
  for (int i = 0; i < 6; ++i) {
    auto* b = new QPushButton(QStringLiteral("Instrument name"), this);
    b->setObjectName(QStringLiteral("Inst(%1)").arg(i));
    b->setAutoDefault(false);
    b->setVisible(false);
    connect(b, &QPushButton::clicked, this, [this, i] { OnInstrument(i); });
    instruments->addWidget(b, i / 3, i % 3);
    inst_[static_cast<std::size_t>(i)] = b;
  }
  auto* add = new QPushButton(QStringLiteral("Edit instrument parameters"), this);
  add->setObjectName(QStringLiteral("ComAdd"));
  add->setAutoDefault(false);
  connect(add, &QPushButton::clicked, this, &DcCalibrationWindow::OnAdd);

  auto* fromScans = new QPushButton(QStringLiteral("From scans"), this);
  fromScans->setObjectName(QStringLiteral("cmdFromScans"));
  fromScans->setAutoDefault(false);
  fromScans->setToolTip(QStringLiteral(
      "Fit the equation to the wavelength each channel line of the scans begins with: the scans of the UniSpec-DC "
      "window's list, or one scan chosen here when the list is empty. Both channels get the same equation"));
  connect(fromScans, &QPushButton::clicked, this, &DcCalibrationWindow::OnFromScans);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &DcCalibrationWindow::OnOk);
  connect(cancel, &QPushButton::clicked, this, &DcCalibrationWindow::OnCancel);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(fromScans);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(boxes);
  layout->addWidget(equation);
  layout->addWidget(frame1);
  layout->addLayout(instruments);
  layout->addLayout(buttons);
  Reload();
}

DcCalibrationWindow::~DcCalibrationWindow() = default;

NewInstrumentWindow& DcCalibrationWindow::InstrumentEditor() {
  if (!form19_) form19_ = std::make_unique<NewInstrumentWindow>(dialogs_, file_);
  return *form19_;
}

void DcCalibrationWindow::Reload() {
  for (std::size_t i = 0; i < 6; ++i) boxes_[i]->setText(Q(kDcStartCoefficients[i]));
  option2_->setChecked(true);
  LoadInstruments();
}

void DcCalibrationWindow::LoadInstruments() {
  for (QPushButton* b : inst_) b->setVisible(false);
  try {
    // Only six buttons: later records stay in the file, untouched, and the
    // command line can still use them.
    const auto records = corvelane::LoadInstruments(file_.toStdString());
    for (std::size_t i = 0; i < records.size() && i < inst_.size(); ++i) {
      inst_[i]->setText(Q(records[i].name));
      inst_[i]->setVisible(true);
    }
  } catch (const std::exception& e) {
    dialogs_.ShowMessage(this,
                         ErrorBox(QStringLiteral("Cannot read the instrument file"), QString::fromUtf8(e.what())));
  }
}

void DcCalibrationWindow::OnInstrument(int index) {
  try {
    const InstrumentRecord r = ReadInstrument(file_.toStdString(), static_cast<std::size_t>(index));
    for (std::size_t i = 0; i < 6; ++i) boxes_[i]->setText(Q(r.coefficients[i]));
  } catch (const std::exception& e) {
    dialogs_.ShowMessage(this,
                         ErrorBox(QStringLiteral("Cannot read the instrument file"), QString::fromUtf8(e.what())));
  }
}

void DcCalibrationWindow::OnOk() {
  const DcEquationTexts texts = texts_;
  if (!DcCoefficientsAreNumbers(texts)) {
    QStringList wrong;
    for (std::size_t i = 0; i < 6; ++i) {
      if (IsNumber(texts.coefficients[i])) continue;
      wrong << QStringLiteral("Coefficient %1 is not a number: \"%2\".")
                   .arg(Q(kDcCoefficientNames[i]), boxes_[i]->text());
    }
    dialogs_.ShowMessage(this, ErrorBox(QStringLiteral("Coefficients must be numbers"), wrong.join(QLatin1Char('\n'))));
    return;
  }
  tables_ = WavesFromEquationDC(texts);
  accept();
  emit Confirmed();
}

void DcCalibrationWindow::OnCancel() {
  reject();
  dialogs_.ShowMessage(parentWidget(), {QStringLiteral("Coefficients"),
                                        QStringLiteral("No Equation Selected"),
                                        MessageIcon::Information,
                                        MessageButtons::Ok,
                                        {}});
}

void DcCalibrationWindow::OnFromScans() {
  if (!listed_.empty()) {
    FillFromScans(listed_);
    return;
  }
  const QString scan = QFileDialog::getOpenFileName(this, QStringLiteral("A scan of the instrument"), QString(),
                                                    QStringLiteral(".spu files (*.spu)"));
  if (!scan.isEmpty()) FillFromScans({scan.toStdString()});
}

void DcCalibrationWindow::FillFromScans(const std::vector<std::string>& scans) {
  try {
    const ChannelFit fit = FitFromScans(scans, texts_.startChannel);
    const std::array<std::string, 6> texts = FitCoefficientTexts(fit);
    for (std::size_t i = 0; i < 6; ++i) boxes_[i]->setText(Q(texts[i]));
    dialogs_.ShowMessage(
        this, {QStringLiteral("From scans"),
               QStringLiteral("Fitted to the wavelengths of %1 scan%2: largest residual %3 nm. Both channels take this "
                              "equation (the files give one wavelength per line). Confirm with OK; \"Edit instrument "
                              "parameters\" keeps it as an instrument.")
                   .arg(scans.size())
                   .arg(scans.size() == 1 ? QString() : QStringLiteral("s"))
                   .arg(fit.largestResidual, 0, 'f', 3),
               MessageIcon::Information,
               MessageButtons::Ok,
               {}});
  } catch (const std::exception& e) {
    dialogs_.ShowMessage(this,
                         ErrorBox(QStringLiteral("These scans give no calibration"), QString::fromUtf8(e.what())));
  }
}

void DcCalibrationWindow::OnAdd() {
  // The editor works on the file; when it is done this window is loaded
  // afresh, so it lists what the file now holds, with the start texts.
  NewInstrumentWindow& editor = InstrumentEditor();
  if (editor.Load()) editor.exec();
  Reload();
}

}  // namespace corvelane::gui

#include "convert/instrument_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSet>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "calibration/dc_calibration_window.h"
#include "calibration/equation_window.h"
#include "calibration/external_file_window.h"
#include "convert/conversion_job.h"
#include "convert/conversion_run.h"
#include "convert/field_key.h"
#include "convert/file_check.h"
#include "convert/grid.h"
#include "convert/output_sink_window.h"
#include "convert/preview_widget.h"
#include "convert/program.h"
#include "convert/spectrum_preview.h"
#include "headers/header_form_window.h"
#include "headers/transect_header.h"
#include "reference/calculate_reference_window.h"
#include "text/failure.h"
#include "text/numeric_text.h"
#include "text/text_input.h"
#include "widgets/dialogs.h"
#include "widgets/elided_label_widget.h"
#include "widgets/folder_browser_widget.h"
#include "widgets/run_cancel.h"

namespace corvelane::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

constexpr int kProgressMaximum = 100;

// A frame that only draws a box and a caption around controls lying on it:
// disabling it greys the caption and leaves the controls as they are. The
// controls therefore sit on a sibling panel laid over the box, not inside it.
struct DrawnFrame {
  QWidget* holder;
  QGroupBox* frame;
  QWidget* panel;
};

DrawnFrame MakeDrawnFrame(QWidget* parent, const QString& caption, const char* name) {
  auto* holder = new QWidget(parent);
  auto* stack = new QGridLayout(holder);
  stack->setContentsMargins(0, 0, 0, 0);
  auto* frame = new QGroupBox(caption, holder);
  frame->setObjectName(QString::fromLatin1(name));
  auto* panel = new QWidget(holder);
  stack->addWidget(frame, 0, 0);
  stack->addWidget(panel, 0, 0);
  panel->raise();
  // Keep the controls inside the box and below its caption.
  frame->ensurePolished();
  const QMargins box = frame->contentsMargins();
  QStyle* style = frame->style();
  const int l = style->pixelMetric(QStyle::PM_LayoutLeftMargin);
  const int t = style->pixelMetric(QStyle::PM_LayoutTopMargin);
  const int r = style->pixelMetric(QStyle::PM_LayoutRightMargin);
  const int b = style->pixelMetric(QStyle::PM_LayoutBottomMargin);
  const int captionHeight = caption.isEmpty() ? 0 : frame->fontMetrics().height();
  panel->setContentsMargins(box.left() + l, std::max(box.top(), captionHeight) + t, box.right() + r, box.bottom() + b);
  return {holder, frame, panel};
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QRadioButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  auto* b = new QPushButton(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption) {
  auto* l = new QLabel(QString::fromUtf8(caption), parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QLineEdit* TextBox(QWidget* parent, const char* name, std::string_view text) {
  auto* t = new QLineEdit(Q(text), parent);
  t->setObjectName(QString::fromLatin1(name));
  return t;
}

QLineEdit* CaptionBox(QWidget* parent, const char* name, const char* text) {
  auto* t = TextBox(parent, name, text);
  t->setReadOnly(true);
  t->setFocusPolicy(Qt::NoFocus);
  t->setAlignment(Qt::AlignCenter);
  return t;
}

QProgressBar* Progress(QWidget* parent, const char* name) {
  auto* p = new QProgressBar(parent);
  p->setObjectName(QString::fromLatin1(name));
  p->setRange(0, kProgressMaximum);
  p->setValue(0);
  return p;
}

void SetEnabled(QWidget* w, bool enabled) {
  if (w) w->setEnabled(enabled);
}

// Sets a progress bar to its maximum x done / total and lets the window
// repaint; of the user's input only the Cancel button's click goes through.
// False once it was clicked.
bool Advance(QProgressBar* bar, CancelDuringRun& cancel, std::size_t done, std::size_t total) {
  const int value =
      total > 0 ? static_cast<int>(static_cast<std::size_t>(bar->maximum()) * done / total) : bar->maximum();
  bar->setValue(value);
  return cancel.KeepGoing();
}

// Listed files by name, cut in the middle when the list is narrow; the
// entry's text stays the full path, which its tooltip shows.
class FileNameDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QString displayText(const QVariant& value, const QLocale&) const override {
    return QFileInfo(value.toString()).fileName();
  }
};

// A width for `list` that shows a long scan name of the field campaigns
// whole beside the list's scroll bar.
int WidthForScanNames(const QListWidget* list) {
  const QStyle* style = list->style();
  const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
  return list->fontMetrics().horizontalAdvance(QStringLiteral("SHB1_09998.spu")) + 2 * textMargin +
         2 * list->frameWidth() + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) + 2 * list->spacing() +
         list->fontMetrics().averageCharWidth();
}

// Counts as the examples in the help text write them: 3,000.
QString Count(qsizetype n) { return QLocale(QLocale::English).toString(static_cast<qlonglong>(n)); }

// The files written: by name in `resultsFolder`, where the save dialogs
// start, and with their folder anywhere else.
QString FileNames(const QStringList& paths, const QString& resultsFolder) {
  const QString results = QDir::cleanPath(QFileInfo(resultsFolder).absoluteFilePath());
  QStringList names;
  for (const QString& p : paths) {
    const QFileInfo file(p);
    names << (QDir::cleanPath(file.absolutePath()) == results ? file.fileName() : QDir::toNativeSeparators(p));
  }
  return names.join(QStringLiteral(", "));
}

}  // namespace

struct InstrumentWindow::Controls {
  // File picking.
  QLabel* Label1 = nullptr;
  QComboBox* cboCombo = nullptr;
  FolderBrowser* browser = nullptr;
  QComboBox* Drive1 = nullptr;
  QListWidget* Dir1 = nullptr;
  QListWidget* File1 = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* lblListCount = nullptr;
  QPushButton* cmdFileListOk = nullptr;
  QPushButton* cmdEditList = nullptr;
  QPushButton* Command5 = nullptr;
  QPushButton* cmdChkFile = nullptr;
  QProgressBar* prgChkFile = nullptr;
  // Output modes and options.
  QGroupBox* frmOutput = nullptr;
  QCheckBox* chkReflect = nullptr;
  QCheckBox* chkAbsorb = nullptr;
  QCheckBox* chkTarget = nullptr;
  QCheckBox* chkRefer = nullptr;
  QCheckBox* chkEnvi = nullptr;  // the ENVI spectral library of the reflectance
  QCheckBox* chkShowGraph = nullptr;
  QCheckBox* chkReport = nullptr;  // "Save quality report"
  QPushButton* cmdDarkScan = nullptr;
  QLabel* lblDarkScan = nullptr;
  QCheckBox* chkLongTable = nullptr;
  // The field key of the long table and the columns it is averaged by.
  QGroupBox* frmFieldKey = nullptr;
  QPushButton* cmdFieldKey = nullptr;
  QPushButton* cmdNoFieldKey = nullptr;
  QLabel* lblFieldKey = nullptr;
  QLabel* lblAverageBy = nullptr;
  QListWidget* lstAverageBy = nullptr;
  QGroupBox* frmFileName = nullptr;
  QRadioButton* Option6 = nullptr;
  QRadioButton* Option7 = nullptr;
  QCheckBox* Check1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* ComIndices = nullptr;
  QCheckBox* Check3 = nullptr;
  QPushButton* AddFile = nullptr;
  QCheckBox* chkaircraft = nullptr;
  QPushButton* ComRef = nullptr;
  QGroupBox* Frame1 = nullptr;
  QCheckBox* ChkCorrect = nullptr;
  QCheckBox* ChkNDVI = nullptr;
  // Wavelengths and grid.
  QGroupBox* frmSpectral = nullptr;
  QRadioButton* Option1 = nullptr;
  QRadioButton* Option2 = nullptr;
  QRadioButton* Option3 = nullptr;
  QPushButton* Command3 = nullptr;
  QPushButton* Command4 = nullptr;
  QGroupBox* frmInterpolate = nullptr;
  QRadioButton* Option4 = nullptr;
  QRadioButton* Option5 = nullptr;
  QGroupBox* frmWave = nullptr;
  QLabel* lblBegin = nullptr;
  QLabel* lblEnd = nullptr;
  QLabel* lblDelta = nullptr;
  QLineEdit* txtBeginWave = nullptr;
  QLineEdit* txtEndWave = nullptr;
  QLineEdit* txtDeltaWave = nullptr;
  QPushButton* cmdDoOperation = nullptr;
  QProgressBar* prgCalc = nullptr;
  // Spectrum preview.
  QLineEdit* txtTarget = nullptr;
  QLineEdit* txtPlate = nullptr;
  QLineEdit* Text1 = nullptr;
  PreviewWidget* picTarget = nullptr;
  PreviewWidget* picPlate = nullptr;
  PreviewWidget* picReflect = nullptr;
  QLineEdit* Text2 = nullptr;
  QLineEdit* Text3 = nullptr;
  QLabel* lblPreviewFile = nullptr;
  QLabel* lblPreviewStatus = nullptr;
  QLabel* lblStatus = nullptr;              // what the last run or check did
  QPushButton* cmdStatusDetails = nullptr;  // the whole status text in a box
  QPushButton* cmdCancelRun = nullptr;      // shown while a run or a check reads the scans
  QTabWidget* tabOptions = nullptr;         // outputs, options, field key, wavelengths
  QWidget* wavePage = nullptr;              // the wavelengths' tab
  QWidget* content = nullptr;               // everything, inside the scroll area

  QCheckBox* ModeBox(OutputMode m) const {
    switch (m) {
      case OutputMode::Reflectance: return chkReflect;
      case OutputMode::Absorbance: return chkAbsorb;
      case OutputMode::RawTarget: return chkTarget;
      case OutputMode::RawReference: return chkRefer;
    }
    return nullptr;
  }
};

InstrumentWindow::InstrumentWindow(Program& program, const InstrumentVariant& variant, QWidget* parent)
    : QDialog(parent), program_(program), variant_(variant), c_(new Controls) {
  setObjectName(Q(variant_.windowName));
  setWindowTitle(Q(variant_.caption));
  setSizeGripEnabled(true);
  BuildControls();
  ConnectEvents();
  resize(c_->content->sizeHint().expandedTo(QSize(960, 640)));
  // The coefficient and external-file windows are loaded, hidden, with the
  // window, as the start-up sequence has it.
  program_.Equation();
  program_.ExternalFile();
}

InstrumentWindow::~InstrumentWindow() { delete c_; }

QLayout* InstrumentWindow::BuildFilePicking() {
  Controls& c = *c_;
  // File picking: file type, drive, folder and file lists.
  c.Label1 = Label(this, "Label1", "File type :");
  c.cboCombo = new QComboBox(this);
  c.cboCombo->setObjectName(QStringLiteral("cboCombo"));
  c.cboCombo->addItem(Q(variant_.fileTypeItem));
  c.cboCombo->setCurrentIndex(0);
  c.browser = new FolderBrowser(program_.UserDialogs(), this);
  c.browser->SetPattern(Q(variant_.filePattern));
  c.browser->SetMultiSelect(true);
  c.Drive1 = c.browser->DriveList();
  c.Drive1->setObjectName(QStringLiteral("Drive1"));
  // Long mount points must not widen the folder column at the file list's cost.
  c.Drive1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c.Drive1->setMinimumContentsLength(8);
  c.Dir1 = c.browser->FolderList();
  c.Dir1->setObjectName(QStringLiteral("Dir1"));
  c.File1 = c.browser->FileList();
  c.File1->setObjectName(QStringLiteral("File1"));
  c.File1->setMinimumWidth(WidthForScanNames(c.File1));
  if (auto* lists = qobject_cast<QGridLayout*>(c.browser->layout())) {  // folders and files alike wide
    lists->setColumnStretch(0, 1);
    lists->setColumnStretch(1, 1);
  }

  auto* pickBox = new QVBoxLayout;
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(c.Label1);
  typeRow->addWidget(c.cboCombo, 1);
  pickBox->addLayout(typeRow);
  pickBox->addWidget(c.browser, 1);

  return pickBox;
}

QLayout* InstrumentWindow::BuildFileList() {
  Controls& c = *c_;
  const WindowTraits& traits = variant_.window;
  // Selected files and the buttons that act on them.
  c.List1 = new QListWidget(this);
  c.List1->setObjectName(QStringLiteral("List1"));
  c.List1->setSelectionMode(QAbstractItemView::SingleSelection);
  c.List1->setEnabled(false);
  c.List1->setItemDelegate(new FileNameDelegate(c.List1));
  c.List1->setTextElideMode(Qt::ElideMiddle);
  c.List1->setMinimumWidth(WidthForScanNames(c.List1));
  c.List1->setToolTip(
      QStringLiteral("The files to convert. Arrow keys and a click show a file in the graphs "
                     "(with Show Graph); Delete or a double click removes it."));
  c.List1->installEventFilter(this);
  c.lblListCount = new ElidedLabel(this);  // one line however long the note on skipped files
  c.lblListCount->setObjectName(QStringLiteral("lblListCount"));

  auto* listBox = new QVBoxLayout;
  if (traits.addFilesButton) {
    c.AddFile = Button(this, "AddFile", "Add Files");
    listBox->addWidget(c.AddFile);
  }
  listBox->addWidget(c.List1, 1);
  listBox->addWidget(c.lblListCount);
  c.chkShowGraph = Check(this, "chkShowGraph", "Show Graph");  // laid out above the graphs
  return listBox;
}

// The buttons that act on the list: confirm, cancel, edit, check, run.
QLayout* InstrumentWindow::BuildActionButtons() {
  Controls& c = *c_;
  c.cmdFileListOk = Button(this, "cmdFileListOk", "&File List OK ");
  c.cmdFileListOk->setEnabled(false);
  c.Command5 = Button(this, "Command5", "&Cancel");
  c.cmdEditList = Button(this, "cmdEditList", "&Edit List");
  c.cmdEditList->setEnabled(false);
  c.cmdChkFile = Button(this, "cmdChkFile", "");
  c.cmdChkFile->setText(Q(variant_.checkCaption));
  c.prgChkFile = Progress(this, "prgChkFile");
  c.cmdDoOperation = Button(this, "cmdDoOperation", "Do &Operation");
  c.cmdDoOperation->setEnabled(false);
  c.prgCalc = Progress(this, "prgCalc");

  auto* buttons = new QGridLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(c.cmdFileListOk, 0, 0);
  buttons->addWidget(c.Command5, 0, 1);
  buttons->addWidget(c.cmdEditList, 0, 2);
  buttons->addWidget(c.cmdChkFile, 1, 0);
  buttons->addWidget(c.prgChkFile, 1, 1, 1, 2);
  buttons->addWidget(c.cmdDoOperation, 2, 0);
  buttons->addWidget(c.prgCalc, 2, 1, 1, 2);
  return buttons;
}

QBoxLayout* InstrumentWindow::BuildOutputModes() {
  Controls& c = *c_;
  const bool reduced = !variant_.readsPanel;  // the files hold the reflectance itself
  const WindowTraits& traits = variant_.window;
  // Output modes.
  const DrawnFrame output = MakeDrawnFrame(this, QStringLiteral("Output mode:"), "frmOutput");
  c.frmOutput = output.frame;
  c.chkReflect = Check(output.panel, "chkReflect", "Reflectance");
  c.chkReflect->setChecked(true);
  std::vector<QCheckBox*> shown{c.chkReflect};
  if (variant_.Offers(OutputMode::Absorbance) || reduced) {
    c.chkAbsorb = Check(output.panel, "chkAbsorb", "Absorbance");
    shown.push_back(c.chkAbsorb);
  }
  if (traits.rawBoxes) {
    c.chkTarget = Check(output.panel, "chkTarget", "Raw Target Data");
    c.chkRefer = Check(output.panel, "chkRefer", "Raw Refer. Data");
    shown.push_back(c.chkTarget);
    shown.push_back(c.chkRefer);
  }
  if (reduced) {  // the files are already reflectance
    c.chkAbsorb->setVisible(false);
    c.chkTarget->setVisible(false);
    c.chkRefer->setVisible(false);
    shown = {c.chkReflect};
  }
  // The outputs after the tables, written after them.
  c.chkLongTable = Check(output.panel, "chkLongTable", "Long table (CSV)");
  c.chkLongTable->setToolTip(
      QStringLiteral("One row per scan, quantity and wavelength, with the field key's columns (or the means of "
                     "its groups, with \"Average by\"); the reflectance alone when no table is ticked."));
  c.chkEnvi = Check(output.panel, "chkEnvi", "ENVI library");
  shown.push_back(c.chkLongTable);
  shown.push_back(c.chkEnvi);
  // Two boxes a row, the hidden ones left out, so the frame stays low.
  auto* outputGrid = new QGridLayout(output.panel);
  outputGrid->setContentsMargins(0, 0, 0, 0);
  for (std::size_t i = 0; i < shown.size(); ++i)
    outputGrid->addWidget(shown[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
  c.chkReport = Check(this, "chkReport", "Save quality report");
  c.chkReport->setToolTip(
      QStringLiteral("After the tables, save one row per scan: its header facts and what the checks of real field "
                     "scans found (saturation, dark scans, wavelength mismatch, status channels, shared labels)"));

  auto* outputsBox = new QVBoxLayout;
  outputsBox->addWidget(output.holder);
  outputsBox->addWidget(c.chkReport);
  return outputsBox;
}

// The options some formats have: label source and mixed scans beside the
// outputs; leaf header, indices, transect header, reference correction and
// dark scan among the options; the long table's field key on its own.
void InstrumentWindow::AddFormatOptions(QBoxLayout* outputsBox, QBoxLayout* optionsBox, QBoxLayout* keyPage) {
  Controls& c = *c_;
  const WindowTraits& traits = variant_.window;
  if (variant_.hasLabelChoice) {
    c.frmFileName = new QGroupBox(Q(traits.fileNameCaption), this);
    c.frmFileName->setObjectName(QStringLiteral("frmFileName"));
    c.Option6 = Radio(c.frmFileName, "Option6", "Header Info");
    c.Option7 = Radio(c.frmFileName, "Option7", "Data File Name");
    auto* labelGroup = new QButtonGroup(this);
    labelGroup->addButton(c.Option6);
    labelGroup->addButton(c.Option7);
    (variant_.defaultLabelSource == LabelSource::HeaderInfo ? c.Option6 : c.Option7)->setChecked(true);
    auto* labelBox = new QHBoxLayout(c.frmFileName);
    labelBox->addWidget(c.Option6);
    labelBox->addWidget(c.Option7);
    outputsBox->addWidget(c.frmFileName);
  }
  if (variant_.hasLeafHeader) {
    c.Check1 = Check(this, "Check1", "");
    c.Label2 = Label(this, "Label2", "Insert Leaf Header?");
    auto* leafRow = new QHBoxLayout;
    leafRow->addWidget(c.Check1);
    leafRow->addWidget(c.Label2, 1);
    optionsBox->addLayout(leafRow);
  }
  if (traits.indicesButton) {
    c.ComIndices = Button(this, "ComIndices", "Input Indices");
    optionsBox->addWidget(c.ComIndices);
  }
  if (traits.transectHeaderBox) {
    c.chkaircraft = Check(this, "chkaircraft", "Input Transect Header?");
    optionsBox->addWidget(c.chkaircraft);
  }
  if (traits.referenceControls) {
    c.ComRef = Button(this, "ComRef", "Select Reference files");
    c.Frame1 = new QGroupBox(QStringLiteral("Correct reflectance?"), this);
    c.Frame1->setObjectName(QStringLiteral("Frame1"));
    c.ChkCorrect = Check(c.Frame1, "ChkCorrect", "Corrected rfl");
    c.ChkNDVI = Check(c.Frame1, "ChkNDVI", "Apply reference");
    auto* correctBox = new QVBoxLayout(c.Frame1);
    correctBox->addWidget(c.ChkCorrect);
    correctBox->addWidget(c.ChkNDVI);
    optionsBox->addWidget(c.ComRef);
    optionsBox->addWidget(c.Frame1);
  }
  if (variant_.checksCalibration) {
    c.cmdDarkScan = Button(this, "cmdDarkScan", "Dark scan...");
    c.cmdDarkScan->setToolTip(QStringLiteral(
        "Choose a dark scan of the same integration time to subtract from every scan and reference scan; cancel "
        "the file dialog to use none"));
    c.lblDarkScan = new ElidedLabel(this, Qt::ElideMiddle);  // a long file name stays on the page
    c.lblDarkScan->setObjectName(QStringLiteral("lblDarkScan"));
    c.lblDarkScan->setText(QStringLiteral("No dark scan"));
    auto* darkRow = new QHBoxLayout;
    darkRow->addWidget(c.cmdDarkScan);
    darkRow->addWidget(c.lblDarkScan, 1);
    optionsBox->addLayout(darkRow);
  }
  // The field key of the long table.
  c.frmFieldKey = new QGroupBox(QStringLiteral("Field key:"), this);
  c.frmFieldKey->setObjectName(QStringLiteral("frmFieldKey"));
  c.cmdFieldKey = Button(c.frmFieldKey, "cmdFieldKey", "Field key...");
  c.cmdNoFieldKey = Button(c.frmFieldKey, "cmdNoFieldKey", "No key");
  // One line, so a long key name or reason never pushes the page past a
  // small screen; the whole text is its tooltip.
  c.lblFieldKey = new ElidedLabel(c.frmFieldKey);
  c.lblFieldKey->setObjectName(QStringLiteral("lblFieldKey"));
  c.lblFieldKey->setText(QStringLiteral("(none)"));
  c.lblAverageBy = Label(c.frmFieldKey, "lblAverageBy", "Average by:");
  c.lstAverageBy = new QListWidget(c.frmFieldKey);
  c.lstAverageBy->setObjectName(QStringLiteral("lstAverageBy"));
  c.lstAverageBy->setToolTip(
      QStringLiteral("Ticked columns: the long table holds the mean, sd and counts of each group of scans sharing "
                     "their values, instead of every scan's rows."));
  c.lstAverageBy->setMaximumHeight(110);
  auto* keyButtons = new QHBoxLayout;
  keyButtons->addWidget(c.cmdFieldKey);
  keyButtons->addWidget(c.cmdNoFieldKey);
  auto* keyBox = new QVBoxLayout(c.frmFieldKey);
  keyBox->addLayout(keyButtons);
  keyBox->addWidget(c.lblFieldKey);
  keyBox->addWidget(c.lblAverageBy);
  keyBox->addWidget(c.lstAverageBy);
  keyPage->addWidget(c.frmFieldKey);
  ShowFieldKey();
  if (traits.mixedBox) {
    c.Check3 = Check(this, "Check3", "Mixed");
    c.Check3->setEnabled(false);
    outputsBox->addWidget(c.Check3);
  }
}

// The wavelengths page: their source, interpolation and the grid.
QBoxLayout* InstrumentWindow::BuildWavelengths() {
  Controls& c = *c_;
  // Wavelength source.
  const DrawnFrame spectral = MakeDrawnFrame(this, QStringLiteral("Spectral Band :"), "frmSpectral");
  c.frmSpectral = spectral.frame;
  c.frmSpectral->setEnabled(false);
  c.Option1 = Radio(spectral.panel, "Option1", "From File");
  c.Option2 = Radio(spectral.panel, "Option2", "External File");
  c.Option3 = Radio(spectral.panel, "Option3", "Use Equation");
  c.Command3 = Button(spectral.panel, "Command3", "-->");
  c.Command4 = Button(spectral.panel, "Command4", "-->");
  auto* waveGroup = new QButtonGroup(this);
  waveGroup->addButton(c.Option1);
  waveGroup->addButton(c.Option2);
  waveGroup->addButton(c.Option3);
  switch (variant_.defaultWaveSource) {
    case WaveSource::FromFile: c.Option1->setChecked(true); break;
    case WaveSource::ExternalFile: c.Option2->setChecked(true); break;
    case WaveSource::Equation: c.Option3->setChecked(true); break;
  }
  for (QWidget* w :
       {static_cast<QWidget*>(c.Option1), static_cast<QWidget*>(c.Option2), static_cast<QWidget*>(c.Option3),
        static_cast<QWidget*>(c.Command3), static_cast<QWidget*>(c.Command4)})
    w->setEnabled(false);
  auto* spectralGrid = new QGridLayout(spectral.panel);
  spectralGrid->setContentsMargins(0, 0, 0, 0);
  spectralGrid->addWidget(c.Option1, 0, 0);
  spectralGrid->addWidget(c.Option2, 1, 0);
  spectralGrid->addWidget(c.Command3, 1, 1);
  spectralGrid->addWidget(c.Option3, 2, 0);
  spectralGrid->addWidget(c.Command4, 2, 1);

  // Interpolation: the options lie inside their frame and follow it.
  c.frmInterpolate = new QGroupBox(QStringLiteral("Interpolate ?"), this);
  c.frmInterpolate->setObjectName(QStringLiteral("frmInterpolate"));
  c.frmInterpolate->setEnabled(false);
  c.Option4 = Radio(c.frmInterpolate, "Option4", "Yes");
  c.Option5 = Radio(c.frmInterpolate, "Option5", "No");
  auto* interpolateGroup = new QButtonGroup(this);
  interpolateGroup->addButton(c.Option4);
  interpolateGroup->addButton(c.Option5);
  c.Option4->setChecked(true);
  c.Option4->setEnabled(false);
  c.Option5->setEnabled(false);
  auto* interpolateBox = new QVBoxLayout(c.frmInterpolate);
  interpolateBox->addWidget(c.Option4);
  interpolateBox->addWidget(c.Option5);

  // Grid.
  const DrawnFrame wave = MakeDrawnFrame(this, QString(), "frmWave");
  c.frmWave = wave.frame;
  c.lblBegin = Label(wave.panel, "lblBegin", "Begining");
  c.lblEnd = Label(wave.panel, "lblEnd", "Ending");
  c.lblDelta = Label(wave.panel, "lblDelta", "Increment");
  c.txtBeginWave = TextBox(wave.panel, "txtBeginWave", variant_.beginText);
  c.txtEndWave = TextBox(wave.panel, "txtEndWave", variant_.endText);
  c.txtDeltaWave = TextBox(wave.panel, "txtDeltaWave", variant_.stepText);
  // Room for a wavelength such as 1100.25, not a whole line's width each.
  for (QLineEdit* box : {c.txtBeginWave, c.txtEndWave, c.txtDeltaWave})
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000.000")) +
                         box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) * 2 +
                         box->fontMetrics().averageCharWidth() * 2);
  auto* waveGrid = new QGridLayout(wave.panel);
  waveGrid->setContentsMargins(0, 0, 0, 0);
  waveGrid->addWidget(c.lblBegin, 0, 0);
  waveGrid->addWidget(c.txtBeginWave, 1, 0);
  waveGrid->addWidget(c.lblEnd, 0, 1);
  waveGrid->addWidget(c.txtEndWave, 1, 1);
  waveGrid->addWidget(c.lblDelta, 0, 2);
  waveGrid->addWidget(c.txtDeltaWave, 1, 2);
  SetGridEnabled(false);

  // The source above; interpolation beside the grid it opens.
  auto* wavePage = new QVBoxLayout;
  wavePage->addWidget(spectral.holder);
  auto* gridRow = new QHBoxLayout;
  gridRow->addWidget(c.frmInterpolate);
  gridRow->addWidget(wave.holder, 1);
  wavePage->addLayout(gridRow);
  wavePage->addStretch(1);
  return wavePage;
}

QLayout* InstrumentWindow::BuildGraphs() {
  Controls& c = *c_;
  const bool reduced = !variant_.readsPanel;  // the files hold the reflectance itself
  // Graphs, in a row under the lists.
  const PreviewGeometry range = PreviewGeometryOf(variant_);
  c.txtTarget = CaptionBox(this, "txtTarget", "Target Data");
  c.txtPlate = CaptionBox(this, "txtPlate", "Panel Data");
  c.Text1 = CaptionBox(this, "Text1", "Reflectance");
  c.picTarget = new PreviewWidget(range, this);
  c.picTarget->setObjectName(QStringLiteral("picTarget"));
  c.picPlate = new PreviewWidget(range, this);
  c.picPlate->setObjectName(QStringLiteral("picPlate"));
  c.picReflect = new PreviewWidget(range, this);
  c.picReflect->setObjectName(QStringLiteral("picReflect"));
  if (reduced) {  // "No Data" over the target and panel graphs
    c.Text2 = CaptionBox(c.picTarget, "Text2", "No Data");
    c.Text3 = CaptionBox(c.picPlate, "Text3", "No Data");
    for (auto [pic, box] : {std::pair{c.picTarget, c.Text2}, std::pair{c.picPlate, c.Text3}}) {
      auto* over = new QVBoxLayout(pic);
      over->addWidget(box, 0, Qt::AlignCenter);
      box->setVisible(false);
    }
  }
  auto* graphs = new QGridLayout;
  graphs->addWidget(c.txtTarget, 0, 0);
  graphs->addWidget(c.txtPlate, 0, 1);
  graphs->addWidget(c.Text1, 0, 2);
  graphs->addWidget(c.picTarget, 1, 0);
  graphs->addWidget(c.picPlate, 1, 1);
  graphs->addWidget(c.picReflect, 1, 2);
  graphs->setRowStretch(1, 1);
  return graphs;
}

namespace {

// A page of the option tabs holding `box`, its controls at the top.
QWidget* Page(QBoxLayout* box) {
  auto* page = new QWidget;
  box->addStretch(1);
  page->setLayout(box);
  return page;
}

}  // namespace

void InstrumentWindow::BuildControls() {
  Controls& c = *c_;
  QLayout* pickBox = BuildFilePicking();
  QLayout* listBox = BuildFileList();
  // The options in tabs, so the window fits a small or highly scaled screen:
  // the outputs first, the wavelengths once the list is confirmed. The tabs
  // and their pages come before the buttons under them, in the window's Tab
  // order too (a control moved onto a page joins the order there).
  c.tabOptions = new QTabWidget(this);
  c.tabOptions->setObjectName(QStringLiteral("tabOptions"));
  c.tabOptions->setUsesScrollButtons(false);
  QBoxLayout* outputsBox = BuildOutputModes();
  auto* optionsBox = new QVBoxLayout;
  auto* keyBox = new QVBoxLayout;
  AddFormatOptions(outputsBox, optionsBox, keyBox);
  QBoxLayout* waveBox = BuildWavelengths();
  c.tabOptions->addTab(Page(outputsBox), QStringLiteral("O&utputs"));
  // Formats without options get no tab; their empty box was never given a
  // parent, so it is this function's to free.
  if (optionsBox->count() > 0) {
    c.tabOptions->addTab(Page(optionsBox), QStringLiteral("O&ptions"));
  } else {
    delete optionsBox;
  }
  c.tabOptions->addTab(Page(keyBox), QStringLiteral("Field &key"));
  c.wavePage = Page(waveBox);
  c.tabOptions->addTab(c.wavePage, QStringLiteral("&Wavelengths"));
  QLayout* actions = BuildActionButtons();
  QLayout* graphs = BuildGraphs();
  // One line, cut in the middle so the file's name stays in view; the
  // whole path in its tooltip.
  c.lblPreviewFile = new ElidedLabel(this, Qt::ElideMiddle);
  c.lblPreviewFile->setObjectName(QStringLiteral("lblPreviewFile"));
  // One line, cut with "…" when long; the whole text in its tooltip and behind "Details".
  c.lblStatus = new ElidedLabel(this);
  c.lblStatus->setObjectName(QStringLiteral("lblStatus"));
  c.cmdStatusDetails = Button(this, "cmdStatusDetails", "De&tails");
  c.cmdStatusDetails->setToolTip(QStringLiteral("Show the whole status line, to read or copy."));
  c.cmdStatusDetails->setEnabled(false);
  // Why the graphs are empty, on one line: cut in the middle, where the
  // file's path (shown above the graphs) runs, so the reason at its end stays
  // in view; the whole text in its tooltip.
  c.lblPreviewStatus = new ElidedLabel(this, Qt::ElideMiddle);
  c.lblPreviewStatus->setObjectName(QStringLiteral("lblPreviewStatus"));

  c.cmdCancelRun = Button(this, "cmdCancelRun", "Cancel");
  c.cmdCancelRun->setToolTip(QStringLiteral("Stop reading the scans; nothing is written."));
  c.cmdCancelRun->hide();
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(c.lblStatus, 1);
  statusRow->addWidget(c.cmdStatusDetails);
  statusRow->addWidget(c.cmdCancelRun);

  // Files on the left with the graphs under them; what to make of them, and
  // the buttons that do it, on the right, always in view.
  auto* lists = new QHBoxLayout;
  lists->addLayout(pickBox, 5);
  lists->addLayout(listBox, 3);
  auto* previewRow = new QHBoxLayout;
  previewRow->addWidget(c.chkShowGraph);
  previewRow->addWidget(c.lblPreviewFile, 1);
  auto* left = new QVBoxLayout;
  left->addLayout(lists, 1);
  left->addLayout(previewRow);
  left->addLayout(graphs, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(c.tabOptions, 1);
  right->addLayout(actions);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 2);
  top->addLayout(right, 1);

  // Everything scrolls only when the screen is smaller than the window needs.
  auto* content = c.content = new QWidget(this);
  auto* whole = new QVBoxLayout(content);
  whole->addLayout(top, 1);
  whole->addWidget(c.lblPreviewStatus);
  whole->addLayout(statusRow);
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("scrollContent"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
  ListChanged();
  AddToolTips();
}

void InstrumentWindow::AddToolTips() {
  Controls& c = *c_;
  const QString nm = QStringLiteral(" in nanometres (nm). Used when Interpolate is Yes; set after File List OK.");
  c.txtBeginWave->setToolTip(QStringLiteral("First wavelength of the output grid") + nm);
  c.txtEndWave->setToolTip(QStringLiteral("Last wavelength of the output grid") + nm);
  c.txtDeltaWave->setToolTip(QStringLiteral("Step between grid wavelengths") + nm);
  c.Command3->setToolTip(
      QStringLiteral("Choose the file that lists one wavelength per channel. "
                     "Available when External File is chosen."));
  c.Command4->setToolTip(
      QStringLiteral("Enter the coefficients A, B and C of the wavelength equation. "
                     "Available when Use Equation is chosen."));
  c.cmdFileListOk->setToolTip(
      QStringLiteral("Freeze the file list and the outputs, then choose the wavelengths. "
                     "Available once a file is listed."));
  c.cmdChkFile->setToolTip(
      QStringLiteral("Check every listed file for damaged lines and write what is found to "
                     "an error file. Available once a file is listed, before File List OK."));
  c.cmdDoOperation->setToolTip(
      QStringLiteral("Convert the listed files and save the chosen outputs. "
                     "Available after File List OK and a wavelength choice."));
  c.cmdEditList->setToolTip(
      QStringLiteral("Back to the file list, keeping it, to add, remove or mend files. "
                     "Available after File List OK."));
  c.Command5->setToolTip(QStringLiteral("Empty the file list and close this window."));
  c.chkReflect->setToolTip(QStringLiteral("Write a reflectance table: target / panel, one column per scan."));
  if (c.chkAbsorb) c.chkAbsorb->setToolTip(QStringLiteral("Write an absorbance table: log10(panel / target)."));
  if (c.chkTarget) c.chkTarget->setToolTip(QStringLiteral("Write the raw target readings, one column per scan."));
  if (c.chkRefer)
    c.chkRefer->setToolTip(QStringLiteral("Write the raw panel (reference) readings, one column per scan."));
  c.frmOutput->setToolTip(QStringLiteral("The tables to write; each is asked for by name in a save dialog."));
  c.chkEnvi->setToolTip(
      QStringLiteral("Also write the reflectance as an ENVI spectral library (FILE.sli and its header FILE.hdr), "
                     "asked for after the other outputs."));
  c.chkShowGraph->setToolTip(QStringLiteral("Show the listed file under the cursor as graphs against channel number."));
  c.File1->setToolTip(
      QStringLiteral("A click lists one file. Select several with Shift or Ctrl and press Enter "
                     "(or double-click) to list them all."));
}

void InstrumentWindow::ConnectEvents() {
  Controls& c = *c_;
  connect(c.browser, &FolderBrowser::filesChosen, this, &InstrumentWindow::OnFilesChosen);
  connect(c.List1, &QListWidget::currentRowChanged, this, [this] { OnListClicked(); });
  connect(c.cmdEditList, &QPushButton::clicked, this, &InstrumentWindow::OnEditList);
  connect(c.cboCombo, &QComboBox::activated, this, [this] { c_->browser->SetPattern(Q(variant_.filePattern)); });
  connect(c.browser, &FolderBrowser::fileClicked, this, &InstrumentWindow::OnFileClicked);
  connect(c.List1, &QListWidget::itemClicked, this, &InstrumentWindow::OnListClicked);
  connect(c.List1, &QListWidget::itemDoubleClicked, this, &InstrumentWindow::OnListDoubleClicked);
  connect(c.cmdFileListOk, &QPushButton::clicked, this, &InstrumentWindow::OnFileListOk);
  connect(c.Command5, &QPushButton::clicked, this, &InstrumentWindow::reject);
  connect(c.cmdChkFile, &QPushButton::clicked, this, &InstrumentWindow::OnCheckFiles);
  connect(c.Option1, &QRadioButton::clicked, this, [this] { OnWaveSourceClicked(1); });
  connect(c.Option2, &QRadioButton::clicked, this, [this] { OnWaveSourceClicked(2); });
  connect(c.Option3, &QRadioButton::clicked, this, [this] { OnWaveSourceClicked(3); });
  connect(c.Option4, &QRadioButton::clicked, this, [this] { OnInterpolateClicked(true); });
  connect(c.Option5, &QRadioButton::clicked, this, [this] { OnInterpolateClicked(false); });
  connect(c.Command3, &QPushButton::clicked, this, [this] { program_.ExternalFile().exec(); });
  if (variant_.window.channelEquations) {
    // The channel equations; OK with six numbers makes the run possible.
    connect(c.Command4, &QPushButton::clicked, this, [this] {
      // "From scans" there fits the scans of this window's list.
      std::vector<std::string> scans;
      for (int i = 0; i < c_->List1->count(); ++i) scans.push_back(c_->List1->item(i)->text().toStdString());
      program_.DcCalibration().SetListedScans(std::move(scans));
      if (program_.DcCalibration().exec() != QDialog::Accepted) return;
      c_->Command4->setEnabled(false);
      c_->cmdDoOperation->setEnabled(true);
    });
  } else {
    connect(c.Command4, &QPushButton::clicked, this, [this] { program_.Equation().exec(); });
  }
  if (c.AddFile) connect(c.AddFile, &QPushButton::clicked, this, &InstrumentWindow::OnAddFiles);
  if (c.cmdDarkScan) connect(c.cmdDarkScan, &QPushButton::clicked, this, &InstrumentWindow::OnDarkScan);
  if (c.ComIndices)
    connect(c.ComIndices, &QPushButton::clicked, this, [this] {
      program_.CalculateReference().OpenIn(c_->browser->CurrentFolder());
      program_.CalculateReference().exec();
    });
  connect(c.cmdDoOperation, &QPushButton::clicked, this, &InstrumentWindow::OnDoOperation);
  connect(c.cmdStatusDetails, &QPushButton::clicked, this, [this] {
    program_.UserDialogs().ShowMessage(
        this, {QStringLiteral("Details"), c_->lblStatus->text(), MessageIcon::Information, MessageButtons::Ok, {}});
  });
  connect(c.cmdFieldKey, &QPushButton::clicked, this, &InstrumentWindow::OnFieldKey);
  connect(c.cmdNoFieldKey, &QPushButton::clicked, this, [this] {
    program_.Settings().fieldKeyFile.clear();
    program_.Settings().averageBy.clear();
    program_.Settings().keyScans.clear();
    program_.Settings().keyName.clear();
    program_.Settings().keyReferenceColumn.clear();
    program_.Settings().keyReferenceBy.clear();
    ShowFieldKey();
  });
  connect(c.lstAverageBy, &QListWidget::itemChanged, this, [this] {
    std::vector<std::string>& by = program_.Settings().averageBy;
    by.clear();
    for (int i = 0; i < c_->lstAverageBy->count(); ++i)
      if (c_->lstAverageBy->item(i)->checkState() == Qt::Checked)
        by.push_back(c_->lstAverageBy->item(i)->text().toStdString());
  });
  if (c.ComRef) {
    connect(c.ComRef, &QPushButton::clicked, this, [this] {
      program_.CalculateReference().PrepareForReferenceChoice();
      program_.CalculateReference().OpenIn(c_->browser->CurrentFolder());
      program_.CalculateReference().exec();
    });
    // "Done" in Calculate Reference, from whichever window opened it: a
    // selection ticks "Corrected rfl". "Select Reference files" stays
    // enabled, so the reference scans can be chosen again until the run.
    CalculateReferenceWindow& form13 = program_.CalculateReference();
    const auto handOver = [this](int referenceScans) {
      if (referenceScans > 0) c_->ChkCorrect->setChecked(true);
    };
    connect(&form13, &CalculateReferenceWindow::selectionHandedOver, this, handOver);
    if (form13.HandedOver()) handOver(static_cast<int>(form13.ReferenceScans().size()));
  }
}

void InstrumentWindow::PrepareForShow() {
  Controls& c = *c_;
  ShowFieldKey();  // another window may have chosen one
  c.prgChkFile->setValue(0);
  c.prgCalc->setValue(0);
  for (QWidget* w :
       {static_cast<QWidget*>(c.cboCombo), static_cast<QWidget*>(c.File1), static_cast<QWidget*>(c.Dir1),
        static_cast<QWidget*>(c.Drive1), static_cast<QWidget*>(c.chkReflect), static_cast<QWidget*>(c.chkShowGraph)})
    w->setEnabled(true);
  const auto apply = [](QWidget* box, OnShow how) {
    if (box && how != OnShow::Keep) box->setEnabled(how == OnShow::Enable);
  };
  apply(c.chkAbsorb, variant_.window.absorbOnShow);
  apply(c.chkTarget, variant_.window.rawOnShow);
  apply(c.chkRefer, variant_.window.rawOnShow);
  c.cmdEditList->setEnabled(false);
  for (QWidget* w :
       {static_cast<QWidget*>(c.cmdDoOperation), static_cast<QWidget*>(c.cmdFileListOk),
        static_cast<QWidget*>(c.cmdChkFile), static_cast<QWidget*>(c.Command3), static_cast<QWidget*>(c.Command4),
        static_cast<QWidget*>(c.txtBeginWave), static_cast<QWidget*>(c.txtEndWave),
        static_cast<QWidget*>(c.txtDeltaWave), static_cast<QWidget*>(c.Option1), static_cast<QWidget*>(c.Option2),
        static_cast<QWidget*>(c.Option3)})
    w->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(c.txtBeginWave), static_cast<QWidget*>(c.txtEndWave),
                     static_cast<QWidget*>(c.txtDeltaWave)})
    apply(w, variant_.window.gridOnShow);
  if (c.chkaircraft) c.chkaircraft->setChecked(false);
  SetStatus({});
  c.lblPreviewStatus->clear();
}

void InstrumentWindow::reject() {
  c_->List1->clear();
  ListChanged();
  FreeOutputBoxes();
  ConfirmList(false);
  SetEnabled(c_->ComRef, true);
  c_->tabOptions->setCurrentIndex(0);  // the next list starts from the outputs
  QDialog::reject();
}

void InstrumentWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool InstrumentWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == c_->List1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
      RemoveCurrentEntry();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void InstrumentWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {  // a run or check is working inside a handler: let it finish
    event->ignore();
    return;
  }
  discarded_ = true;
  QDialog::closeEvent(event);
}

// --- File list -------------------------------------------------------------

void InstrumentWindow::OnFileClicked(const QString& path) {
  Controls& c = *c_;
  if (listConfirmed_) return;
  c.List1->setEnabled(true);
  for (int i = 0; i < c.List1->count(); ++i) {
    if (c.List1->item(i)->text() == path) {
      program_.UserDialogs().ShowMessage(
          this, ErrorBox(QStringLiteral("File already selected!"), path + QStringLiteral(" is in the list already.")));
      return;
    }
  }
  auto* item = new QListWidgetItem(path);
  item->setToolTip(path);
  c.List1->addItem(item);
  CheckList();
  ListChanged();
}

// Several files chosen at once: each listed once, in the file box's order.
// Files listed already are left where they are; the count line says how many.
void InstrumentWindow::OnFilesChosen(const QStringList& paths) {
  Controls& c = *c_;
  if (!c.File1->isEnabled() || listConfirmed_) return;
  c.List1->setEnabled(true);
  QSet<QString> listed;
  for (int i = 0; i < c.List1->count(); ++i) listed.insert(c.List1->item(i)->text());
  qsizetype skipped = 0;
  c.List1->setUpdatesEnabled(false);
  for (const QString& path : paths) {
    if (listed.contains(path)) {
      ++skipped;
      continue;
    }
    listed.insert(path);
    auto* item = new QListWidgetItem(path);
    item->setToolTip(path);
    c.List1->addItem(item);
  }
  c.List1->setUpdatesEnabled(true);
  CheckList();
  ListChanged();
  if (skipped > 0)
    c.lblListCount->setText(c.lblListCount->text() +
                            QStringLiteral(" (%1 listed already, not added again)").arg(Count(skipped)));
}

void InstrumentWindow::UpdateListCount() {
  const int n = c_->List1->count();
  c_->lblListCount->setText(n == 0   ? QStringLiteral("No files listed")
                            : n == 1 ? QStringLiteral("1 file listed")
                                     : QStringLiteral("%1 files listed").arg(Count(n)));
}

void InstrumentWindow::ListChanged() {
  UpdateListCount();
  const int n = c_->List1->count();
  if (n > 0) c_->List1->scrollToItem(c_->List1->item(n - 1));
}

void InstrumentWindow::OnAddFiles() {
  Controls& c = *c_;
  if (listConfirmed_) return;
  for (int i = 0; i < c.File1->count(); ++i) {
    const QString path = c.browser->PathOf(c.File1->item(i)->text());
    if (c.List1->findItems(path, Qt::MatchExactly).isEmpty()) c.List1->addItem(path);  // never twice
  }
  c.List1->setEnabled(true);
  CheckList();
}

void InstrumentWindow::CheckList() {
  const bool any = c_->List1->count() > 0;
  c_->cmdFileListOk->setEnabled(any);
  c_->cmdChkFile->setEnabled(any);
}

void InstrumentWindow::OnListDoubleClicked() { RemoveCurrentEntry(); }

// Removes the highlighted entry; the neighbour that takes its place is
// highlighted and graphed, so the graphs never show a file no longer listed.
void InstrumentWindow::RemoveCurrentEntry() {
  Controls& c = *c_;
  const int row = c.List1->currentRow();
  if (row < 0 || !c.List1->isEnabled() || listConfirmed_) return;
  {
    const QSignalBlocker quiet(c.List1);
    delete c.List1->takeItem(row);
    if (c.List1->count() > 0) c.List1->setCurrentRow(std::min(row, c.List1->count() - 1));
  }
  if (c.List1->count() == 0) c.cmdFileListOk->setEnabled(false);
  UpdateListCount();
  OnListClicked();
}

void InstrumentWindow::OnListClicked() {
  Controls& c = *c_;
  const QListWidgetItem* item = c.List1->currentItem();
  const std::string path = item ? item->text().toStdString() : std::string();
  std::vector<DrawOp> ops;
  // An empty list shows no graph, and no failure to read a file never chosen.
  const PreviewResult shown = DrawPreview(variant_, path, c.chkShowGraph->isChecked() && item != nullptr, ops);
  c.picTarget->SetOps(ops, PreviewArea::Target);
  c.picPlate->SetOps(ops, PreviewArea::Panel);
  c.picReflect->SetOps(ops, PreviewArea::Reflect);
  if (c.Text2) c.Text2->setVisible(shown.showNoDataBoxes);
  if (c.Text3) c.Text3->setVisible(shown.showNoDataBoxes);
  c.lblPreviewFile->setText(item && c.chkShowGraph->isChecked() ? item->text() : QString());
  c.lblPreviewStatus->setText(!shown.problem.empty()
                                  ? QStringLiteral("Cannot show the graphs: ") + QString::fromStdString(shown.problem)
                                  : QString::fromStdString(shown.notice));
}

// --- Configuring -----------------------------------------------------------

bool InstrumentWindow::OutputModeChosen() const {
  if (c_->chkLongTable->isChecked()) return true;
  if (c_->chkEnvi->isChecked()) return true;
  if (!variant_.readsPanel) return c_->chkReflect->isChecked();  // the hidden boxes do not count
  for (OutputMode m : kAllModes) {
    const QCheckBox* box = c_->ModeBox(m);
    if (variant_.Offers(m) && box && box->isChecked()) return true;
  }
  return false;
}

void InstrumentWindow::OnFileListOk() {
  Controls& c = *c_;
  if (!OutputModeChosen()) {
    program_.UserDialogs().ShowMessage(this, ErrorBox(Q(variant_.outputModeMessage)));
    return;
  }
  const bool keepAbsorbAndCheck = variant_.window.listOkKeepsAbsorbAndCheck;
  c.frmSpectral->setEnabled(true);
  if (variant_.window.channelEquations) {  // only the channel equations
    c.Option3->setEnabled(true);
    c.Command4->setEnabled(true);
  } else {
    if (variant_.WavesFromFileOffered()) c.Option1->setEnabled(true);
    c.Option2->setEnabled(true);
    c.Option3->setEnabled(true);
  }
  SetGridEnabled(true);
  for (QWidget* w :
       {static_cast<QWidget*>(c.List1), static_cast<QWidget*>(c.Dir1), static_cast<QWidget*>(c.Drive1),
        static_cast<QWidget*>(c.File1), static_cast<QWidget*>(c.cboCombo), static_cast<QWidget*>(c.frmOutput),
        static_cast<QWidget*>(c.chkReflect), static_cast<QWidget*>(c.chkEnvi)})
    w->setEnabled(false);
  if (!keepAbsorbAndCheck) SetEnabled(c.chkAbsorb, false);
  SetEnabled(c.chkTarget, false);
  SetEnabled(c.chkRefer, false);
  if (!keepAbsorbAndCheck) c.cmdChkFile->setEnabled(false);
  c.cmdFileListOk->setEnabled(false);
  c.chkShowGraph->setEnabled(false);
  c.frmInterpolate->setEnabled(true);
  c.Option4->setEnabled(true);
  c.Option5->setEnabled(true);
  c.cmdDoOperation->setEnabled(true);
  c.cmdEditList->setEnabled(true);
  if (variant_.defaultWaveSource == WaveSource::ExternalFile) c.Command3->setEnabled(true);
  ConfirmList(true);
  c.tabOptions->setCurrentWidget(c.wavePage);  // the next step
  SetStatus({});                               // "Editing the list..." is over
}

void InstrumentWindow::SetGridEnabled(bool enabled) {
  Controls& c = *c_;
  for (QWidget* w :
       {static_cast<QWidget*>(c.txtBeginWave), static_cast<QWidget*>(c.txtEndWave),
        static_cast<QWidget*>(c.txtDeltaWave), static_cast<QWidget*>(c.lblBegin), static_cast<QWidget*>(c.lblEnd),
        static_cast<QWidget*>(c.lblDelta), static_cast<QWidget*>(c.frmWave)})
    w->setEnabled(enabled);
}

void InstrumentWindow::OnWaveSourceClicked(int option) {
  Controls& c = *c_;
  c.Command3->setEnabled(option == 2);
  c.Command4->setEnabled(option == 3);
  c.cmdDoOperation->setEnabled(true);
  if (option == 1) {
    if (c.Option4->isChecked()) SetGridEnabled(true);
  } else if (c.Option5->isChecked()) {
    SetGridEnabled(false);
  }
}

void InstrumentWindow::OnInterpolateClicked(bool interpolate) { SetGridEnabled(interpolate); }

void InstrumentWindow::OnEditList() {
  if (busy_) return;
  Controls& c = *c_;
  c.prgCalc->setValue(0);
  for (QWidget* w :
       {static_cast<QWidget*>(c.cboCombo), static_cast<QWidget*>(c.File1), static_cast<QWidget*>(c.Dir1),
        static_cast<QWidget*>(c.Drive1), static_cast<QWidget*>(c.frmOutput), static_cast<QWidget*>(c.chkReflect),
        static_cast<QWidget*>(c.chkEnvi), static_cast<QWidget*>(c.chkShowGraph)})
    w->setEnabled(true);
  FreeOutputBoxes();
  ConfirmList(false);
  if (c.tabOptions->currentWidget() == c.wavePage) c.tabOptions->setCurrentIndex(0);  // the outputs are free again
  c.List1->setEnabled(c.List1->count() > 0);
  CheckList();
  for (QWidget* w :
       {static_cast<QWidget*>(c.frmSpectral), static_cast<QWidget*>(c.Option1), static_cast<QWidget*>(c.Option2),
        static_cast<QWidget*>(c.Option3), static_cast<QWidget*>(c.Command3), static_cast<QWidget*>(c.Command4),
        static_cast<QWidget*>(c.cmdDoOperation), static_cast<QWidget*>(c.cmdEditList)})
    w->setEnabled(false);
  SetGridEnabled(false);
  SetStatus(QStringLiteral("Editing the list: add, remove (Delete) or mend files, then File List OK."));
  c.List1->setFocus();
}

QString InstrumentWindow::ResultsFolder() const {
  const QDir start(program_.StartFolder());
  return start.exists(QStringLiteral("results")) ? start.filePath(QStringLiteral("results")) : start.path();
}

void InstrumentWindow::SetStatus(const QString& text) {
  c_->lblStatus->setText(text);
  c_->cmdStatusDetails->setEnabled(!text.isEmpty());
}

// The output boxes as a user may change them: every box the window offers
// is free (a box kept as it was by File List OK would stay greyed, and
// ticked, until the program restarts); boxes the format never frees stay greyed.
void InstrumentWindow::FreeOutputBoxes() {
  Controls& c = *c_;
  const auto free = [](QWidget* box, OnShow how) {
    if (box) box->setEnabled(how != OnShow::Disable);
  };
  free(c.chkAbsorb, variant_.window.absorbOnShow);
  free(c.chkTarget, variant_.window.rawOnShow);
  free(c.chkRefer, variant_.window.rawOnShow);
}

// A confirmed list takes no change: no file is added or removed until Edit List.
void InstrumentWindow::ConfirmList(bool confirmed) {
  listConfirmed_ = confirmed;
  SetEnabled(c_->AddFile, !confirmed);
}

// "Field key...": a key that reads and names its scans becomes the program's
// key; its columns are offered to average by.
void InstrumentWindow::OnFieldKey() {
  const QString path = program_.UserDialogs().AskOpenPath(this, QStringLiteral("Field key"));
  if (path.isEmpty()) return;
  std::vector<std::string> keyScans;
  std::string keyName;
  std::optional<KeyReferenceGuess> reference;
  try {
    const FieldKey key = ReadFieldKey(path.toStdString());
    if (!key.Column("file")) {
      // A key with one row per plot: its scan-number columns and the file
      // names they make, guessed from the listed scans, for the user to confirm.
      std::vector<std::string> listed;
      for (int i = 0; i < c_->List1->count(); ++i) listed.push_back(c_->List1->item(i)->text().toStdString());
      const std::optional<ScanNumberGuess> guess = GuessScanNumbers(key, listed);
      if (!guess) FileColumnNames(key);  // says what is missing
      QStringList columns;
      for (const std::string& col : guess->scanColumns) columns << QString::fromStdString(col);
      const MessageRequest question{
          QStringLiteral("Field key"),
          QStringLiteral("This key names its scans by number. Read the numbers in %1 as the files %2?")
              .arg(columns.join(QStringLiteral(", ")), QString::fromStdString(guess->pattern)),
          MessageIcon::None,
          MessageButtons::YesNo,
          {}};
      if (program_.UserDialogs().ShowMessage(this, question) != MessageAnswer::Yes) return;
      ScanNumberNames(key, guess->scanColumns, guess->pattern);
      keyScans = guess->scanColumns;
      keyName = guess->pattern;
    }
    // White references the key names, for the formats corrected by them.
    if (variant_.window.referenceControls) reference = GuessKeyReference(key, keyScans);
    if (reference) {
      QStringList by;
      for (const std::string& col : reference->by) by << QString::fromStdString(col);
      const MessageRequest question{
          QStringLiteral("Field key"),
          QStringLiteral("Correct each scan of the long table by the mean of the reference scans of rows with %1 "
                         "%2 and the same %3?")
              .arg(QString::fromStdString(reference->column), QString::fromStdString(reference->value),
                   by.join(QStringLiteral(", "))),
          MessageIcon::None,
          MessageButtons::YesNo,
          {}};
      if (program_.UserDialogs().ShowMessage(this, question) != MessageAnswer::Yes) reference.reset();
    }
  } catch (const RunFailure& failure) {
    program_.UserDialogs().ShowMessage(
        this, ErrorBox(QStringLiteral("This file cannot be the field key."), QString::fromStdString(failure.what())));
    return;
  }
  Session& session = program_.Settings();
  session.fieldKeyFile = path.toStdString();
  session.averageBy.clear();
  session.keyScans = std::move(keyScans);
  session.keyName = std::move(keyName);
  session.keyReferenceColumn = reference ? reference->column : std::string();
  session.keyReferenceValue = reference ? reference->value : std::string();
  session.keyReferenceBy = reference ? reference->by : std::vector<std::string>();
  ShowFieldKey();
}

// The session's key, its row count and its columns (ticked as the session
// says); a key that no longer reads is shown as such.
void InstrumentWindow::ShowFieldKey() {
  Controls& c = *c_;
  const Session& session = program_.Settings();
  const QSignalBlocker quiet(c.lstAverageBy);
  c.lstAverageBy->clear();
  c.cmdNoFieldKey->setEnabled(!session.fieldKeyFile.empty());
  if (session.fieldKeyFile.empty()) {
    c.lblFieldKey->setText(QStringLiteral("(none)"));
    c.lstAverageBy->setEnabled(false);
    return;
  }
  const QString name = QFileInfo(QString::fromStdString(session.fieldKeyFile)).fileName();
  try {
    const FieldKey key = ReadFieldKey(session.fieldKeyFile);
    const std::optional<std::size_t> file = key.Column("file");
    QString layout;
    if (!session.keyScans.empty())
      layout = QStringLiteral("; scans by number, files %1").arg(QString::fromStdString(session.keyName));
    if (!session.keyReferenceColumn.empty())
      layout += QStringLiteral("; references %1 %2")
                    .arg(QString::fromStdString(session.keyReferenceColumn),
                         QString::fromStdString(session.keyReferenceValue));
    c.lblFieldKey->setText(QStringLiteral("%1 (%2 rows%3)").arg(name).arg(key.rows.size()).arg(layout));
    for (std::size_t i = 0; i < key.columns.size(); ++i) {
      const auto scanColumn = [&](const std::string& s) { return s == key.columns[i]; };
      if (i == file || std::any_of(session.keyScans.begin(), session.keyScans.end(), scanColumn)) continue;
      auto* item = new QListWidgetItem(QString::fromStdString(key.columns[i]), c.lstAverageBy);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const bool ticked =
          std::find(session.averageBy.begin(), session.averageBy.end(), key.columns[i]) != session.averageBy.end();
      item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    c.lstAverageBy->setEnabled(true);
  } catch (const RunFailure& failure) {
    c.lblFieldKey->setText(name + QStringLiteral(": ") + QString::fromStdString(failure.Why()));
    c.lstAverageBy->setEnabled(false);
  }
}

void InstrumentWindow::EnterFinished() {
  Controls& c = *c_;
  c.cmdDoOperation->setEnabled(false);
  c.Option1->setEnabled(false);
  c.Option2->setEnabled(false);
  c.Option3->setEnabled(false);
}

// --- The run ---------------------------------------------------------------

// The job of a run: this window's controls and the program's session. A
// grid that cannot be built fails before anything is asked; the header
// windows are shown here, before the run starts.
ConversionJob InstrumentWindow::PrepareJob() {
  Controls& c = *c_;
  const Session& session = program_.Settings();
  ConversionJob job;
  job.tables = &program_.Tables();
  RunSettings& s = job.settings;
  s.variant = &variant_;
  for (int i = 0; i < c.List1->count(); ++i) s.files.push_back(c.List1->item(i)->text().toStdString());
  s.grid = {c.txtBeginWave->text().toStdString(), c.txtEndWave->text().toStdString(),
            c.txtDeltaWave->text().toStdString()};
  s.interpolate = c.Option4->isChecked();
  for (OutputMode m : kAllModes) {
    const QCheckBox* box = c.ModeBox(m);
    s.modes[Index(m)] = variant_.Offers(m) && box && box->isChecked();
  }
  s.labelSource = c.Option6 ? (c.Option6->isChecked() ? LabelSource::HeaderInfo : LabelSource::DataFileName)
                            : variant_.defaultLabelSource;
  GridCount(s.grid);
  if (c.Check1 && c.Check1->isChecked()) {
    program_.LeafHeader().Collect();
    job.reflectanceHeader = LeafHeaderBlock(session.leafHeader);
  }
  if (variant_.window.transectHeaderBox && c.chkaircraft->isChecked()) {
    program_.TransectHeader().Collect();
    job.reflectanceHeader = TransectHeaderBlock(session.transectHeader);
  }
  if (variant_.window.channelEquations) {
    program_.DcCalibration();  // loaded, and inst.cof with it, as when first opened
    UseChannelEquations(s, session.channelEquations);
    s.darkScan = session.darkScan;
  } else if (c.Option2->isChecked()) {
    s.waveSource = WaveSource::ExternalFile;
    s.externalFilePath = session.externalWavelengthFile;
  } else if (c.Option3->isChecked()) {
    s.waveSource = WaveSource::Equation;
    s.equation = session.equation;
  } else {
    s.waveSource = WaveSource::FromFile;
  }
  job.correctByScans = c.ChkCorrect && c.ChkCorrect->isChecked();
  job.referenceScans = session.referenceScans;
  job.plottedNames = session.plottedNames;
  job.applyRefFile = c.ChkNDVI && c.ChkNDVI->isChecked();
  job.qualityReport = c.chkReport->isChecked();
  job.longTable = c.chkLongTable->isChecked();
  if (job.longTable && !session.fieldKeyFile.empty()) {
    job.key = ReadFieldKey(session.fieldKeyFile);
    job.averageBy = session.averageBy;
    job.keyScans = session.keyScans;
    job.keyName = session.keyName;
    job.keyReferenceColumn = session.keyReferenceColumn;
    job.keyReferenceValue = session.keyReferenceValue;
    job.keyReferenceBy = session.keyReferenceBy;
  }
  if (c.chkEnvi->isChecked()) job.enviLibrary = EnviQuantity::Reflectance;
  return job;
}

void InstrumentWindow::OnDarkScan() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Dark scan"), c_->browser->CurrentFolder(),
                                                    Q(variant_.fileTypeItem).trimmed());
  SetDarkScan(path);
}

void InstrumentWindow::SetDarkScan(const QString& path) {
  program_.Settings().darkScan = path.toStdString();
  if (c_->lblDarkScan)
    c_->lblDarkScan->setText(path.isEmpty() ? QStringLiteral("No dark scan")
                                            : QStringLiteral("Dark scan: %1").arg(QFileInfo(path).fileName()));
  if (c_->lblDarkScan) c_->lblDarkScan->setToolTip(path);
}

void InstrumentWindow::OnDoOperation() {
  if (busy_) return;
  Controls& c = *c_;
  busy_ = true;
  c.prgCalc->setValue(0);
  SetStatus({});
  DialogOutputSink sink(program_.UserDialogs(), this, variant_, [this](const QString& text) { SetStatus(text); });
  try {
    ConversionJob job = PrepareJob();
    c.cmdDoOperation->setEnabled(false);  // no second run while this one works
    c.cmdEditList->setEnabled(false);
    SetStatus(QStringLiteral("Converting %1 files\u2026").arg(Count(c.List1->count())));
    DialogRefFileAsker asker(program_, this);
    CancelDuringRun cancel(c.cmdCancelRun);
    RunJob(job, sink, asker, [&c, &cancel](std::size_t done, std::size_t total) {
      const bool goOn = Advance(c.prgCalc, cancel, done, total);
      if (done == total) cancel.Done();  // what follows asks and writes
      return goOn;
    });
    EnterFinished();
    c.cmdEditList->setEnabled(true);
    const QString scans = QStringLiteral("(%1 scan%2)")
                              .arg(Count(c.List1->count()), c.List1->count() == 1 ? QString() : QStringLiteral("s"));
    const QString wrote =
        sink.WrittenPaths().isEmpty()
            ? QStringLiteral("Nothing written")
            : QStringLiteral("Wrote %1 %2").arg(FileNames(sink.WrittenPaths(), ResultsFolder()), scans);
    if (!sink.StoppedAt().isEmpty())
      SetStatus(wrote + QStringLiteral("; stopped at \"%1\": no file name chosen.").arg(sink.StoppedAt().trimmed()) +
                sink.Warned());
    else
      SetStatus(wrote + sink.Warned());
  } catch (const RunCancelled&) {
    c.cmdDoOperation->setEnabled(true);
    c.cmdEditList->setEnabled(true);
    c.prgCalc->setValue(0);
    SetStatus(QStringLiteral("Run cancelled: nothing was written."));
  } catch (const std::exception& failure) {
    // The window stays ready for another try with other settings, or, with
    // Edit List, with the failing file removed or mended.
    c.cmdDoOperation->setEnabled(true);
    c.cmdEditList->setEnabled(true);
    c.prgCalc->setValue(0);
    const QString detail = QString::fromStdString(failure.what());
    const QStringList& written = sink.WrittenPaths();
    SetStatus(
        QStringLiteral("Run failed: %1%2%3 Edit List returns to the file list.")
            .arg(detail, detail.endsWith(QLatin1Char('.')) ? QString() : QStringLiteral("."),
                 written.isEmpty()
                     ? QString()
                     : QStringLiteral(" Written before the failure: %1.").arg(FileNames(written, ResultsFolder()))));
    busy_ = false;
    program_.UserDialogs().ShowMessage(this, FailureBox(failure, detail));
    return;
  }
  busy_ = false;
}

// The run's failure box: " Problem in Data File!!!" with the detail below.
// A failure that names no file (the grid, the equations) gives its detail
// first, so the box does not send the user looking for a damaged scan.
MessageRequest InstrumentWindow::FailureBox(const std::exception& failure, const QString& detail) const {
  const auto* run = dynamic_cast<const RunFailure*>(&failure);
  if (run && run->Place().file.empty() && !detail.isEmpty())
    return ErrorBox(detail + QLatin1Char('\n') + Q(kProblemInDataFile));
  return ErrorBox(Q(kProblemInDataFile), detail);
}

// --- The check -------------------------------------------------------------

void InstrumentWindow::OnCheckFiles() {
  if (busy_) return;
  Controls& c = *c_;
  Dialogs& dialogs = program_.UserDialogs();
  const MessageRequest failureBox{
      QStringLiteral("Error"), Q(variant_.checkFailureText), MessageIcon::None, MessageButtons::Ok, {}};
  const QString errorPath = AskSavePathConfirmed(dialogs, this, Q(kSaveErrorFileTitle));
  if (errorPath.isEmpty()) {
    MessageRequest box = failureBox;
    box.detail = QStringLiteral("No error file was named, so no file was checked.");
    SetStatus(QStringLiteral("Check not run: no error file was named."));
    dialogs.ShowMessage(this, box);
    return;
  }
  std::vector<std::string> files;
  for (int i = 0; i < c.List1->count(); ++i) files.push_back(c.List1->item(i)->text().toStdString());
  const LabelSource label = c.Option6 ? (c.Option6->isChecked() ? LabelSource::HeaderInfo : LabelSource::DataFileName)
                                      : variant_.defaultLabelSource;
  busy_ = true;
  c.prgChkFile->setValue(0);
  CancelDuringRun cancel(c.cmdCancelRun);
  try {
    const CheckOutcome outcome = CheckFiles(
        variant_, files, label, errorPath.toStdString(),
        [&c, &cancel](std::size_t done, std::size_t total) { return Advance(c.prgChkFile, cancel, done, total); });
    cancel.Done();
    busy_ = false;
    const QString checked =
        QStringLiteral("Checked %1 file%2: ")
            .arg(Count(static_cast<qsizetype>(files.size())), files.size() == 1 ? QString() : QStringLiteral("s"));
    SetStatus(outcome.Clean() ? checked + QStringLiteral("no damaged lines (error file %1).").arg(errorPath)
                              : checked + QStringLiteral("%1 problem line(s) written to %2.")
                                              .arg(Count(static_cast<qsizetype>(outcome.problemLines)), errorPath));
    if (outcome.Clean())
      dialogs.ShowMessage(this, {QStringLiteral("Message"), Q(kFilesOk), MessageIcon::None, MessageButtons::Ok, {}});
    else
      dialogs.ShowMessage(this, {Q(kErrorsInFilesTitle), Q(kErrorsSaved), MessageIcon::None, MessageButtons::Ok,
                                 QStringLiteral("%1 problem line(s) were written to %2.")
                                     .arg(static_cast<qulonglong>(outcome.problemLines))
                                     .arg(errorPath)});
  } catch (const RunCancelled&) {
    cancel.Done();
    busy_ = false;
    c.prgChkFile->setValue(0);
    SetStatus(QStringLiteral("Check cancelled: no error file was written."));
  } catch (const std::exception& failure) {
    cancel.Done();
    busy_ = false;
    c.prgChkFile->setValue(0);
    MessageRequest box = failureBox;
    box.detail = QString::fromStdString(failure.what());
    SetStatus(QStringLiteral("Check failed: ") + box.detail);
    dialogs.ShowMessage(this, box);
  }
}

}  // namespace corvelane::gui

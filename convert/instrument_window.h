#pragma once
// The conversion window of one instrument format. One class serves all six;
// what differs comes from the format's InstrumentVariant.
#include <QDialog>
#include <exception>

#include "convert/conversion_job.h"
#include "instruments/variant.h"
#include "widgets/dialogs.h"

class QBoxLayout;
class QLayout;

namespace corvelane::gui {

class Program;

class InstrumentWindow final : public QDialog {
  Q_OBJECT
 public:
  InstrumentWindow(Program& program, const InstrumentVariant& variant, QWidget* parent = nullptr);
  ~InstrumentWindow() override;

  const InstrumentVariant& Variant() const noexcept { return variant_; }
  // "Dark scan": the scan subtracted from every scan of this format's runs
  // (the session's); an empty path chooses none.
  void SetDarkScan(const QString& path);

  // What the start-up button does before showing the window: both progress
  // bars to 0 and the enable states of the start-up table.
  void PrepareForShow();

  // True once the user closed the window with its close box: the owner then
  // discards it and the next opening starts from the defaults.
  bool Discarded() const noexcept { return discarded_; }

  // Cancel: clears the file list and hides the window.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape does nothing: a hand-built list is not thrown away by one key.
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Controls;
  void BuildControls();
  QLayout* BuildFilePicking();
  QLayout* BuildFileList();
  QLayout* BuildActionButtons();
  QBoxLayout* BuildOutputModes();
  void AddFormatOptions(QBoxLayout* outputsBox, QBoxLayout* optionsBox, QBoxLayout* keyPage);
  QBoxLayout* BuildWavelengths();
  QLayout* BuildGraphs();
  void ConnectEvents();

  // Event handlers.
  void OnFileClicked(const QString& path);
  void OnAddFiles();
  void OnFilesChosen(const QStringList& paths);
  void OnListDoubleClicked();
  void OnListClicked();
  void OnEditList();
  void OnFileListOk();
  void OnWaveSourceClicked(int option);  // 1, 2 or 3
  void OnInterpolateClicked(bool interpolate);
  void OnDoOperation();
  void OnDarkScan();
  ConversionJob PrepareJob();
  void OnCheckFiles();
  void OnFieldKey();
  void ShowFieldKey();

  void CheckList();
  void ListChanged();  // count, newest entry in view
  void UpdateListCount();
  void AddToolTips();
  void RemoveCurrentEntry();
  void SetStatus(const QString& text);
  // Where the save dialogs start: the start folder's results/, or the start folder.
  QString ResultsFolder() const;
  MessageRequest FailureBox(const std::exception& failure, const QString& detail) const;
  void SetSelectingStates();
  void SetGridEnabled(bool enabled);
  void FreeOutputBoxes();
  void ConfirmList(bool confirmed);
  void EnterFinished();
  bool OutputModeChosen() const;

  Program& program_;
  const InstrumentVariant& variant_;
  Controls* c_ = nullptr;
  bool discarded_ = false;
  bool busy_ = false;           // a run or a check is working
  bool listConfirmed_ = false;  // File List OK was pressed, Edit List not since
};

}  // namespace corvelane::gui

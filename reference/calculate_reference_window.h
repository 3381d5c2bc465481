#pragma once
// "Calculate Reference" (Form13): the user picks UniSpec-DC scans taken over
// the reference panel, looks at them as ratio curves, selects the good ones
// and hands them to the UniSpec-DC window with "Done". One program-wide
// window, hidden rather than destroyed: its lists, selection, range and zoom
// survive until the program ends.
#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

#include "reference/reference_plot.h"

class QTimer;

namespace corvelane::gui {

class Dialogs;
class ReferencePlotWidget;

class CalculateReferenceWindow final : public QDialog {
  Q_OBJECT
 public:
  // "Done" appends the selected scans to `referenceScans` (the reference scan
  // list, in the order handed over); each plot sets `plottedNames`.
  CalculateReferenceWindow(Dialogs& dialogs, std::vector<std::string>& referenceScans, std::string& plottedNames,
                           QWidget* parent = nullptr);
  ~CalculateReferenceWindow() override;

  const std::vector<std::string>& ReferenceScans() const noexcept { return referenceScans_; }
  const std::string& PlottedNames() const noexcept { return plottedNames_; }
  VerticalRange Range() const noexcept { return range_; }
  // True once "Done" has been pressed, until the next PrepareForReferenceChoice:
  // a UniSpec-DC window opened later takes the hand-over from here.
  bool HandedOver() const noexcept { return handedOver_; }
  bool ZoomOn() const noexcept { return zoomOn_; }

  // What the UniSpec-DC window's "Select Reference files" does before showing
  // the window again: the next Done replaces the reference scan list (until
  // then it stays), and the zoom is switched off.
  void PrepareForReferenceChoice();
  // Shows `folder` in the file browser (the folder of the window that opens it).
  void OpenIn(const QString& folder);

  // For tests and scripting: what a click in File1 on `path` does.
  void ChooseFile(const QString& path);

 signals:
  // "Done" was pressed; `referenceScans` entries are in the reference scan list.
  void selectionHandedOver(int referenceScans);

 private:
  struct Controls;
  void Plot();
  void OnZoomFinished(double downY, double upY);
  void OnDone();
  void OnFolderClicked();

  Dialogs& dialogs_;
  Controls* c_;
  VerticalRange range_;
  bool zoomOn_ = false;
  bool handedOver_ = false;
  bool replaceOnDone_ = false;
  std::vector<std::string>& referenceScans_;
  std::string& plottedNames_;
};

}  // namespace corvelane::gui

#pragma once
// "Satellite bands": the shipped sensors with check boxes (bands and centres
// as tooltips) and, beside them, the first listed scan's reflectance with
// each ticked band's response (scaled to the plot) and its band value drawn
// across the band's half-maximum width. The ticked sensors go to the long
// band file of the index run.
#include <QDialog>
#include <string>
#include <vector>

#include "indices/satellite_bands.h"

namespace corvelane::gui {

class SatelliteBandsWindow final : public QDialog {
  Q_OBJECT
 public:
  explicit SatelliteBandsWindow(QWidget* parent = nullptr);
  ~SatelliteBandsWindow() override;

  // The reflectance file whose first scan the picture shows; empty for none.
  // A file that cannot be read is said so in the picture.
  void SetSpectrumFile(const std::string& path);
  // The ticked sensors, in --list order.
  std::vector<const SensorResponse*> Chosen() const;

 signals:
  // OK pressed: true when at least one sensor is ticked.
  void confirmed(bool withSensors);

 private:
  struct Controls;
  void UpdatePicture();

  Controls* c_;
};

}  // namespace corvelane::gui

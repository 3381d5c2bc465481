#include "indices/satellite_bands_window.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "indices/index_values.h"
#include "text/numeric_text.h"
#include "widgets/tick_list_widget.h"

namespace corvelane::gui {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Tooltip(const SensorResponse& sensor) {
  QString tip = Q(sensor.name) + QStringLiteral(": band, centre (nm)");
  for (const ResponseBand& band : sensor.bands)
    tip += QStringLiteral("\n") + Q(band.name) + QStringLiteral("  ") + Q(FixedDecimals(ResponseCentre(band), 2));
  return tip;
}

// The picture: one scan's reflectance, the chosen bands' responses scaled to
// the plot's height, and each computed band value as a segment across the
// band's half-maximum width.
class BandPicture final : public QWidget {
 public:
  explicit BandPicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picBands"));
    setMinimumSize(420, 300);
  }
  void SetSpectrum(std::vector<double> wavelengths, std::vector<double> values, QString note) {
    wavelengths_ = std::move(wavelengths);
    values_ = std::move(values);
    note_ = std::move(note);
    update();
  }
  void SetSensors(std::vector<const SensorResponse*> sensors) {
    sensors_ = std::move(sensors);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF area = QRectF(rect()).adjusted(40, 10, -10, -30);
    p.setPen(Qt::black);
    p.drawRect(area);
    if (wavelengths_.size() < 2) {
      p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, note_);
      return;
    }
    const double x0 = wavelengths_.front(), x1 = wavelengths_.back();
    double top = 0;
    for (const double v : values_)
      if (v != kNoIndexValue && std::isfinite(v)) top = std::max(top, v);
    top = top > 0 ? top * 1.1 : 1;
    const auto at = [&](double nm, double value) {
      return QPointF(area.left() + (nm - x0) / (x1 - x0) * area.width(), area.bottom() - value / top * area.height());
    };
    p.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 20), Qt::AlignLeft, Q(PlainNumber(x0)) + " nm");
    p.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 20), Qt::AlignRight, Q(PlainNumber(x1)) + " nm");
    p.drawText(QRectF(0, area.top(), 38, 20), Qt::AlignRight, Q(FixedDecimals(top, 2)));
    p.setClipRect(area);
    // The responses, each scaled to its peak at the plot's top.
    std::size_t colour = 0;
    const QColor colours[] = {Qt::darkRed, Qt::darkGreen, Qt::darkBlue, Qt::darkMagenta, Qt::darkCyan, Qt::darkYellow};
    for (const SensorResponse* sensor : sensors_) {
      for (const ResponseBand& band : sensor->bands) {
        // Each band keeps one colour for its response and its value.
        QColor c = colours[colour++ % std::size(colours)];
        const double peak = *std::max_element(band.response.begin(), band.response.end());
        if (!(peak > 0) || band.wavelengths.back() < x0 || band.wavelengths.front() > x1) continue;
        c.setAlpha(110);
        QPainterPath path;
        for (std::size_t j = 0; j < band.wavelengths.size(); ++j) {
          const QPointF point = at(band.wavelengths[j], band.response[j] / peak * top);
          j == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        p.setPen(QPen(c, 1));
        p.drawPath(path);
      }
    }
    // The reflectance; a 999 mark breaks the line.
    p.setPen(QPen(Qt::black, 1.5));
    QPainterPath line;
    bool open = false;
    for (std::size_t r = 0; r < wavelengths_.size(); ++r) {
      if (values_[r] == kNoIndexValue || !std::isfinite(values_[r])) {
        open = false;
        continue;
      }
      const QPointF point = at(wavelengths_[r], values_[r]);
      open ? line.lineTo(point) : line.moveTo(point);
      open = true;
    }
    p.drawPath(line);
    // The band values across their half-maximum widths.
    ForEachBand([&](std::size_t ordinal, const ResponseBand& band, double value) {
      p.setPen(QPen(colours[ordinal % std::size(colours)], 3));
      const WavelengthRange half = HalfMaximumRange(band);
      p.drawLine(at(half.low, value), at(half.high, value));
    });
  }

 private:
  // Calls `f` with the ordinal of every band of the chosen sensors that the
  // spectrum gives a value.
  template <class F>
  void ForEachBand(F&& f) const {
    if (wavelengths_.size() < 2) return;
    std::size_t ordinal = 0;
    for (const SensorResponse* sensor : sensors_)
      for (const ResponseBand& band : sensor->bands) {
        ++ordinal;
        const PlacedBand placed = PlaceBand(band, wavelengths_);
        if (!placed.computed) continue;
        double sum = 0;
        bool marked = false;
        for (std::size_t i = 0; i < placed.weights.size(); ++i) {
          const double v = values_[placed.firstRow + i];
          marked = marked || (placed.weights[i] != 0 && v == kNoIndexValue);
          sum += placed.weights[i] * v;
        }
        if (!marked) f(ordinal - 1, band, sum / placed.weightSum);
      }
  }

  std::vector<double> wavelengths_, values_;
  QString note_;
  std::vector<const SensorResponse*> sensors_;
};

}  // namespace

struct SatelliteBandsWindow::Controls {
  TickListWidget* ticks = nullptr;
  BandPicture* picBands = nullptr;
};

SatelliteBandsWindow::SatelliteBandsWindow(QWidget* parent) : QDialog(parent), c_(new Controls) {
  Controls& c = *c_;
  setObjectName(QStringLiteral("frmBands"));
  setWindowTitle(QStringLiteral("Satellite bands"));
  c.ticks = new TickListWidget(QStringLiteral("Tick the sensors whose bands go to the long band file (rest the "
                                              "pointer on one for its bands and centres):"),
                               QStringLiteral("lstSensors"), this);
  std::vector<std::pair<QString, QString>> sensors;
  for (const std::string& name : ShippedSensorNames()) sensors.emplace_back(Q(name), Tooltip(ShippedSensor(name)));
  c.ticks->SetEntries(sensors);
  c.picBands = new BandPicture(this);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(c.ticks, 1);
  layout->addWidget(c.picBands, 2);
  resize(sizeHint().expandedTo(QSize(760, 380)));

  connect(c.ticks->List(), &QListWidget::itemChanged, this, [this] { UpdatePicture(); });
  connect(c.ticks->OkButton(), &QPushButton::clicked, this, [this] {
    emit confirmed(!Chosen().empty());
    accept();
  });
  SetSpectrumFile({});
}

SatelliteBandsWindow::~SatelliteBandsWindow() { delete c_; }

void SatelliteBandsWindow::SetSpectrumFile(const std::string& path) {
  if (path.empty()) {
    c_->picBands->SetSpectrum({}, {}, QStringLiteral("List a reflectance file to see its first scan here."));
    return;
  }
  try {
    const ReflectanceTable table = ReadReflectanceFile(path);
    std::vector<double> values(table.Rows());
    for (std::size_t r = 0; r < table.Rows(); ++r) values[r] = table.rows[r][0];
    c_->picBands->SetSpectrum(table.wavelengths, std::move(values), {});
  } catch (const std::exception& failure) {
    c_->picBands->SetSpectrum({}, {},
                              Q(path) + QStringLiteral(" cannot be shown: ") + QString::fromStdString(failure.what()));
  }
}

std::vector<const SensorResponse*> SatelliteBandsWindow::Chosen() const {
  std::vector<const SensorResponse*> chosen;
  for (const std::size_t row : c_->ticks->TickedRows())
    chosen.push_back(&ShippedSensor(c_->ticks->List()->item(static_cast<int>(row))->text().toStdString()));
  return chosen;
}

void SatelliteBandsWindow::UpdatePicture() { c_->picBands->SetSensors(Chosen()); }

}  // namespace corvelane::gui

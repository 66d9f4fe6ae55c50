#include "ui/progress_frame.h"

#include <cmath>
#include <limits>
#include <string>

#include "ui/confirm_exit.h"

namespace qm {

namespace {

// The nearest integer, halves to even (the default rounding mode), held to
// the 32-bit range so that an outsized fraction cannot overflow.
int32_t RoundHalfEven(double value) {
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  const double rounded = std::nearbyint(value);
  if (!(rounded >= kLowest)) return std::numeric_limits<int32_t>::min();
  if (rounded > kHighest) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(rounded);
}

// done / total as the gauge measures it; nothing measured against no total.
double Fraction(int64_t done, int64_t total) {
  if (total <= 0) return 0.0;
  return static_cast<double>(done) / static_cast<double>(total);
}

GaugeMetrics MetricsOf(Platform& os) {
  GaugeMetrics metrics;
  metrics.cxBorder = os.SystemMetric(SystemMetricId::kCxBorder);
  metrics.cyBorder = os.SystemMetric(SystemMetricId::kCyBorder);
  metrics.cyCaption = os.SystemMetric(SystemMetricId::kCyCaption);
  return metrics;
}

}  // namespace

int32_t GaugePercent(int64_t done, int64_t total) {
  return RoundHalfEven(Fraction(done, total) * 100.0);
}

GaugeGeometry GaugeGeometryFor(const Rect& frame, const Rect& box, const GaugeMetrics& metrics) {
  GaugeGeometry gauge;
  gauge.left = frame.left - box.left - metrics.cxBorder;
  gauge.top = frame.top - box.top - metrics.cyCaption - metrics.cyBorder;
  gauge.right = frame.right - box.left - metrics.cxBorder - 4;
  gauge.bottom = frame.bottom - box.top - metrics.cyCaption - metrics.cyBorder - 4;
  gauge.textX = gauge.left + (gauge.right - gauge.left) / 2 - 10;
  gauge.textY = gauge.top + (gauge.bottom - gauge.top) / 2 - 8;
  gauge.width = gauge.right - gauge.left + 1;
  return gauge;
}

int32_t GaugeBoundary(const GaugeGeometry& gauge, int64_t done, int64_t total) {
  return gauge.left + RoundHalfEven(Fraction(done, total) * gauge.width);
}

std::pair<int32_t, int32_t> CentredPosition(const Rect& box, int32_t screenWidth,
                                            int32_t screenHeight) {
  return {screenWidth / 2 - box.Width() / 2, screenHeight / 2 - box.Height() / 2};
}

void OpenGauge(Setup& setup, DialogHost& dialog) {
  SetupState& state = setup.state;
  const Rect box = dialog.WindowRect();
  state.gauge = GaugeGeometryFor(dialog.ItemWindowRect(kGaugeFrameId), box, MetricsOf(setup.os));
  setup.os.OpenGaugeDrawing(dialog.Window());
  const auto [x, y] = CentredPosition(box, state.screenWidth, state.screenHeight);
  dialog.MoveTo(x, y);
  state.keepGoing = 1;
}

void DrawGauge(Setup& setup, int64_t done, int64_t total) {
  SetupState& state = setup.state;
  const int32_t boundary = GaugeBoundary(state.gauge, done, total);
  state.gaugeLastPercent = state.gaugePercent;
  setup.os.PaintGauge(state.gauge, boundary, std::to_string(state.gaugePercent) + "%");
}

void CloseGauge(Setup& setup) { setup.os.CloseGaugeDrawing(); }

void ProgressDialog::OnInit(DialogHost& dialog) {
  dialog.SetCaption("Please Stand By...");
  OpenGauge(setup_, dialog);
  dialog.FocusItem(kIdCancelButton);
  dialog.PostStartPass();
}

// Only the exit question and keepGoing: this is also reached from within the
// pass's own message pump.
void ProgressDialog::OnCommand(DialogHost&, int command) {
  if (command == kIdCancelButton && ConfirmExit(setup_)) setup_.state.keepGoing = 0;
}

void ProgressDialog::OnDestroy(DialogHost&) { setup_.state.keepGoing = 0; }

bool ProgressDialog::OnStartPass(DialogHost& dialog) {
  RunPass(dialog);
  CloseGauge(setup_);
  dialog.End(setup_.state.keepGoing);
  return true;
}

}  // namespace qm

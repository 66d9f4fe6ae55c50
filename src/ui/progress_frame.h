// What the two progress dialogs share: the handling around their pass, the
// red-and-white gauge with its percentage, and the exit question on Cancel.
// The passes themselves (the volume copy, the unpack) are subclasses.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/dialog_host.h"
#include "setup/setup.h"

namespace qm {

// The frame control inside which the gauge is painted.
constexpr int kGaugeFrameId = 101;

// The system metrics the gauge's rectangle is measured with.
struct GaugeMetrics {
  int32_t cxBorder = 0;   // SM_CXBORDER
  int32_t cyBorder = 0;   // SM_CYBORDER
  int32_t cyCaption = 0;  // SM_CYCAPTION
};

// round(done / total * 100) in floating point, halves to even. 0 when total
// is not positive.
int32_t GaugePercent(int64_t done, int64_t total);

// The bar inside the frame control, from the window rectangles (screen
// coordinates) of the frame and of the dialog. It is measured with the thin
// border and the caption height rather than by mapping the frame into the
// client area, so on a dialog with a modal frame the bar sits a little right
// of and below the frame's corner.
GaugeGeometry GaugeGeometryFor(const Rect& frame, const Rect& box, const GaugeMetrics& metrics);
// Where the red part ends: left + round(done / total * width), halves to
// even; left for nothing done, right + 1 for all of it.
int32_t GaugeBoundary(const GaugeGeometry& gauge, int64_t done, int64_t total);
// The top-left corner that centres a window of the box's size on the screen.
std::pair<int32_t, int32_t> CentredPosition(const Rect& box, int32_t screenWidth,
                                            int32_t screenHeight);

// Prepares the gauge inside control 101 of `dialog`, centres the dialog and
// sets keepGoing to 1.
void OpenGauge(Setup& setup, DialogHost& dialog);
// Paints the bar for done of total with gaugePercent as its text, and records
// gaugePercent in gaugeLastPercent. The caller decides when to paint.
void DrawGauge(Setup& setup, int64_t done, int64_t total);
// Undoes OpenGauge.
void CloseGauge(Setup& setup);

// WM_INITDIALOG: caption "Please Stand By...", OpenGauge, focus on Cancel, the
// start message posted. Cancel (or the close box): the exit question, Yes
// clears keepGoing. WM_DESTROY: keepGoing 0. The start message: the pass,
// then CloseGauge and EndDialog with keepGoing.
class ProgressDialog : public DialogController {
 public:
  explicit ProgressDialog(Setup& setup) : setup_(setup) {}
  void OnInit(DialogHost& dialog) override;
  void OnCommand(DialogHost& dialog, int command) override;
  void OnDestroy(DialogHost& dialog) override;
  bool OnStartPass(DialogHost& dialog) override;

 protected:
  // The pass; it reads keepGoing, pumps with setup.os.PumpMessages() and
  // paints with DrawGauge. It leaves the gauge open and the dialog unended.
  virtual void RunPass(DialogHost& dialog) = 0;

  Setup& setup_;
};

}  // namespace qm

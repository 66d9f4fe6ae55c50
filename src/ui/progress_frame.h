// What the two progress dialogs share: the handling around their pass, the
// red-and-white gauge with its percentage, and the exit question on Cancel.
// The passes themselves (the volume copy, the unpack) are subclasses.
#pragma once

#include <cstdint>

#include "platform/dialog_host.h"
#include "setup/setup.h"

namespace qm {

// round(done / total * 100) in floating point, halves to even.
int32_t GaugePercent(int64_t done, int64_t total);

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

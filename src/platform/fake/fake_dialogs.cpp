// The fake's dialogs: a scripted user who answers a showing outright or runs
// the dialog's controller, typing, ticking and pressing as a person would.
#include "platform/fake/fake_platform.h"
#include "transport/path_helpers.h"

namespace qm {

namespace {

// WM_SYSCOMMAND's SC_CLOSE, which the close box sends before the dialog
// manager turns it into command 2.
constexpr int kCloseBoxCommand = 0xF060;
// Each dialog run gets a window handle of its own, counted from here.
constexpr WindowHandle kFirstDialogWindow = 0x2000;

// Template sizes in dialog units, in SetupDialog order.
struct TemplateSize {
  int32_t x, y, width, height;
};
constexpr TemplateSize kTemplateSizes[] = {
    {6, 19, 223, 100}, {1, 1, 267, 199}, {6, 49, 194, 78},
    {6, 49, 194, 75},  {6, 15, 184, 86}, {3, 1, 175, 151},
};

// "MS Sans Serif" at 8 points and 96 dots per inch: a dialog unit is 6/4
// pixels across and 13/8 pixels down; a modal frame is 3 pixels wide and the
// caption 18 high.
constexpr int32_t kFrame = 3;
constexpr int32_t kCaption = 18;
int32_t PixelsAcross(int32_t units) { return units * 6 / 4; }
int32_t PixelsDown(int32_t units) { return units * 13 / 8; }

// The gauge frame, control 101 of both progress dialogs.
constexpr int kGaugeFrameId = 101;
constexpr TemplateSize kGaugeFrame = {15, 25, 164, 12};

// MAIN's destination edit has ES_UPPERCASE: whether typed or set, its letters
// become capitals.
std::string AsEditHolds(SetupDialog dialog, int id, const std::string& text) {
  return dialog == SetupDialog::kMain && id == 104 ? UpperCase(text) : text;
}

std::string DialogName(SetupDialog dialog) { return DialogTemplateName(dialog); }

}  // namespace

// ---- The user's actions ----

UserAction UserAction::Type(int id, std::string text) {
  UserAction action;
  action.kind = Kind::kType;
  action.id = id;
  action.text = std::move(text);
  return action;
}

UserAction UserAction::Tick(int id, bool checked) {
  UserAction action;
  action.kind = Kind::kTick;
  action.id = id;
  action.checked = checked;
  return action;
}

UserAction UserAction::Press(int id) {
  UserAction action;
  action.id = id;
  return action;
}

UserAction UserAction::PressEscape() { return Press(kIdCancelButton); }

UserAction UserAction::PressCloseBox() {
  UserAction action;
  action.kind = Kind::kCloseBox;
  return action;
}

UserAction UserAction::Step(std::function<void()> step) {
  UserAction action;
  action.kind = Kind::kStep;
  action.step = std::move(step);
  return action;
}

// ---- The open dialog ----

class FakePlatform::OpenDialog : public DialogHost {
 public:
  OpenDialog(FakePlatform& os, size_t record, DialogController& controller)
      : os_(os), record_(record), controller_(controller),
        geometry_(os.Geometry(Record().dialog)) {}

  DialogController& controller() { return controller_; }
  bool ended() const { return ended_; }
  void BeginDestroy() { destroying_ = true; }

  WindowHandle Window() override { return Record().window; }
  void SetCaption(const std::string& text) override { Record().caption = text; }
  void SetItemText(int id, const std::string& text) override {
    Record().itemTexts[id] = AsEditHolds(Record().dialog, id, text);
  }
  std::string ItemText(int id) override {
    const auto& texts = Record().itemTexts;
    const auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second.substr(0, 254);
  }
  bool IsChecked(int id) override {
    const auto& checked = Record().checked;
    const auto it = checked.find(id);
    return it != checked.end() && it->second;
  }
  void CheckItem(int id) override { Record().checked[id] = true; }
  Rect WindowRect() override { return geometry_.window; }
  Rect ItemWindowRect(int id) override {
    const auto it = geometry_.items.find(id);
    return it == geometry_.items.end() ? Rect{} : it->second;
  }
  Rect ClientRect() override { return geometry_.client; }
  void MoveTo(int32_t x, int32_t y) override {
    Record().movedTo = std::make_pair(x, y);
    MoveGeometry(x - geometry_.window.left, y - geometry_.window.top);
  }
  void FocusItem(int id) override { Record().focusedItem = id; }
  void CreateChild(const ChildWindowRequest& request) override {
    Record().children.push_back(request);
  }
  void PostStartPass() override { Record().startPassPosted = true; }
  int ShowOwnedMessage(const std::string& text, const std::string& caption,
                       uint32_t style) override {
    return os_.ShowMessage(Window(), text, caption, style);
  }
  // The modal loop reads the result before it destroys the dialog, so an
  // EndDialog during WM_DESTROY changes nothing.
  void End(int result) override {
    if (destroying_) return;
    Record().result = result;
    ended_ = true;
  }

  DialogRecord& Record() { return os_.dialogRecords_[record_]; }

 private:
  void MoveGeometry(int32_t dx, int32_t dy) {
    auto shift = [&](Rect& r) { r = Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; };
    shift(geometry_.window);
    for (auto& [id, rect] : geometry_.items) shift(rect);
  }

  FakePlatform& os_;
  size_t record_;
  DialogController& controller_;
  DialogGeometry geometry_;  // this showing's own copy: moving it changes no later showing
  bool ended_ = false;
  bool destroying_ = false;
};

// ---- Running a dialog ----

FakePlatform::DialogGeometry& FakePlatform::Geometry(SetupDialog dialog) {
  const auto found = geometry_.find(dialog);
  if (found != geometry_.end()) return found->second;
  const TemplateSize size = kTemplateSizes[static_cast<int>(dialog)];
  DialogGeometry geometry;
  geometry.client = Rect{0, 0, PixelsAcross(size.width), PixelsDown(size.height)};
  const int32_t left = PixelsAcross(size.x), top = PixelsDown(size.y);
  geometry.window = Rect{left, top, left + geometry.client.right + 2 * kFrame,
                         top + geometry.client.bottom + 2 * kFrame + kCaption};
  if (dialog == SetupDialog::kIProgress || dialog == SetupDialog::kProgress) {
    const int32_t x = left + kFrame + PixelsAcross(kGaugeFrame.x);
    const int32_t y = top + kFrame + kCaption + PixelsDown(kGaugeFrame.y);
    geometry.items[kGaugeFrameId] =
        Rect{x, y, x + PixelsAcross(kGaugeFrame.width), y + PixelsDown(kGaugeFrame.height)};
  }
  return geometry_[dialog] = geometry;
}

int FakePlatform::RunController(SetupDialog dialog, DialogController& controller,
                                const std::vector<UserAction>& actions) {
  DialogRecord record;
  record.dialog = dialog;
  record.window = kFirstDialogWindow + dialogRecords_.size();
  dialogRecords_.push_back(record);
  OpenDialog open(*this, dialogRecords_.size() - 1, controller);
  openDialogs_.push_back(&open);
  struct Closing {
    std::vector<OpenDialog*>& open;
    ~Closing() { open.pop_back(); }
  } closing{openDialogs_};

  controller.OnInit(open);
  if (!open.ended() && open.Record().startPassPosted) controller.OnStartPass(open);
  for (size_t i = 0; i < actions.size(); ++i) {
    if (open.ended()) {
      ScriptError(DialogName(dialog) + " ended before the scripted action " +
                  std::to_string(i + 1));
    }
    Perform(open, actions[i]);
  }
  if (!open.ended()) {
    ScriptError(DialogName(dialog) + " is still open after the last scripted action");
  }
  open.BeginDestroy();
  controller.OnDestroy(open);
  return *open.Record().result;
}

void FakePlatform::Perform(OpenDialog& dialog, const UserAction& action) {
  DialogRecord& record = dialog.Record();
  DialogController& controller = dialog.controller();
  switch (action.kind) {
    case UserAction::Kind::kType:
      record.itemTexts[action.id] = AsEditHolds(record.dialog, action.id, action.text);
      controller.OnCommand(dialog, action.id);  // EN_CHANGE
      break;
    case UserAction::Kind::kTick:
      record.checked[action.id] = action.checked;
      controller.OnCommand(dialog, action.id);  // BN_CLICKED
      break;
    case UserAction::Kind::kPress:
      controller.OnCommand(dialog, action.id);
      break;
    case UserAction::Kind::kCloseBox:
      controller.OnCommand(dialog, kCloseBoxCommand);
      if (!dialog.ended()) controller.OnCommand(dialog, kIdCancelButton);
      break;
    case UserAction::Kind::kStep:
      action.step();
      break;
  }
}

// ---- Showing ----

void FakePlatform::AnswerDialog(SetupDialog dialog, int result, std::function<void()> effect) {
  dialogScripts_.push_back({dialog, DialogAnswer{dialog, result, std::move(effect)}, {}});
}

void FakePlatform::RunDialog(SetupDialog dialog, std::vector<UserAction> actions) {
  dialogScripts_.push_back({dialog, std::nullopt, std::move(actions)});
}

void FakePlatform::PressInOpenDialog(int id) {
  if (openDialogs_.empty()) ScriptError("no dialog is open to press a button in");
  Perform(*openDialogs_.back(), UserAction::Press(id));
}

void FakePlatform::SetDialogWindowRect(SetupDialog dialog, Rect window, Rect client) {
  Geometry(dialog).window = window;
  Geometry(dialog).client = client;
}

void FakePlatform::SetItemWindowRect(SetupDialog dialog, int id, Rect rect) {
  Geometry(dialog).items[id] = rect;
}

std::optional<int> FakePlatform::ShowDialog(SetupDialog dialog, WindowHandle,
                                            DialogController& controller) {
  if (missingTemplates_.count(dialog)) return std::nullopt;
  dialogsShown_.push_back(dialog);
  if (dialogScripts_.empty() || dialogScripts_.front().dialog != dialog) {
    ScriptError("no scripted answer for the dialog " + DialogName(dialog));
  }
  DialogScript script = std::move(dialogScripts_.front());
  dialogScripts_.pop_front();
  if (!script.answer) return RunController(dialog, controller, script.actions);
  if (script.answer->effect) script.answer->effect();
  return script.answer->result;
}

}  // namespace qm

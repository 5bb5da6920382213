// The colour schedule entry dialog (layout 3550) over the general
// preferences' working copy of the schedule (164-byte records).
#include <algorithm>
#include <cstdlib>

#include "app/application.h"
#include "app/color_prefs.h"
#include "app/color_schedule.h"
#include "app/schedule_entry.h"
#include "platform/framework/control.h"
#include "platform/framework/edit_field.h"
#include "platform/host/host.h"
#include "platform/resources.h"
#include "platform/textconv.h"
#include "views/controls.h"
#include "views/dialog_box.h"

namespace {

constexpr ResIDT kEntryLayout = 3550;
constexpr PaneIDT kTitle = 3554, kMessage = 3574;
constexpr PaneIDT kEveryDay = 3556, kWeekDay = 3557, kDate = 3558, kWeekPopup = 3559, kMonth = 3560, kDay = 3561;
constexpr PaneIDT kWholeDay = 3563, kTimed = 3564;
constexpr PaneIDT kStartPM = 3565, kStartHour = 3566, kStartMinute = 3567;
constexpr PaneIDT kEndPM = 3568, kEndHour = 3569, kEndMinute = 3570;
constexpr PaneIDT kVariation = 3572, kPaper = 3573, kRepetition = 3575;
constexpr short kPromptList = 200, kPromptItem = 5;

std::int32_t Value(LWindow* w, PaneIDT id) {
  const LPane* p = w->FindPaneByID(id);
  return p ? p->GetValue() : 0;
}
void SetValue(LWindow* w, PaneIDT id, std::int32_t v) {
  if (LPane* p = w->FindPaneByID(id)) p->SetValue(v);
}
std::string Text(LWindow* w, PaneIDT id) {
  const auto* f = dynamic_cast<const LEditField*>(w->FindPaneByID(id));
  return f ? f->GetText() : std::string();
}
void SetText(LWindow* w, PaneIDT id, const std::string& text) {
  if (auto* f = dynamic_cast<LEditField*>(w->FindPaneByID(id))) f->SetText(text);
}
// A typed number; digits beyond what a long holds read as its top.
long Number(LWindow* w, PaneIDT id) {
  const std::string t = Text(w, id);
  char* end = nullptr;
  const long n = std::strtol(t.c_str(), &end, 10);
  return end == t.c_str() ? 0 : n;
}

std::size_t RecordCount(const KxBlock& copy) { return copy.size() / kKxScheduleWorkSize; }

}  // namespace

bool CKXTextApp::ColorScheduleDialog(long n, bool remove, KxBlock& copy) {
  copy.resize(RecordCount(copy) * kKxScheduleWorkSize);   // a cut-off record goes
  const long count = long(RecordCount(copy));
  const bool existing = n >= 1 && n <= count;
  if (remove) {
    if (!existing) return false;
    copy.erase(copy.begin() + long(std::size_t(n - 1) * kKxScheduleWorkSize),
               copy.begin() + long(std::size_t(n) * kKxScheduleWorkSize));
    return true;
  }
  KxScheduleEntry entry = UKXColorSchedule::GetAt(0);   // a new entry of today
  if (existing) KxScheduleFromWork(&copy[std::size_t(n - 1) * kKxScheduleWorkSize], kKxScheduleWorkSize, entry);
  const KxScheduleForm form = KxScheduleToForm(entry);

  KXModalDialog handler(kEntryLayout, this);
  LWindow* w = handler.GetDialog();
  if (auto* d = dynamic_cast<KXDialogBox*>(w)) d->UndoSupport();
  // The variation pop-up names the user's named colour sets.
  if (auto* popup = dynamic_cast<LStdPopupMenu*>(w->FindPaneByID(kVariation))) {
    std::vector<std::string> items = popup->GetItems();
    for (short set = 1; set <= kKxColorPrefSets && std::size_t(9 + set) < items.size(); ++set) {
      std::string name;
      if (UKXColorPreference::GetColorPrefNameAt(set, name) && !name.empty()) items[std::size_t(9 + set)] = name;
    }
    popup->SetItems(items);
  }
  SetText(w, kTitle, form.title);
  SetText(w, kMessage, form.message);
  SetValue(w, form.dayRule == 1 ? kWeekDay : form.dayRule == 2 ? kDate : kEveryDay, 1);
  SetValue(w, kWeekPopup, form.weekday + 1);
  // The date shows from a day value of a real date on.
  if (entry.dayValue >= 101) {
    SetText(w, kMonth, std::to_string(form.month));
    SetText(w, kDay, std::to_string(form.day));
  }
  SetValue(w, form.timed ? kTimed : kWholeDay, 1);
  SetValue(w, kStartPM, form.startPM ? 2 : 1);
  SetText(w, kStartHour, std::to_string(form.startHour));
  SetText(w, kStartMinute, std::to_string(form.startMinute));
  SetValue(w, kEndPM, form.endPM ? 2 : 1);
  SetText(w, kEndHour, std::to_string(form.endHour));
  SetText(w, kEndMinute, std::to_string(form.endMinute));
  SetValue(w, kVariation, form.variation + 1);
  SetValue(w, kRepetition, form.repetition + 1);
  if (auto* b = dynamic_cast<KXColButton*>(w->FindPaneByID(kPaper))) b->SetFillColor(form.paper);
  w->Select();

  Str255 prompt;
  GetIndString(prompt, kPromptList, kPromptItem);
  const std::string title = KxScriptTextToUTF8(std::string(reinterpret_cast<const char*>(prompt + 1), prompt[0]));
  for (;;) {
    const MessageT m = handler.DoDialog();
    if (m == msg_Cancel) return false;
    if (m == msg_OK) break;
    // Touching a part of a choice chooses it.
    if (m == -kWeekPopup) SetValue(w, kWeekDay, 1);
    if (m == -kMonth || m == -kDay) SetValue(w, kDate, 1);
    if (m <= -kStartPM && m >= -kEndMinute) SetValue(w, kTimed, 1);
    if (m == kPaper)
      if (auto* b = dynamic_cast<KXColButton*>(w->FindPaneByID(kPaper))) {
        RGBColor c = b->GetFillColor();
        if (KxCurrentHost().ChooseColour(w->GetHostWindow(), title, c)) b->SetFillColor(c);
      }
  }
  KxScheduleForm out;
  out.title = Text(w, kTitle);
  out.message = Text(w, kMessage);
  out.dayRule = Value(w, kWeekDay) ? 1 : Value(w, kDate) ? 2 : 0;
  out.weekday = Value(w, kWeekPopup) - 1;
  out.month = Number(w, kMonth);
  out.day = Number(w, kDay);
  out.timed = Value(w, kTimed) != 0;
  out.startPM = Value(w, kStartPM) == 2;
  out.startHour = Number(w, kStartHour);
  out.startMinute = Number(w, kStartMinute);
  out.endPM = Value(w, kEndPM) == 2;
  out.endHour = Number(w, kEndHour);
  out.endMinute = Number(w, kEndMinute);
  out.variation = Value(w, kVariation) - 1;
  out.repetition = Value(w, kRepetition) - 1;
  if (auto* b = dynamic_cast<KXColButton*>(w->FindPaneByID(kPaper))) out.paper = b->GetFillColor();
  const KxScheduleEntry result = KxScheduleFromForm(out);
  // Out of its old place, in before the first title that sorts after it.
  if (existing)
    copy.erase(copy.begin() + long(std::size_t(n - 1) * kKxScheduleWorkSize),
               copy.begin() + long(std::size_t(n) * kKxScheduleWorkSize));
  std::size_t at = 0;
  for (; at < RecordCount(copy); ++at) {
    KxScheduleEntry other;
    if (KxScheduleFromWork(&copy[at * kKxScheduleWorkSize], kKxScheduleWorkSize, other) &&
        CompareScheduleTitle(other.title, result.title) > 0)
      break;
  }
  const KxBlock record = KxScheduleToWork(result);
  copy.insert(copy.begin() + long(at * kKxScheduleWorkSize), record.begin(), record.end());
  return true;
}

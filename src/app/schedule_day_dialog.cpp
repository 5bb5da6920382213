// The colour schedule of one day (layout 3600), reached from About: the
// entries that apply to a date, stepped day by day, with new, edit and
// delete over the stored schedule.
#include <algorithm>
#include <cstring>

#include "app/application.h"
#include "app/color_schedule.h"
#include "app/globals.h"
#include "app/schedule_entry.h"
#include "platform/clock.h"
#include "platform/framework/control.h"
#include "platform/framework/list_box.h"
#include "views/dialog_box.h"

namespace {

constexpr ResIDT kDayLayout = 3600;
constexpr PaneIDT kText1 = 3602, kDateText = 3603, kList = 3606, kEdit = 3608, kDelete = 3609, kText2 = 3610;
constexpr MessageT kPrevious = -3604, kNext = -3605, kListChanged = -3606, kNew = -3607, kEditEntry = -3608,
                   kDeleteEntry = -3609, kDoubleClick = -3610, kAbout = -3611;
constexpr long kMaxRows = 250;

void SetPaneText(LWindow* w, PaneIDT id, const std::string& text) {
  LPane* p = w->FindPaneByID(id);
  if (!p) return;
  Str255 s;
  s[0] = std::uint8_t(std::min<std::size_t>(text.size(), 255));
  std::memcpy(s + 1, text.data(), s[0]);
  p->SetDescriptor(s);
}

}  // namespace

int KxDaysInMonth(int year, int month) {
  switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    default: return 31;
  }
}

void KxStepDay(DateTimeRec& date, int delta) {
  date.day = std::int16_t(std::clamp<int>(date.day, 1, KxDaysInMonth(date.year, date.month)));
  date = KxAddSeconds(date, std::int64_t(delta) * 86400);
}

void CKXTextApp::DaysScheduleDialog(const std::string& text1, const std::string& text2) {
  KXModalDialog handler(kDayLayout, this);
  LWindow* w = handler.GetDialog();
  SetPaneText(w, kText1, text1);
  SetPaneText(w, kText2, text2);
  DateTimeRec date;
  GetTime(date);
  std::vector<long> rows;
  const auto show = [&] {
    date.day = std::int16_t(std::clamp<int>(date.day, 1, KxDaysInMonth(date.year, date.month)));
    Str255 text;
    DateString(date, longDate, text);
    SetPaneText(w, kDateText, std::string(reinterpret_cast<const char*>(text + 1), text[0]));
    rows = UKXColorSchedule::FindDateIndex(kMaxRows, date.month, date.day, date.dayOfWeek - 1);
    if (auto* list = dynamic_cast<LListBox*>(w->FindPaneByID(kList))) {
      list->RemoveAllRows();
      for (long n : rows) {
        const KxScheduleEntry e = UKXColorSchedule::GetAt(n);
        list->AddRow(UKXColorSchedule::DaysScheduleString(e.timed ? e.start : 0, e.timed ? e.end : 0, e.title));
      }
    }
  };
  const auto selected = [&]() -> long {
    const auto* list = dynamic_cast<LListBox*>(w->FindPaneByID(kList));
    const std::int32_t row = list ? list->GetValue() : -1;
    return row >= 0 && std::size_t(row) < rows.size() ? rows[std::size_t(row)] : 0;
  };
  const auto buttons = [&] {
    const bool any = selected() != 0;
    for (PaneIDT id : {kEdit, kDelete})
      if (LPane* p = w->FindPaneByID(id)) any ? p->Enable() : p->Disable();
  };
  const auto changed = [&] {
    UKXColorSchedule::SetChanged(true);
    UKXColorSchedule::Rebuild(false);
    gPrefModify = true;
    show();
    buttons();
  };
  show();
  buttons();
  w->Select();
  for (;;) {
    MessageT m = handler.DoDialog();
    if (m == msg_OK || m == msg_Cancel) break;
    if (m == kDoubleClick) m = kEditEntry;
    switch (m) {
      case kPrevious:
      case kNext:
        KxStepDay(date, m == kNext ? 1 : -1);
        show();
        buttons();
        break;
      case kListChanged:
        buttons();
        break;
      case kNew:
      case kEditEntry: {
        const long n = m == kEditEntry ? selected() : 0;
        if (m == kEditEntry && n == 0) break;
        KxBlock copy;
        if (n) copy = KxScheduleToWork(UKXColorSchedule::GetAt(n));
        if (!ColorScheduleDialog(n ? 1 : 0, false, copy)) break;
        KxScheduleEntry e;
        if (!KxScheduleFromWork(copy.data(), copy.size(), e)) break;
        if (n) UKXColorSchedule::DeleteAt(n);
        long at = 1;
        while (at <= UKXColorSchedule::Count() && CompareScheduleTitle(UKXColorSchedule::GetAt(at).title, e.title) <= 0)
          ++at;
        UKXColorSchedule::InsertAt(at, e);
        changed();
        break;
      }
      case kDeleteEntry:
        if (const long n = selected()) {
          UKXColorSchedule::DeleteAt(n);
          changed();
        }
        break;
      case kAbout:
        ShowAboutBox();
        break;
      default:
        break;
    }
  }
}

// kxapp's clock and colour schedule steps, for its step table:
//
//   --clock YYYY-MM-DDTHH:MM[:SS]   (option) the local time starts there and
//                          moves with the virtual ticks (60 a second)
//   clock YYYY-MM-DDTHH:MM[:SS]     the local time becomes that now; the
//                          tick count goes on
//   wait SECONDS           idle turns (each at most the application's own
//                          wait of 12 ticks) until that much time has
//                          passed; a modal dialog opening meanwhile ends the
//                          step, and the next steps run inside its loop
//   background on|off      every window deactivated, as when another
//                          program comes to the front; off activates the
//                          front window again
//   print colours          "variation N paper R G B": the colour variation
//                          in force and the paper colour the document
//                          windows are painted with
#pragma once

#include <cstdio>
#include <string>

#include "app/globals.h"
#include "platform/clock.h"
#include "platform/host/host.h"
#include "views/text_view.h"

namespace kxapp_schedule {

// "YYYY-MM-DDTHH:MM[:SS]"; false when it is not a real date and time.
inline bool ParseClock(const std::string& text, DateTimeRec& out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char tail = 0;
  const int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (n != 5 && n != 6) return false;
  if (n == 5 && text.size() != 16) return false;
  if (n == 6 && text.size() != 19) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (y < 1904 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap) ||
      h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
    return false;
  out = DateTimeRec{std::int16_t(y), std::int16_t(mo), std::int16_t(d), std::int16_t(h), std::int16_t(mi),
                    std::int16_t(s), 0};
  return true;
}

inline void Background(KxHost& host, bool on) {
  if (on) {
    for (KxWindowID w : host.WindowList())
      if (KxWindowClient* c = host.GetWindowClient(w)) c->HostActivate(false);
  } else if (KxWindowClient* c = host.GetWindowClient(host.FrontWindow())) {
    c->HostActivate(true);
  }
}

inline void PrintColours() {
  const RGBColor& p = CKXTextView::GetPaperColor();
  std::printf("variation %d paper %u %u %u\n", int(gPreference2.colorVariation), unsigned(p.red), unsigned(p.green),
              unsigned(p.blue));
}

}  // namespace kxapp_schedule

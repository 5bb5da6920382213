// The program's entry: the editor on the desktop's host, with the files of
// the command line (a missing one opens empty and is saved there).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/globals.h"
#include "layout/draw_toolkit.h"
#include "layout/kxtext_api.h"
#include "macros/facilities.h"
#include "macros/program_hooks.h"
#include "platform/core.h"
#include "platform/files.h"
#include "platform/gtk/gtk_host.h"

namespace {

// Points are measured at 72 to the inch; the desktop draws at its own
// resolution.
constexpr double kPointsPerInch = 72;

// The documents' hooks of the program on the desktop: text is smoothed as
// the preferences say, and a first preference file takes the desktop's own
// choice.
void FollowDesktopLanguage();

class KxDesktopHooks : public KxProgramHooks {
 public:
  explicit KxDesktopHooks(const KxGtkHost& host) : mHost(host) {}
  void ReadPreference() override {
    const bool first = !KxPathExists(PreferencePath());
    KxProgramHooks::ReadPreference();
    if (first) {
      FollowDesktopLanguage();
      gPreference2.quartz = mHost.FontSmoothing() ? 1 : 0;
    }
    CKXQuartzDrawing::sEnableQuartzDrawing = gPreference2.quartz != 0;
    CKXQuartzDrawing::SetMinFontSmoothingSize(gPreference2.smoothingSize);
  }

 private:
  const KxGtkHost& mHost;
};

// The language the desktop prefers ("en" from LANGUAGE=en:ja, or from
// LANG=en_US.UTF-8), empty for none or the C locale.
std::string DesktopLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string all = value;
    const std::string locale = all.substr(0, all.find(':'));
    if (locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) return {};
    return locale.substr(0, locale.find_first_of("_.@"));
  }
  return {};
}

// A first preference file's defaults follow the desktop's language: word
// wrap on an English system, the line-break rules (mode 1) on any other.
// Without a language the program's own (Japanese) stand.
void FollowDesktopLanguage() {
  const std::string language = DesktopLanguage();
  if (language.empty()) return;
  const bool english = language == "en";
  gPreference.wordWrap = english ? 1 : gPreference.wordWrap;
  gPreference.lineBreakMode = english ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  std::string output;
  const int status = KxParseCommandLine(argc, argv, files, output);
  if (status >= 0) {
    std::fputs(output.c_str(), status == 0 ? stdout : stderr);
    return status;
  }
  // The highest area registers its own facilities and those of every area below.
  KxMacrosFacilities();
  CoreInit();
  int result = 0;
  {
    std::string why;
    std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
    if (!host) {
      std::fprintf(stderr, "kxtext: cannot open the display: %s\n", why.c_str());
      result = 1;
    } else {
      // The screen's resolution is a factor on top of every document's own
      // scale (100 % shows points at the desktop's size); drivers keep 72 dpi.
      KXTE_SetScreenScale(short(std::lround(host->FontResolution() * 100 / kPointsPerInch)));
      KxDesktopHooks hooks(*host);
      CKXTextApp app(&hooks);
      app.RunWith(files);
    }
  }
  CoreTerminate();
  return result;
}

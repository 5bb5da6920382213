// The program's entry: the editor on the desktop's host, with the files of
// the command line (a missing one opens empty and is saved there).
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/globals.h"
#include "document/text_doc.h"
#include "layout/draw_toolkit.h"
#include "layout/kxtext_api.h"
#include "macros/facilities.h"
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
class KxDesktopHooks : public KxTextDocHooks {
 public:
  explicit KxDesktopHooks(const KxGtkHost& host) : mHost(host) {}
  void ReadPreference() override {
    const bool first = !KxPathExists(PreferencePath());
    KxTextDocHooks::ReadPreference();
    if (first) gPreference2.quartz = mHost.FontSmoothing() ? 1 : 0;
    CKXQuartzDrawing::sEnableQuartzDrawing = gPreference2.quartz != 0;
    CKXQuartzDrawing::SetMinFontSmoothingSize(gPreference2.smoothingSize);
  }

 private:
  const KxGtkHost& mHost;
};

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

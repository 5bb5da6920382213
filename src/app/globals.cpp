#include "app/globals.h"

#include "engine/keytables.h"
#include "platform/bytefields.h"

#include "app/color_schedule_file.h"
#include "app/prefs_file.h"

#include "layout/fontstate.h"
#include "platform/core.h"
#include "text/base/geometry.h"
#include "text/codes/script.h"

SKXPreference gPreference;
SKXPreference2 gPreference2;
SKXFilePref gFilePref;
std::uint8_t gInlineMode = 1;
long gUntitledNo = 0;
bool gDialogOpen = false;
bool gPrefModify = false;
bool gFileResume = false;
KxBlock gFunckeyHandle;
KxBlock gFontregHandle;
short gFontregCount = 0;
KxBlock gRecentFileHandle;
short gRecentFileCount = 0;
KxBlock gRecentDirHandle;
short gRecentDirCount = 0;
std::array<KxBlock, kKxMaxRecentFolders> gRecentSubHandle;
KxBlock gFindHistHandle;
KxBlock gReplHistHandle;
KxBlock gHeadHistHandle;
KxBlock gFootHistHandle;
KxBlock gMenukeyHandle;
KxBlock gFileResumeHandle;
KxBlock gNameStampHandle;
KxBlock gHelpFInfoHandle;
std::array<std::uint8_t, kKxJWrapCharsStored> gJWrapChars{};
short gJWrapCharSize = 0;
SKXFileToolPref gFileBrowse;
SKXFileToolPref gFileSearch;
SKXStreamEditorPref gStreamEditor;
std::array<KxBlock, kKxFactorySlots> gFactorySettingsData;

namespace {
// Margins of new documents: 12 mm.
constexpr std::int32_t kDefaultMarginTenthsMM = 120;
constexpr std::int16_t kUnitMillimetre = 3;
}  // namespace

void KxFreeGlobalLists() {
  gFontregHandle = {};
  gFontregCount = 0;
  gRecentFileHandle = {};
  gRecentFileCount = 0;
  gRecentDirHandle = {};
  gRecentDirCount = 0;
  for (KxBlock& sub : gRecentSubHandle) sub = {};
  gFindHistHandle = {};
  gReplHistHandle = {};
  gHeadHistHandle = {};
  gFootHistHandle = {};
  gMenukeyHandle = {};
  gFunckeyHandle = {};
  gFileBrowse.list = {};
  gFileSearch.list = {};
  gFileResumeHandle = {};
  gNameStampHandle = {};
  gStreamEditor.scriptBytes = {};
  gStreamEditor.list196 = {};
  gStreamEditor.list192 = {};
  for (KxBlock& slot : gFactorySettingsData) slot = {};
  gHelpFInfoHandle = {};
}

void KxSetGlobalDefaults() {
  SKXPrefSystem sys;
  sys.english = KxIsEnglishOS();
  sys.systemScript = KxGetSysScriptType();
  sys.appFont = KxGetAppFont();
  sys.margin = std::int16_t((KxUnitLToPointsL(kDefaultMarginTenthsMM, kUnitMillimetre) + 5) / 10);
  KxDefaultPreference(gPreference, sys);
  gPreference.tabInterval =
      std::int16_t(KxGetFontWidth(gPreference.font, gPreference.size, gPreference.tabWidth));
  KxDefaultPreference2(gPreference2);
  KxDefaultFilePref(gFilePref);
  gInlineMode = 1;
  gUntitledNo = 0;
  gDialogOpen = false;
  gPrefModify = false;
  gFileResume = false;
  KxFreeGlobalLists();
  gCtrlkeys = gCtrlkeyDef;
  gArrowkeys = gArrowkeyDef;
  gJWrapChars = {};
  gJWrapCharSize = 0;
  gFileBrowse = {};
  gFileSearch = {};
  gStreamEditor = {};
  KxForgetStoredChunks();
  KxSetColorScheduleData(nullptr, 0);
}

void InitializeGlobals() { CoreInit(); }
void TerminateGlobals() { CoreTerminate(); }

namespace {
// The key handling reads the stored block as it is now.
class StoredFunctionKeys : public CKXFunctionKeys {
 public:
  std::int16_t Command(int plane, int key) const override {
    if (gFunckeyHandle.size() != kKxFunckeySize || plane < 0 || plane > 3 || key < 1 || key > 12) return 0;
    return std::int16_t(KxGetU16BE(&gFunckeyHandle[std::size_t(2 * (plane * 12 + key - 1))]));
  }
};
const StoredFunctionKeys gStoredFunctionKeys;
}  // namespace

void KxUseStoredFunctionKeys() { CKXFunctionKeys::Install(&gStoredFunctionKeys); }

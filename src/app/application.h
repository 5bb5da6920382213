// The application object: the top commander of the program. It starts the
// application's facilities in a fixed order, reads the preferences, builds
// the menu bar, and adds the program's own event-loop behaviour to the
// framework's: menu keys with a shifted key falling back to the unshifted
// item, macro recording of menu commands, a delayed menu refresh, the
// colour-schedule poll, memory recovery (the texts drop their undo), the
// open, print and quit events, and forwarding of script requests for text
// to the front document. What lies above this area comes through
// KxAppHooks (application_hooks.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/application_hooks.h"
#include "platform/ae/desc.h"
#include "platform/ae/model_object.h"
#include "platform/clock.h"
#include "platform/framework/application.h"
#include "text/base/memory.h"

// The reusable base: the event wait, the script object "application" and
// the memory layer's recoverer (it installs itself while it lives).
class LEditField;

class CKXApplication : public LApplication, public LModelObject, public KxMemoryRecoverer {
 public:
  CKXApplication();
  ~CKXApplication() override;

  // Asked by the memory layer when an allocation failed: whether memory was
  // freed. The base frees nothing.
  Boolean INeedMemory() override { return false; }

  // The application object when it is one of these, else null.
  static CKXApplication* GetApplication();
  // The short event wait (true) or the normal one.
  static void SetWaitEventSpeed(bool fast);
};

// Every modeless dialog calls this when it opens and closes: while one is
// open the application's commands are disabled and the event wait is short.
void SetDialogOpen(bool open);

class CKXTextApp : public CKXApplication {
 public:
  // `hooks` (not owned) reach the areas above; null: do-nothing hooks.
  explicit CKXTextApp(KxAppHooks* hooks = nullptr);
  ~CKXTextApp() override;

  static CKXTextApp* GetTextApp();
  KxAppHooks& Hooks() { return *mHooks; }

  // Builds the menu bar and initialises (what Run does before its loop).
  void Prepare();
  // Prepare, then the launch: the files given (one open-documents event),
  // or the start-up action (the open-application event).
  void Launch(const std::vector<std::string>& files);
  // The event loop, until quit (or the host has nothing more to give).
  void RunLoop();
  // Launch, then the event loop.
  void RunWith(const std::vector<std::string>& files);

  // ---- commands (app_commands.cpp) ----
  bool ObeyCommand(CommandT command, void* param) override;
  void FindCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark,
                         Str255 name) override;
  void MakeMenuBar() override;
  void RemakeMenuBar();
  void DoPreferences();
  void OpenDocument(const std::string& path);
  void MakeNewDocument();
  void PrintDocument(const std::string& path);
  void ChooseDocument();
  void OpenHelpFile(short index);
  void OpenHelpInformation(short which);
  void ShowAboutBox();
  // About: the day view of the colour schedule, or the About box.
  void AboutCommand();
  // Rebuilds the menus made from the program's state (windows, marks,
  // macros, forms); documents call it when they open, close or change.
  void UpdateDynamicMenus();

  // ---- spelling checker programs (word_services_app.cpp) ----
  // Register Checker (1226): a program chosen by the user, refused with an
  // alert when it gives no banner in time.
  void RegistWordServices();
  // Delete Checker (1227): the modal dialog 3650.
  void DeleteWordServices();
  int CountWordServices() const;
  // Writes the preferences and the checkers' icons ("SICN" 450 + n in the
  // preference file's resource fork).
  void WriteWordServicesPreference();
  // Menu 237: the checkers (commands 1901 up, at most 30) above its fixed
  // items, then a separator.
  void UpdateWordServicesMenu();

  // ---- modeless dialogs (dialog_dispatch.cpp) ----
  // Routes a dialog's message (the negative pane ID of the control) by its
  // range to the dialog that owns it; false when none does. Each dialog's
  // handler lives in that dialog's own file.
  bool DialogObeyCommand(CommandT message, void* param);
  virtual bool PrefDialogCommand(CommandT message, void* param);        // -2099 .. -2001
  virtual bool MacroDialogCommand(CommandT message, void* param);       // -2365 .. -2361
  virtual bool CustomizeDialogCommand(CommandT message, void* param);   // -3019 .. -2901
  virtual bool OptPrefDialogCommand(CommandT message, void* param);     // -3022 .. -3021
  void OpenOptPrefDialog();
  void OpenMacroDialog();
  // The general preferences (layout 2000, pref_dialog.cpp): opens it, or
  // brings it to the front when open.
  void OpenPrefDialog();
  // A margin field's second value (the bottom or right margin when it
  // differs from the first): appended as ", " and the value in tenths of a
  // millimetre; read back as the number after the comma (up to two blanks
  // skipped), 0 when there is none or it equals the first value.
  void PrefSetMarginPatch(LEditField* field, short points);
  static long PrefGetMarginPatch(const LEditField* field);
  // The modal dialogs over the general preferences' working copies
  // (pref_subdialogs.cpp): colour set n, shown under `name`, which OK
  // renames; the line-break characters. True when confirmed.
  bool ColorPrefDialog(short n, std::string& name, KxBlock& colorCopy);
  bool JWrapEditDialog(KxBlock& jwrapCopy);

  // ---- colour schedule (color_schedule_poll.cpp) ----
  // One poll: applies what fires, restores what was in force when it ends.
  void ColorSchedule();
  // The entry dialog (layout 3550) over the general preferences' working
  // copy of the schedule (164-byte records): entry n edited (a new one of
  // today when n is outside the copy), or removed. True when the copy
  // changed.
  bool ColorScheduleDialog(long n, bool remove, KxBlock& scheduleCopy);
  // The entries of one day (layout 3600), from today, with the About box's
  // two texts.
  void DaysScheduleDialog(const std::string& text1, const std::string& text2);
  // The reminder (layout 3580), modal until OK.
  void ReminderDialog(const std::string& timeText, const std::string& message);

  // ---- events ----
  // The required events: open application, open and print documents, quit.
  // Errors are returned, never thrown.
  OSErr HandleAppleEvent(const AppleEvent& event);
  // The start-up action of the preferences (open-application event).
  void StartUp();
  // Closes the documents (asking as `saveOption` says) and quits; false
  // when the user cancelled, which leaves the resume list as it was.
  bool DoQuit(OSType saveOption = kAEAsk);
  bool IsQuitting() const { return mQuitting; }

  // Script objects: documents as elements, text requests to the front
  // document (errAENoSuchObject without one).
  long CountSubModels(DescType kind) override;
  void GetSubModelByPosition(DescType kind, std::int32_t index, LModelToken& outToken) override;
  void GetModelToken(DescType kind, DescType keyForm, const AEDesc& keyData, LModelToken& outToken) override;
  LModelObject* GetInsertionTarget(OSType position) override;

  // The texts drop their undo states; a text inside a command drops its
  // own when the command has returned. True when something was freed now.
  Boolean INeedMemory() override;

  // The delayed menu refresh: asks for one (4 caret-blink periods after the
  // last request) or cancels it.
  static void SetUpdateCommandStatus(bool update);
  void UpdateMenus() override;
  // How many menu refreshes ran (for tests and the driver).
  std::uint32_t MenuRefreshCount() const { return mMenuRefreshes; }

  // The open dialog shows its extras (encoding and format choices). Apart
  // from the converters, which are always on.
  static bool sOpenDialogExtras;
  // The program's own open and save dialogs instead of the desktop's.
  static bool sInvalidNavigationServices;

 protected:
  void Initialize() override;
  void EventKeyDown(const EventRecord& event) override;
  void EventAutoKey(const EventRecord& event) override;
  void EventMenuChoice(std::int16_t menuID, std::int16_t item) override;
  // A contextual click (button 3 or control-click) in the front window is
  // offered to the target's attachments (the contextual menu) first.
  void EventMouseDown(const EventRecord& event) override;
  void UseIdleTime(const EventRecord& event) override;
  // Closed dialogs' windows go once the outermost event is handled.
  void DispatchEvent(const EventRecord& event) override;
  // While the key settings pick commands, the application (app_commands.cpp).
  LCommander* MenuTarget() override;

 private:
  // Runs a command found in the menus: refresh flag, the target, the macro.
  void RunMenuCommand(CommandT command, std::int16_t menuID, std::int16_t item);
  void DoFileResume();
  bool AppCommandStatus(CommandT command, Boolean& enabled, Boolean& usesMark, std::uint16_t& mark);

  KxAppHooks mDefaultHooks;
  KxAppHooks* mHooks;
  bool mQuitting = false;
  bool mHadWindow = false;
  std::uint32_t mMenuRefreshes = 0;
  int mDispatchDepth = 0;
  static bool sUpdateMenus;
  static std::uint32_t sUpdateTime;
};

// The paper colour drawn for a stored one ((0, 0, 0) is white), and the
// stored one given to every text view, the windows refreshed.
RGBColor KxPaintedPaperColor(const RGBColor& stored);
void KxApplyPaperColor();
// While a schedule entry is in force: true, with the user's own variation
// and paper colour. Ending it puts them back into the records (before the
// preference file is written).
bool KxColorScheduleOverride(std::int16_t& variation, RGBColor& paper);
void KxEndColorScheduleOverride();
// The user's own variation and paper colour while a schedule entry is in
// force (the preferences dialog changes them); nothing otherwise.
void KxSetColorScheduleSaved(std::int16_t variation, const RGBColor& paper);

// The days of a month by the Gregorian rule, and a date stepped by days
// (its day first held to its month), the week day following.
int KxDaysInMonth(int year, int month);
void KxStepDay(DateTimeRec& date, int delta);

// The command line of the program: `kxtext [FILE...]`, `--help`,
// `--version`. Answers the exit status when the program should stop at
// once (help, version, bad option), else -1 with `files` set.
int KxParseCommandLine(int argc, const char* const* argv, std::vector<std::string>& files, std::string& output);

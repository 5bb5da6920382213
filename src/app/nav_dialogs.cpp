#include "app/nav_dialogs.h"

#include "views/message_box.h"

#include <algorithm>

#include "platform/ae/required_events.h"
#include "platform/files.h"
#include "platform/framework/application.h"
#include "text/codes/jcode.h"

bool UNavigationServices::sNavigationServices = true;
std::int32_t gNavPopupMenuSelectIndex = 0;

namespace {
KxOpenEventSink& Sink() {
  static KxOpenEventSink sink;
  return sink;
}
std::function<void()>& LoopTurn() {
  static std::function<void()> turn;
  return turn;
}

// The longest name a folder entry can have, in bytes.
constexpr std::size_t kKxMaxNameBytes = 255;

OSType TypeOf(const std::string& path) {
  OSType type = 0, creator = 0;
  KxGetFileTypeCreator(path, type, creator);
  return type;
}

// Shows the dialog and gives the extras their calls.
KxDialogReply RunWithExtras(KxDialogRequest& request, KxNavExtras* extras) {
  if (extras) extras->Start(request);
  KxDialogReply reply = UNavigationServices::Run(request);
  if (extras) {
    if (reply.answer == KxAnswer::kOK) extras->Accept(reply);
    extras->Terminate(reply);
  }
  return reply;
}
}  // namespace

short KxGetOpenCodeType(const AppleEvent& event) {
  if (!event.HasParam(kKxOpenCodeTypeKey)) return kKxCodeAuto;
  try {
    return event.GetParamDesc(kKxOpenCodeTypeKey, typeShortInteger).AsShort();
  } catch (...) {
    return kKxCodeAuto;
  }
}

void UNavigationServices::SetOpenEventSink(KxOpenEventSink sink) { Sink() = std::move(sink); }
void UNavigationServices::SetLoopTurn(std::function<void()> turn) { LoopTurn() = std::move(turn); }

KxDialogReply UNavigationServices::Run(const KxDialogRequest& request) {
  // File choosers and questions keep the palettes out of the way.
  StKXTextToolbarHide hide;
  if (LoopTurn()) return KxRunDialog(request, LoopTurn());
  // The application's own turns: other windows keep working behind a
  // window-modal dialog.
  if (LApplication* app = LApplication::GetApplication())
    return KxRunDialog(request, [app] { app->ProcessNextEvent(); });
  return KxRunDialog(request, nullptr);
}

OSErr UNavigationServices::OpenFileDialog(const std::string& appName, OSType /*creator*/,
                                          const std::vector<OSType>& types, KxNavExtras* extras, FSSpec& outSpec,
                                          OSType& outType, bool single) {
  KxDialogRequest request;
  request.kind = KxDialogKind::kOpen;
  request.title = appName;
  request.multiple = !single;
  if (!types.empty())
    request.filters.push_back({"Readable Documents", [types](const std::string& path) {
                                 return std::find(types.begin(), types.end(), TypeOf(path)) != types.end();
                               }});
  const KxDialogReply reply = RunWithExtras(request, extras);
  if (!request.filters.empty()) gNavPopupMenuSelectIndex = reply.filter;
  return CompleteOpen(reply, outSpec, outType, true, single);
}

OSErr UNavigationServices::CompleteOpen(const KxDialogReply& reply, FSSpec& outSpec, OSType& outType, bool wantFile,
                                        bool forceOne) {
  if (reply.answer != KxAnswer::kOK || reply.paths.empty()) return kKxUserCanceled;
  const std::size_t count = forceOne ? 1 : reply.paths.size();
  if (wantFile && count == 1) {
    outSpec = UFSSpec::MakeFSSpec(reply.paths.front());
    outType = TypeOf(reply.paths.front());
    return noErr;
  }
  // Several files: they open as any other open request does, all with the
  // encoding chosen for them.
  AppleEvent event = AEMakeOpenDocuments(reply.paths);
  if (CKXJCode::sCodeType != kKxCodeAuto)
    event.PutParamDesc(kKxOpenCodeTypeKey, AEDesc::FromShort(CKXJCode::sCodeType));
  if (Sink()) Sink()(event);
  return kKxUserCanceled;
}

OSErr UNavigationServices::SaveFileDialog(KxWindowID window, const std::string& fileName, const std::string& appName,
                                          OSType /*fileType*/, OSType /*creator*/, KxNavExtras* extras,
                                          FSSpec& outSpec, bool& outReplacing, bool& outStationery,
                                          const std::vector<NavMenuItemSpec>& menuItems, std::int32_t* selected) {
  KxDialogRequest request;
  request.kind = KxDialogKind::kSave;
  request.parent = window;
  request.title = appName;
  request.name = fileName;
  for (const NavMenuItemSpec& item : menuItems)
    request.filters.push_back({item.menuItemName, [](const std::string&) { return true; }});
  if (selected && *selected >= 1 && std::size_t(*selected) <= menuItems.size()) request.filter = *selected - 1;
  const KxDialogReply reply = RunWithExtras(request, extras);
  if (reply.answer != KxAnswer::kOK) return kKxUserCanceled;
  if (selected && !menuItems.empty() && reply.filter >= 0 && std::size_t(reply.filter) < menuItems.size())
    *selected = reply.filter + 1;
  return CompleteSave(reply, outSpec, outReplacing, outStationery);
}

OSErr UNavigationServices::CompleteSave(const KxDialogReply& reply, FSSpec& outSpec, bool& outReplacing,
                                        bool& outStationery) {
  if (reply.answer != KxAnswer::kOK || reply.paths.empty()) return kKxUserCanceled;
  const FSSpec fileSpec = UFSSpec::MakeFSSpec(reply.paths.front());
  if (fileSpec.name.empty() || fileSpec.name == "." || fileSpec.name == "..") return kKxBadNameErr;
  if (fileSpec.name.size() > kKxMaxNameBytes) return kKxBadNameErr;
  outSpec = fileSpec;
  outReplacing = reply.replacing;
  outStationery = false;   // no stationery on this desktop
  return noErr;
}

std::int16_t UNavigationServices::AskSaveChanges(KxWindowID window, const std::string& fileName,
                                                 const std::string& appName, bool quitting) {
  KxDialogRequest request;
  request.kind = KxDialogKind::kSaveChanges;
  request.parent = window;
  request.title = appName;
  request.name = fileName;
  request.quitting = quitting;
  switch (Run(request).answer) {
    case KxAnswer::kSave:
    case KxAnswer::kOK: return 1;
    case KxAnswer::kDontSave: return 3;
    default: return 2;   // cancel, and anything else
  }
}

std::int16_t UNavigationServices::AskDiscardChanges(KxWindowID window, const std::string& fileName,
                                                    const std::string& appName) {
  KxDialogRequest request;
  request.kind = KxDialogKind::kDiscardChanges;
  request.parent = window;
  request.title = appName;
  request.name = fileName;
  return Run(request).answer == KxAnswer::kOK ? 1 : 2;
}

OSErr UNavigationServices::DoSelectObject(KxNavExtras* extras, FSSpec& outSpec, OSType& outType,
                                          const std::string& prompt) {
  KxDialogRequest request;
  request.kind = KxDialogKind::kChooseFolder;
  request.title = prompt;
  const KxDialogReply reply = RunWithExtras(request, extras);
  if (reply.answer != KxAnswer::kOK || reply.paths.empty()) return kKxUserCanceled;
  outSpec = UFSSpec::MakeFSSpec(reply.paths.front());
  outType = kKxFolderType;
  return noErr;
}

// The required events: building them and reading their parameters.
#include "platform/ae/required_events.h"

#include "platform/exception.h"

namespace {

AppleEvent MakeFileEvent(AEEventID id, const std::vector<std::string>& paths) {
  AppleEvent event(kCoreEventClass, id);
  AEDesc list = AEDesc::MakeList();
  for (const std::string& path : paths) list.Append(AEDesc(typeFilePath, path.data(), path.size()));
  event.PutParamDesc(keyDirectObject, list);
  return event;
}

std::string PathOf(const AEDesc& item) {
  if (item.GetKind() != AEDesc::Kind::kScalar || (item.GetType() != typeFilePath && item.GetType() != typeChar))
    throw LException(errAECoercionFail);
  auto data = item.GetData();
  std::string path(data.begin(), data.end());
  if (path.empty() || path.find('\0') != std::string::npos) throw LException(errAECoercionFail);
  return path;
}

}  // namespace

AppleEvent AEMakeOpenApplication() { return AppleEvent(kCoreEventClass, kAEOpenApplication); }

AppleEvent AEMakeOpenDocuments(const std::vector<std::string>& paths) {
  return MakeFileEvent(kAEOpenDocuments, paths);
}

AppleEvent AEMakePrintDocuments(const std::vector<std::string>& paths) {
  return MakeFileEvent(kAEPrintDocuments, paths);
}

AppleEvent AEMakeQuit(OSType saveOption) {
  AppleEvent event(kCoreEventClass, kAEQuitApplication);
  if (saveOption != 0) event.PutParamDesc(keyAESaveOptions, AEDesc::FromCode(typeEnumerated, saveOption));
  return event;
}

std::vector<std::string> AEGetFilePaths(const AppleEvent& event) {
  AEDesc direct = event.GetParamDesc(keyDirectObject);
  std::vector<std::string> paths;
  if (!direct.IsList()) {
    paths.push_back(PathOf(direct));
    return paths;
  }
  for (long i = 1; i <= direct.CountItems(); ++i) paths.push_back(PathOf(direct.GetNth(i)));
  return paths;
}

OSType AEGetSaveOption(const AppleEvent& event) {
  if (!event.HasParam(keyAESaveOptions)) return kAEAsk;
  OSType option = event.GetParamDesc(keyAESaveOptions).AsCode();
  if (option != kAEYes && option != kAENo && option != kAEAsk) throw LException(errAECoercionFail);
  return option;
}

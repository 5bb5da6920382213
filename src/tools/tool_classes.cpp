#include "platform/framework/registrar.h"
#include "tools/file_browse.h"
#include "tools/file_search.h"
#include "tools/file_tool.h"
#include "tools/sed_window.h"

namespace {
template <class T>
LPane* Create(const KxLayoutPaneRecord& record) {
  return new T(record);
}
}  // namespace

void KxRegisterToolClasses() {
  URegistrar::RegisterClass(KXFileListBox::kClassID, Create<KXFileListBox>);
  URegistrar::RegisterClass(CKXTextFileBrowse::kClassID, Create<CKXTextFileBrowse>);
  URegistrar::RegisterClass(KXFileResult::kClassID, Create<KXFileResult>);
  URegistrar::RegisterClass(CKXTextFileSearch::kClassID, Create<CKXTextFileSearch>);
  KxRegisterStreamEditorClasses();
}

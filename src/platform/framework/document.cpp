#include "platform/framework/document.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/framework/window.h"
#include "platform/host/host.h"

namespace {
std::vector<LDocument*>& Documents() {
  static std::vector<LDocument*> documents;
  return documents;
}
}  // namespace

LDocument::LDocument(LCommander* super) : LCommander(super) { Documents().push_back(this); }

LDocument::~LDocument() {
  auto& list = Documents();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

const std::vector<LDocument*>& LDocument::GetDocumentList() { return Documents(); }

bool LDocument::AttemptQuitSelf(OSType saveOption) {
  if (IsModified() && saveOption != kKxSaveNo) {
    const std::int16_t answer = saveOption == kKxSaveAsk ? AskSaveChanges(true) : kKxSaveChangesSave;
    if (answer == kKxSaveChangesCancel) return false;
    if (answer == kKxSaveChangesSave) {
      try {
        DoSave();
      } catch (...) {
        return false;
      }
    }
  }
  delete this;
  return true;
}

void LDocument::AttemptClose() {
  if (IsModified()) {
    const std::int16_t answer = AskSaveChanges(false);
    if (answer == kKxSaveChangesCancel) return;
    if (answer == kKxSaveChangesSave) {
      try {
        DoSave();
      } catch (...) {
        return;
      }
    }
  }
  Close();
}

void LDocument::Close() { delete this; }

std::int16_t LDocument::AskSaveChanges(bool /*quitting*/) {
  Str255 title;
  GetDescriptor(title);
  switch (KxCurrentHost().AskSaveChanges(std::string(reinterpret_cast<const char*>(title + 1), title[0]))) {
    case KxAnswer::kSave: return kKxSaveChangesSave;
    case KxAnswer::kDontSave: return kKxSaveChangesDontSave;
    default: return kKxSaveChangesCancel;
  }
}

bool LDocument::AskConfirmRevert() {
  Str255 title;
  GetDescriptor(title);
  const std::string name(reinterpret_cast<const char*>(title + 1), title[0]);
  return KxCurrentHost().Alert(KxAlertKind::kCaution, "\u300C" + name + "\u300Dの変更を破棄しますか？") ==
         KxAnswer::kOK;
}

bool LDocument::AskSaveAs(FSSpec& /*fileSpec*/, bool /*recordIt*/) { return false; }

LSingleDoc::LSingleDoc(LCommander* super) : LDocument(super) {}

LSingleDoc::~LSingleDoc() { delete mWindow; }

void LSingleDoc::GetDescriptor(Str255 out) const {
  if (mWindow)
    mWindow->GetDescriptor(out);
  else
    out[0] = 0;
}

void LSingleDoc::MakeCurrent() {
  if (mWindow) mWindow->Select();
}

bool LSingleDoc::UsesFileSpec(const FSSpec& fileSpec) const {
  return mFile && KxSameFile(mFile->GetFileSpec().Path(), fileSpec.Path());
}

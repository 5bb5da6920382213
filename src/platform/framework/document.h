// Documents: commanders that own a window and, once saved, a file. Every
// live document is in one list, in the order made; closing a document
// deletes it.
//
// The framework decides only the shape: LDocument answers the generic
// questions (modified, specified, close, quit), LSingleDoc holds the one
// window and the one file. Program documents override the saving itself.
#pragma once

#include <memory>
#include <vector>

#include "platform/framework/commander.h"
#include "platform/toolbox/fsspec.h"

class LWindow;

// The save options of a quit ("yes ", "no  ", "ask ").
constexpr OSType kKxSaveYes = FourCC("yes ");
constexpr OSType kKxSaveNo = FourCC("no  ");
constexpr OSType kKxSaveAsk = FourCC("ask ");

// Answers of the save-changes question.
constexpr std::int16_t kKxSaveChangesSave = 1;
constexpr std::int16_t kKxSaveChangesCancel = 2;
constexpr std::int16_t kKxSaveChangesDontSave = 3;

// A document's file: where it is. Reading and writing belong to the document.
class LFile {
 public:
  explicit LFile(const FSSpec& fileSpec) : mSpec(fileSpec) {}
  const FSSpec& GetFileSpec() const { return mSpec; }

 private:
  FSSpec mSpec;
};

class LDocument : public LCommander {
 public:
  explicit LDocument(LCommander* super);
  ~LDocument() override;

  // Live documents, oldest first.
  static const std::vector<LDocument*>& GetDocumentList();

  bool IsModified() const { return mModified; }
  virtual void SetModified(bool modified) { mModified = modified; }
  // Specified: the document has a file it was read from or saved to.
  bool IsSpecified() const { return mSpecified; }
  void SetSpecified(bool specified) { mSpecified = specified; }

  // Writes the document to its file; throws LException on failure, leaving
  // the file as it was and the document modified.
  virtual void DoSave() {}
  // The document's name as windows and questions show it.
  virtual void GetDescriptor(Str255 out) const { out[0] = 0; }
  // Brings the document's window to the front and makes it the target.
  virtual void MakeCurrent() {}

  // Closing asked of the user; false when the document stays.
  virtual bool AttemptQuitSelf(OSType saveOption);
  virtual void AttemptClose();
  // Closes unasked (deletes the document).
  virtual void Close();
  virtual std::int16_t AskSaveChanges(bool quitting);
  virtual bool AskConfirmRevert();
  virtual bool AskSaveAs(FSSpec& fileSpec, bool recordIt);
  virtual OSType GetFileType() const { return FourCC("TEXT"); }

 private:
  bool mModified = false;
  bool mSpecified = false;
};

class LSingleDoc : public LDocument {
 public:
  explicit LSingleDoc(LCommander* super);
  ~LSingleDoc() override;   // deletes the window

  LWindow* GetWindow() const { return mWindow; }
  // The document takes the window (deleting it with itself).
  void SetWindow(LWindow* window) { mWindow = window; }
  LFile* GetFile() const { return mFile.get(); }
  void SetFile(std::unique_ptr<LFile> file) { mFile = std::move(file); }

  void GetDescriptor(Str255 out) const override;
  void MakeCurrent() override;
  // Whether `fileSpec` names this document's file.
  bool UsesFileSpec(const FSSpec& fileSpec) const;

 protected:
  LWindow* mWindow = nullptr;
  std::unique_ptr<LFile> mFile;
};

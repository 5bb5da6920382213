// What the stream editor window's files share: pane IDs, message items
// and the helpers of the window and of its runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "text/base/range.h"
#include "tools/sed_textfile.h"
#include "views/controls.h"

class CKXTextDocument;
class LWindow;
class LControl;

namespace kxsedwin {

enum : PaneIDT {
  kRun = 3901, kOutputGroup = 3903, kSourceGroup = 3911, kScriptList = 3912, kScriptFolderPopup = 3913,
  kScriptFolderList = 3914, kFindField = 3916, kFindHistory = 3917, kReplaceField = 3919,
  kReplaceHistory = 3920, kScriptHistory = 3923, kScriptBox = 3924, kScriptSnippets = 3925,
  kExprSnippets = 3927, kPattern = 3928, kTargetKind = 3931, kTargetList = 3932, kTargetFolderPopup = 3933,
  kTargetFolderList = 3934, kClipView = 3936, kSelectionOnly = 3937, kOutputKind = 3941, kTitle = 3942,
  kSuffix = 3944, kChangedOnly = 3945,
};
// The navigators' keys (parent, open) and the lists' double clicks.
constexpr MessageT kScriptParent = 3950, kScriptOpen = 3951, kTargetParent = 3952, kTargetOpen = 3953,
                   kScriptListOpen = 3954, kTargetListOpen = 3955;
// Panes whose enabling follows the choices.
constexpr PaneIDT kRuledFirst = 3912, kRuledLast = 3945;
// Items of message list 210.
constexpr std::int16_t kEmptyFind = 2, kEmptyScript = 3, kNoScript = 4, kNoTarget = 5, kEmptyClipboard = 6,
                       kReadOnly = 7, kBadName = 8, kFieldPlaceholder = 9, kCannotWrite = 19;
// Where a series stopped ("%s" the target, "%d" its line) and what it had
// already delivered; the clipboard's name in them.
constexpr std::int16_t kStoppedByUser = 36, kStoppedAtLimit = 37, kStoppedAt = 38, kAlreadyWritten = 39,
                       kClipboardName = 40;
// The targets not written for characters their encoding lacks, with counts.
constexpr std::int16_t kUnwritableTargets = 41;
// Item `item` of message list 210 with "%d" as `number` and the first "%s"
// as `arg`.
std::string KxSEDItemText(std::int16_t item, const std::string& arg, long number = 0);
// The stream editor's errors are items code + 10.
constexpr short kErrorBase = 11;
constexpr std::int16_t kScriptSnippetStrings = 212, kExprSnippetStrings = 214;
constexpr char kReturn = 13, kTab = 9;
// Whole texts with every kind of run.
constexpr short kAllRuns = 15;

LControl* Control(LWindow* w, PaneIDT id);
void SetPopupItems(LStdPopupMenu* popup, std::vector<std::string> items);
// Whether the document is still open (a list row may outlive it).
bool StillOpen(CKXTextDocument* doc);
std::string BaseName(const std::string& path);
std::string DirName(const std::string& path);
// The document's text (or its selection) with its marks, for a run;
// `range` is what of the document the copy is.
std::unique_ptr<SKXSedText> CopyOfDocument(CKXTextDocument* doc, bool selectionOnly, SKXRange& range);

}  // namespace kxsedwin

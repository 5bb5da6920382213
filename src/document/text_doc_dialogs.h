// The dialogs of a text document and the routing of their messages.
//
// Every control of a document's dialog sends the negative of its pane ID
// up the commander chain; the document hands the messages -3999..-2001 to
// DialogObeyCommand, which finds the range the message belongs to (tested
// in a fixed order) and the open dialog of the document that holds the
// pane, and gives the message to the handler that dialog was opened with.
//
// A dialog plugs in with one call:
//   doc.OpenDocDialog(2200, &LineDialogMessage);
// and its handler closes it with doc.CloseDocDialog(dialog).
#pragma once

#include <cstddef>

#include "platform/framework/broadcaster.h"
#include "platform/framework/dialog.h"
#include "views/dialog_box.h"

class CKXTextDocument;
class LWindow;

// The handler of one dialog: the document, the message (a negative pane
// ID), the dialog that sent it. True when it took the message.
using KxDocDialogHandler = bool (*)(CKXTextDocument& doc, MessageT message, LWindow* dialog);

// The message ranges of the document's dialogs, in the order they are
// tested (low..high, inclusive).
struct KxDocDialogRange {
  MessageT low, high;
  const char* owner;
};
const KxDocDialogRange* KxDocDialogRanges(std::size_t& count);
// The range holding `message`, or null.
const KxDocDialogRange* KxFindDocDialogRange(MessageT message);

// A document's dialog window (class "kxdd"): a dialog box whose close box
// presses its cancel button, so that the close always runs the handler's
// own closing path.
class CKXDocDialog : public KXDialogBox {
 public:
  explicit CKXDocDialog(const KxLayoutPaneRecord& record);
  void AttemptClose() override;
  void HostAttemptClose() override;
};
void KxRegisterDocDialogClasses();

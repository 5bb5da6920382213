// kxedit's path through the editing layer: the steps that edit (type, key,
// select, click, cut, copy, paste, undo, redo) go to a layer, so that each
// is one undoable action; the edit object under the layer answers the rest.
#pragma once

#include <string>
#include <vector>

#include "engine/text_layer.h"
#include "layout/text_edit_ex.h"

class KxEditLayer : public CKXTextLayer {
 public:
  explicit KxEditLayer(long width) { Initialize(RectL{0, 0, 1000, std::int32_t(width)}, nullptr); }
  ~KxEditLayer() override {
    if (mScrap) KXText_Dispose(mScrap);
  }
  CKXTextEdit& Edit() const { return *KXHandleAccess::Edit(GetEdit()); }

  // True when the step was the layer's; status 1 for bad arguments.
  bool Step(const std::string& verb, const std::vector<std::string>& args, int& status) {
    status = 0;
    if (!args.empty() && (verb == "undo" || verb == "redo" || verb == "cut" || verb == "copy" || verb == "paste"))
      return status = 1, true;
    if (verb == "undo") Undo();
    else if (verb == "redo") Redo();
    else if (verb == "cut") DoCut();
    else if (verb == "copy") DoCopy();
    else if (verb == "paste") DoPaste(0);
    else return false;
    return true;
  }
  // One key of kxedit's key and type steps (modifiers 1 shift, 2 command, 4 option).
  void Key(unsigned char key, char modifiers) { DoKey(key, modifiers); }

 protected:
  void TextPutScrap(KXTextHandle text, short) override {
    if (!mScrap) mScrap = NewText();
    KXText_SetDuplicate(mScrap, text);
  }
  void TextGetScrap(KXTextHandle text, short& kind) override {
    kind = 0;
    if (mScrap) KXText_SetDuplicate(text, mScrap);
  }

 private:
  KXTextHandle mScrap;
};

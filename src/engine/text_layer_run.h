// Helpers shared by the layer's command files: an owned styled text and
// one command run as one action.
#pragma once

#include <memory>
#include <utility>

#include "engine/text_layer.h"

namespace kxlayer {

// Disposes a styled text at the end of its scope.
struct TextOwner {
  KXTextHandle h;
  TextOwner() = default;
  explicit TextOwner(KXTextHandle t) : h(t) {}
  TextOwner(const TextOwner&) = delete;
  TextOwner& operator=(const TextOwner&) = delete;
  ~TextOwner() {
    if (h) KXText_Dispose(h);
  }
};

// Made, applied, finished, posted; an action whose edit throws is not posted.
template <typename F>
void RunAction(CKXTextLayer& layer, short type, std::uint8_t flag, F apply) {
  std::unique_ptr<CKXTextAction> action(layer.MakeAction(type, flag));
  apply(*action);
  action->AfterAction();
  layer.PostAction(action.release());
}

// Action types of the layer's own commands.
constexpr short kActTextStyl = 21, kActFont = 23, kActSize = 25, kActFace = 27, kActColor = 29, kActLineType = 31,
                kActLineColor = 33, kActNetStyle = 35, kActNetColor = 37, kActDecoStyle = 39, kActRuby = 39,
                kActReplace = 41, kActShiftLeft = 43, kActShiftRight = 45, kActCharType = 47, kActLineDup = 49,
                kActReformWrap = 51, kActReformJoin = 53, kActParaStyl = 61, kActParaIndent = 63,
                kActParaLineSpace = 65, kActParaCharSpace = 67, kActParaJustify = 69, kActParaTabs = 71;

constexpr std::uint16_t kCR = 13;
// Result bits: relayout of the whole text, and its redraw.
constexpr std::uint16_t kResultRelayout = 0x0400, kResultRedraw = 0x0800;

}  // namespace kxlayer

// Pasting the clipboard's runs alone: the first style and decoration run
// onto the selection, the first paragraph run onto its paragraphs.
#include <memory>
#include <vector>

#include "engine/flavor_exchange.h"
#include "engine/text_engine.h"
#include "engine/text_flavors.h"
#include "engine/text_layer_run.h"
#include "platform/exception.h"
#include "platform/host/host.h"
#include "text/runs/runs.h"

namespace {
constexpr short kActPasteStyle = 55, kActPasteRuler = 73, kActPasteRulerStyle = 75;
// Bytes of the 16-bit count in front of the runs.
constexpr long kCountSize = 2;

// The first run of a clipboard flavor, when the flavor is sound and holds one.
bool FirstRun(OSType type, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  if (!KxCurrentHost().GetClipboard(type, bytes)) return false;
  long count = 0;
  return CKXTextFlavorData::CheckFlavorData(type, bytes.data(), long(bytes.size()), &count) == EKXFlavorRead::kRead &&
         count > 0;
}

struct ClipRuns {
  bool hasStyl = false, hasDeco = false, hasPara = false;
  SKXStyl styl{};
  SKXDeco deco{};
  SKXPara para{};
};

ClipRuns ReadClipRuns(bool styles, bool paras) {
  ClipRuns runs;
  std::vector<std::uint8_t> bytes;
  if (styles && FirstRun(kKxFlavorStyl, bytes)) {
    KxGetStylRunFlat(bytes.data() + kCountSize, runs.styl, true);
    runs.hasStyl = true;
  }
  // A decoration that names a picture would bring a picture reference
  // without its picture.
  if (styles && FirstRun(kKxFlavorDeco, bytes)) {
    KxGetDecoRunFlat(bytes.data() + kCountSize, runs.deco, true);
    runs.hasDeco = runs.deco.deco.pictID == 0;
  }
  if (paras && FirstRun(kKxFlavorPara, bytes)) {
    KxGetParaRunFlat(bytes.data() + kCountSize, runs.para, true);
    if (runs.para.para.tabCount > kKxMaxTabs) runs.para.para.tabCount = kKxMaxTabs;
    runs.hasPara = true;
  }
  return runs;
}
}  // namespace

// Runs `apply` as one posted action of `type`; an action whose edit fails
// is not posted.
template <typename F>
static void RunEngineAction(CKXTextEngine& engine, short type, F apply) {
  std::unique_ptr<CKXTextAction> action(engine.MakeAction(type, 1));
  apply();
  action->AfterAction();
  engine.PostAction(action.release());
}

void CKXTextEngine::DoDragDrop(const SKXRange& range, CKXDataTube& tube, short type) {
  // Read whole into a text of its own first, so that a tube that fails
  // half way leaves the document as it was.
  kxlayer::TextOwner received(KXText_New());
  if (!received.h) throw LException(memFullErr);
  short mask = 0;
  CKXFlavorExchange exchange(this);
  exchange.ReceiveDataFrom(range, tube, received.h, &mask);
  if (KXText_GetLength(received.h) <= 0) return;
  DoDrop(range, received.h, mask, type);
}

void CKXTextEngine::DoPasteStyle() {
  Command command(*this);
  const ClipRuns runs = ReadClipRuns(true, false);
  if (!runs.hasStyl) return;
  RunEngineAction(*this, kActPasteStyle, [&] {
    Focus();
    std::uint16_t result = KXTE_SetTextStyl(mEdit, runs.styl.styl);
    if (runs.hasDeco) result |= KXTE_SetTextDeco(mEdit, runs.deco.deco);
    TextEditResult(result);
  });
}

namespace {
// The selection grown to whole paragraphs.
SKXRange ParagraphRange(KXEditHandle edit, const SKXRange& sel) {
  long s = 0, e = 0, s2 = 0, e2 = 0;
  KXText_Get1ParaPos(edit, sel.start, s, e);
  KXText_Get1ParaPos(edit, sel.length > 0 ? long(sel.start) + sel.length - 1 : sel.start, s2, e2);
  return SKXRange{std::int32_t(s), std::int32_t(std::max(e, e2) - s)};
}
}  // namespace

void CKXTextEngine::DoPasteRuler() {
  Command command(*this);
  const ClipRuns runs = ReadClipRuns(false, true);
  if (!runs.hasPara) return;
  const SKXRange sel = GetSelectionRange(), paras = ParagraphRange(mEdit, sel);
  if (!UKXRange::RangesSame(sel, paras)) SetSelectionRange(paras, false);
  RunEngineAction(*this, kActPasteRuler, [&] {
    Focus();
    TextEditResult(KXTE_SetTextParaStyl(mEdit, runs.para.para, 0));
  });
}

void CKXTextEngine::DoPasteRulerStyle() {
  Command command(*this);
  const ClipRuns runs = ReadClipRuns(true, true);
  if (!runs.hasStyl && !runs.hasPara) return;
  const SKXRange sel = GetSelectionRange(), paras = ParagraphRange(mEdit, sel);
  if (!UKXRange::RangesSame(sel, paras)) SetSelectionRange(paras, false);
  RunEngineAction(*this, kActPasteRulerStyle, [&] {
    Focus();
    std::uint16_t result = 0;
    if (runs.hasStyl) {
      result |= KXTE_SetTextStyl(mEdit, runs.styl.styl);
      if (runs.hasDeco) result |= KXTE_SetTextDeco(mEdit, runs.deco.deco);
    }
    if (runs.hasPara) result |= KXTE_SetTextParaStyl(mEdit, runs.para.para, 0);
    TextEditResult(result);
  });
}

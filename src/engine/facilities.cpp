#include "engine/facilities.h"

#include "engine/text_layer.h"
#include "layout/facilities.h"
#include "platform/core.h"
#include "text/base/memory.h"

namespace {
// When memory runs short, the undo states of the editing layers go first.
class UndoPurge : public KxMemoryRecoverer {
 public:
  Boolean INeedMemory() override { return CKXTextLayer::PurgeUndoStates(); }
};
UndoPurge gUndoPurge;

void InstallUndoPurge() { KxMemSetRecoverer(&gUndoPurge); }
void RemoveUndoPurge() { KxMemSetRecoverer(nullptr); }
}  // namespace

void KxEngineFacilities() {
  KxLayoutFacilities();
  KxRegisterFacility(kRankEngine, "undo purge on memory shortage", InstallUndoPurge, RemoveUndoPurge);
}

// The start-up of the run arrays; the runs themselves live in run_forms,
// style_runs, deco_runs and para_runs.
#include "text/runs/runs.h"

#include "platform/core.h"

// --- start-up ---------------------------------------------------------------------------------------

void KxTextRunsFacilities() {
  KxRegisterFacility(
      kRankText, "text runs",
      [] {
        CKXStylArray::Initialize();
        CKXDecoArray::Initialize();
        CKXParaArray::Initialize();
      },
      [] {
        CKXParaArray::Terminate();
        CKXDecoArray::Terminate();
        CKXStylArray::Terminate();
      });
}

#include "engine/macro_recorder.h"

namespace {
CKXMacroRecorder gDefaultRecorder;
CKXMacroRecorder* gRecorder = nullptr;
}  // namespace

void CKXMacroRecorder::Install(CKXMacroRecorder* recorder) { gRecorder = recorder; }

CKXMacroRecorder& CKXMacroRecorder::Get() { return gRecorder ? *gRecorder : gDefaultRecorder; }

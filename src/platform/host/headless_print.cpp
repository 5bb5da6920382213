// The headless host's page set-up and print dialogs: scripted answers; a
// print goes into a PDF file.
#include "platform/files.h"
#include "platform/host/headless.h"

void KxHeadlessHost::QueuePageSetup(const KxPageSetup& setup) { mPageSetups.push_back(setup); }

bool KxHeadlessHost::RunPageSetup(KxPageSetup& setup) {
  if (mPageSetups.empty()) return false;
  KxPageSetup answer = mPageSetups.front();
  mPageSetups.pop_front();
  KxValidatePageSetup(answer);
  setup = answer;
  return true;
}

KxPrintResult KxHeadlessHost::RunPrint(KxPrintout& printout, KxPrintRecord& record, std::string& why) {
  if (mAnswers.empty()) return KxPrintResult::kCancelled;
  const Answer a = mAnswers.front();
  mAnswers.pop_front();
  if (a.answer != KxAnswer::kOK || a.path.empty()) return KxPrintResult::kCancelled;
  std::int32_t printed = 0;
  if (const int err = KxPrintToPDF(printout, a.path, record.setup, KxPrintRange{}, &printed)) {
    why = KxErrorText(err);
    return KxPrintResult::kFailed;
  }
  return KxPrintResult::kPrinted;
}

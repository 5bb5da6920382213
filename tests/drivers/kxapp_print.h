// kxapp's printing steps, for its step table:
//
//   pagesetup W H [MARGIN] [landscape]
//       queues the answer of the next page-setup dialog (command 8):
//       accepted, paper W x H points, MARGIN points unprintable on every
//       side (default 18), turned with `landscape` (the document then takes
//       H x W). The print dialog (command 9) takes the next queued `answer`:
//       a PATH prints into that PDF, `cancel` or nothing queued cancels.
//   print page
//       the front document's page set-up in one line:
//       `paper W H hard T L B R margins T L B R pages N` (points; W H as
//       KXTE_GetPaperSize answers; hard margins and page margins as
//       distances from the paper's edges; N the page count of its layout).
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "document/text_doc.h"
#include "engine/text_engine.h"
#include "layout/kxtext_api.h"
#include "platform/draw/print.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace kxapp_print {

// A whole number in [low, high]; false otherwise.
inline bool Number(const std::string& word, long low, long high, long& out) {
  if (word.empty()) return false;
  char* end = nullptr;
  out = std::strtol(word.c_str(), &end, 10);
  return *end == 0 && out >= low && out <= high;
}

// `pagesetup` with the words after the step's name. Empty, or what is
// wrong with the step (for kxapp's "line L: ..." message).
inline std::string PageSetupStep(const std::vector<std::string>& args, KxHeadlessHost& host) {
  const char* usage = "pagesetup W H [MARGIN] [landscape]";
  std::vector<std::string> words = args;
  bool landscape = false;
  if (!words.empty() && words.back() == "landscape") {
    landscape = true;
    words.pop_back();
  }
  long w = 0, h = 0, margin = 18;
  if (words.size() < 2 || words.size() > 3 || !Number(words[0], 1, kKxPrintPaperMax, w) ||
      !Number(words[1], 1, kKxPrintPaperMax, h) || (words.size() == 3 && !Number(words[2], 0, kKxPrintPaperMax, margin)))
    return usage;
  KxPageSetup s;
  s.paperWidth = std::int32_t(w), s.paperHeight = std::int32_t(h);
  s.landscape = landscape;
  s.hardTop = s.hardLeft = s.hardBottom = s.hardRight = std::int32_t(margin);
  if (!KxValidatePageSetup(s)) return "pagesetup: the margins leave nothing printable";
  host.QueuePageSetup(s);
  return {};
}

// The document of the front window (documents' windows only), or null.
inline CKXTextDocument* FrontDocument() {
  LWindow* front = LWindow::FetchFrontWindow();
  for (CKXTextDocument* d : KxTextDocHooks::All())
    if (d->GetWindow() == front) return d;
  return nullptr;
}

// `print page`: the line, or "none" without a front document.
inline std::string PrintPageLine(CKXTextDocument* doc) {
  if (!doc || !doc->GetEngine()) return "none";
  const KXEditHandle e = doc->GetEngine()->GetEdit();
  const PointL paper = KXTE_GetPaperSize(e);
  Rect hard, margins;
  KXTE_GetHardMargin(e, hard);
  KXTE_GetPageMargin(e, margins);
  auto four = [](const Rect& r) {
    return std::to_string(r.top) + " " + std::to_string(r.left) + " " + std::to_string(r.bottom) + " " +
           std::to_string(r.right);
  };
  return "paper " + std::to_string(paper.h) + " " + std::to_string(paper.v) + " hard " + four(hard) + " margins " +
         four(margins) + " pages " + std::to_string(KXTE_GetPageCount(e));
}

}  // namespace kxapp_print

// An RTF file's page as a document reads it: whatever numbers the file
// holds, the page taken is one the program can lay a text out on, and the
// page a document writes into RTF is the page it reads back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "document/doc_file.h"
#include "document/text_doc_hdft.h"
#include "layout/text_form.h"

namespace {

namespace fs = std::filesystem;

TEST(RTFPage, AnyPageReadIsSaneAndComesBackThroughASave) {
  const fs::path dir = fs::temp_directory_path() / ("kx_rtf_page_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::mt19937 rng(20240611);
  // Twips around the edges that matter: none, negative, tiny, ordinary and
  // beyond what RTF's 16 bits or the program's papers hold.
  const long kValues[] = {-40000, -1, 0, 1, 20, 700, 1440, 2000, 11906, 16838, 32767, 40000, 99999999};
  auto pick = [&] { return kValues[rng() % std::size(kValues)]; };
  static const char* const kWords[] = {"paperw", "paperh", "margl", "margr", "margt", "margb", "cols", "colsx"};
  for (int round = 0; round < 200; ++round) {
    std::string rtf = "{\\rtf1\\ansi";
    for (int n = int(rng() % 9); n > 0; --n) {
      const char* word = kWords[rng() % std::size(kWords)];
      const long v = word == std::string("cols") ? long(rng() % 8) : pick();
      rtf += "\\" + std::string(word) + std::to_string(v);
    }
    if (rng() % 2) rtf += "{\\header \\qr Page \\chpgn\\par}";
    rtf += " text\\par}";
    SCOPED_TRACE(rtf);
    const fs::path in = dir / "in.rtf", out = dir / "out.rtf";
    std::ofstream(in, std::ios::binary | std::ios::trunc) << rtf;
    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(in.string(), doc, message), 0) << message;
    ASSERT_TRUE(doc.hasPage);
    const SKXDocPage& p = doc.page;
    EXPECT_GE(p.paperWidth, 72);
    EXPECT_LE(p.paperWidth, kKxPaperMax);
    EXPECT_GE(p.paperHeight, 72);
    EXPECT_LE(p.paperHeight, kKxPaperMax);
    EXPECT_TRUE(p.margins.top >= 0 && p.margins.left >= 0 && p.margins.bottom >= 0 && p.margins.right >= 0);
    EXPECT_LT(long(p.margins.left) + p.margins.right, p.paperWidth);
    EXPECT_LT(long(p.margins.top) + p.margins.bottom, p.paperHeight);
    EXPECT_TRUE(p.columns >= 1 && p.columns <= kKxMaxColumns);
    EXPECT_TRUE(p.gap >= 0 && (p.columns == 1 || p.paperWidth - p.margins.left - p.margins.right -
                                                         (p.columns - 1) * p.gap >= p.columns));
    EXPECT_TRUE(p.header.alignment <= 2 && p.header.bandHeight >= 0);

    // What RTF's measures hold is written and read back as it was; what
    // they do not comes back otherwise, and a save says so.
    ASSERT_EQ(KxWriteDocument(out.string(), doc, EKXLayout::kClassic, message), 0) << message;
    SKXDocument back;
    ASSERT_EQ(KxReadDocument(out.string(), back, message), 0) << message;
    const SKXDocPage& q = back.page;
    if (KxRTFLosesPage(p)) {
      EXPECT_FALSE(q.paperWidth == p.paperWidth && q.paperHeight == p.paperHeight);
      continue;
    }
    EXPECT_EQ(q.paperWidth, p.paperWidth);
    EXPECT_EQ(q.paperHeight, p.paperHeight);
    EXPECT_TRUE(q.margins.top == p.margins.top && q.margins.left == p.margins.left &&
                q.margins.bottom == p.margins.bottom && q.margins.right == p.margins.right);
    EXPECT_EQ(q.columns, p.columns);
    if (p.columns > 1) {
      EXPECT_EQ(q.gap, p.gap);
    }
    EXPECT_EQ(q.headerText, p.headerText);
    EXPECT_EQ(q.header.alignment, p.header.alignment);
  }
  fs::remove_all(dir);
}

// Beyond 1638 pt (32767 twips) a paper, margin or gap between columns is
// clamped in RTF; a gap counts only with columns.
TEST(RTFPage, WhatRTFCannotHoldIsTold) {
  SKXDocPage p;
  p.paperWidth = p.paperHeight = 1638;
  p.margins = Rect{1637, 0, 0, 1637};
  p.gap = 2000;
  EXPECT_FALSE(KxRTFLosesPage(p));
  p.columns = 2;
  EXPECT_TRUE(KxRTFLosesPage(p));
  p.columns = 1;
  for (int edge = 0; edge < 6; ++edge) {
    SKXDocPage q = p;
    std::int32_t* at[] = {&q.paperWidth, &q.paperHeight};
    std::int16_t* margin[] = {&q.margins.top, &q.margins.left, &q.margins.bottom, &q.margins.right};
    if (edge < 2) *at[edge] = 1639; else *margin[edge - 2] = -1639;
    EXPECT_TRUE(KxRTFLosesPage(q)) << edge;
  }
}

// Written as a document of ours (either layout, either writing), an RTF
// file's page is the one its settings give back, a band's distance held to
// the room its margin leaves above the hard margins.
TEST(RTFPage, APageReadIsTheSettingsPageOfTheDocumentWritten) {
  const fs::path dir = fs::temp_directory_path() / ("kx_rtf_page_settings_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::mt19937 rng(20240612);
  const long kValues[] = {-1, 0, 20, 700, 1440, 2000, 11906, 16838, 40000};
  auto pick = [&] { return kValues[rng() % std::size(kValues)]; };
  static const char* const kWords[] = {"paperw", "paperh", "margl", "margr", "margt", "margb", "cols", "colsx"};
  // Band distances a caller may give, beyond any room too.
  const std::int16_t kDistances[] = {-5, 0, 17, 40, 300, 2000};
  for (int round = 0; round < 120; ++round) {
    std::string rtf = "{\\rtf1\\ansi";
    for (int n = int(rng() % 10); n > 0; --n) {
      const char* word = kWords[rng() % std::size(kWords)];
      const long v = word == std::string("cols") ? long(rng() % 4) : pick();
      rtf += "\\" + std::string(word) + std::to_string(v);
    }
    if (rng() % 3) rtf += "{\\header \\qc Head \\chpgn\\par}";
    if (rng() % 3) rtf += "{\\footer \\qr Foot\\par}";
    rtf += " text\\par}";
    const bool vertical = rng() % 2;
    const EKXLayout layout = rng() % 2 ? EKXLayout::kContainer : EKXLayout::kClassic;
    SCOPED_TRACE(rtf + (vertical ? " vertical" : "") + (layout == EKXLayout::kContainer ? " container" : " classic"));
    const fs::path in = dir / "in.rtf", out = dir / "out.txt";
    std::ofstream(in, std::ios::binary | std::ios::trunc) << rtf;
    SKXDocument doc;
    std::string message;
    ASSERT_EQ(KxReadDocument(in.string(), doc, message), 0) << message;
    ASSERT_TRUE(doc.hasPage);
    doc.settings.pref.vertical = vertical;
    doc.page.header.bandHeight = kDistances[rng() % std::size(kDistances)];
    doc.page.footer.bandHeight = kDistances[rng() % std::size(kDistances)];
    ASSERT_EQ(KxWriteDocument(out.string(), doc, layout, message), 0) << message;
    SKXDocument back;
    ASSERT_EQ(KxReadDocument(out.string(), back, message), 0) << message;
    ASSERT_TRUE(back.settings.hasPref);
    EXPECT_EQ(back.settings.pref.vertical, vertical ? 1 : 0);
    const SKXDocPage& p = doc.page;
    const SKXDocPage q = KxDocPageOf(back.settings);
    EXPECT_EQ(q.paperWidth, p.paperWidth);
    EXPECT_EQ(q.paperHeight, p.paperHeight);
    EXPECT_TRUE(q.margins.top == p.margins.top && q.margins.left == p.margins.left &&
                q.margins.bottom == p.margins.bottom && q.margins.right == p.margins.right);
    EXPECT_EQ(q.columns, p.columns);
    EXPECT_EQ(q.gap, p.gap);
    // The hard margins stay on the paper.
    const SDocPref& r = back.settings.pref;
    EXPECT_TRUE(r.printArea.top >= 0 && r.printArea.top < r.printArea.bottom && r.printArea.bottom <= r.paperV);
    EXPECT_TRUE(r.printArea.left >= 0 && r.printArea.left < r.printArea.right && r.printArea.right <= r.paperH);
    const Rect hard{r.printArea.top, r.printArea.left, std::int16_t(r.paperV - r.printArea.bottom),
                    std::int16_t(r.paperH - r.printArea.right)};
    auto band = [&](const SKXBandSettings& was, const std::string& text, const SKXBandSettings& now,
                    const std::string& kept, std::int16_t margin) {
      EXPECT_EQ(kept, text);
      if (text.empty()) return;
      EXPECT_EQ(now.alignment, was.alignment);
      EXPECT_EQ(now.style.size, was.style.size);
      const std::int32_t room = KxBandRoom(margin, hard);
      EXPECT_EQ(now.bandHeight,
                was.bandHeight < 0 ? KxBandLeastDistance() : std::min<std::int32_t>(was.bandHeight, room));
    };
    band(p.header, p.headerText, q.header, q.headerText, p.margins.top);
    band(p.footer, p.footerText, q.footer, q.footerText, p.margins.bottom);
  }
  fs::remove_all(dir);
}

}  // namespace

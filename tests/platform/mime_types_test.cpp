// Content types from the shared MIME database's files: the best glob for a
// name, and a type's description in the user's language.
#include <gtest/gtest.h>

#include <string>

#include "platform/mime_types.h"

TEST(MimeTypes, GlobsAndComments) {
  const std::string globs =
      "# comment\n"
      "50:text/plain:*.txt\n"
      "60:text/x-log:*.log.txt\n"
      "50:text/x-c++:*.C:cs\n"
      "50:text/x-c:*.c\n"
      "50:text/x-readme:README\n"
      "50:text/x-any:*.[ch]\n"     // a class: skipped
      "x:text/bad:*.bad\n"         // no weight: skipped
      "50::*.empty\n";
  const auto parsed = KxParseMimeGlobs(globs.data(), globs.size());
  EXPECT_EQ(parsed.size(), 5u);
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "a.TXT"), "text/plain");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "x.log.txt"), "text/x-log");   // the heavier glob
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "m.C"), "text/x-c++");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "m.c"), "text/x-c");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "README"), "text/x-readme");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "my README"), "");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, "x.h"), "");
  EXPECT_EQ(KxMatchMimeGlobs(parsed, ".txt"), "text/plain");
  const std::string xml =
      "<mime-type><comment>plain &amp; simple</comment>"
      "<comment xml:lang=\"ja\">\xE3\x83\x86</comment><comment xml:lang=\"de\">x</comment>";
  EXPECT_EQ(KxMimeComment(xml.data(), xml.size(), ""), "plain & simple");
  EXPECT_EQ(KxMimeComment(xml.data(), xml.size(), "ja"), "\xE3\x83\x86");
  EXPECT_EQ(KxMimeComment(xml.data(), xml.size(), "fr"), "plain & simple");
  EXPECT_EQ(KxMimeComment(xml.data(), 20, ""), "");   // cut before the end tag
}

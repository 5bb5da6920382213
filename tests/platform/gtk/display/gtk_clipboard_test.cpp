// The GTK host's clipboard against another X client (xclip, under Xvfb):
// text the program puts as "utxt" is read as the same UTF-8, line ends LF;
// text put there by xclip is read back as "utxt" with CR line ends; our
// private flavors are offered byte for byte.
#include <gtest/gtest.h>
#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gtk/gtk_flavors.h"
#include "platform/gtk/gtk_host.h"

namespace {

std::vector<std::uint8_t> Utf16(const std::u16string& s) {
  std::vector<std::uint8_t> out;
  for (char16_t c : s) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return out;
}

struct Child {
  bool done = false;
  int status = -1;
};

void OnChildExit(GPid pid, gint status, gpointer data) {
  auto* child = static_cast<Child*>(data);
  child->done = true;
  child->status = status;
  g_spawn_close_pid(pid);
}

// Runs a command while the host's loop serves the clipboard; answers its
// standard output (false when it did not run or did not end in time).
bool RunServing(const std::vector<std::string>& argv, std::string& output) {
  std::vector<gchar*> args;
  for (const std::string& a : argv) args.push_back(const_cast<gchar*>(a.c_str()));
  args.push_back(nullptr);
  GPid pid = 0;
  gint out = -1;
  if (!g_spawn_async_with_pipes(nullptr, args.data(), nullptr,
                                GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, &pid,
                                nullptr, &out, nullptr, nullptr))
    return false;
  Child child;
  g_child_watch_add(pid, OnChildExit, &child);
  GIOChannel* channel = g_io_channel_unix_new(out);
  g_io_channel_set_flags(channel, G_IO_FLAG_NONBLOCK, nullptr);
  g_io_channel_set_encoding(channel, nullptr, nullptr);
  g_io_channel_set_close_on_unref(channel, TRUE);
  output.clear();
  const gint64 until = g_get_monotonic_time() + 20 * G_USEC_PER_SEC;
  char buf[4096];
  for (bool eof = false; (!child.done || !eof) && g_get_monotonic_time() < until;) {
    g_main_context_iteration(nullptr, FALSE);
    gsize got = 0;
    const GIOStatus st = g_io_channel_read_chars(channel, buf, sizeof buf, &got, nullptr);
    output.append(buf, got);
    if (st == G_IO_STATUS_EOF) eof = true;
    if (st == G_IO_STATUS_AGAIN) g_usleep(1000);
  }
  g_io_channel_unref(channel);
  return child.done && child.status == 0;
}

class GtkClipboardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    sHost = KxGtkHost::Open(&why).release();
    ASSERT_NE(sHost, nullptr) << why;
  }
  static void TearDownTestSuite() {
    delete sHost;
    sHost = nullptr;
  }
  static KxGtkHost* sHost;
};
KxGtkHost* GtkClipboardTest::sHost = nullptr;

TEST_F(GtkClipboardTest, TextGoesToAndComesFromOtherPrograms) {
  gchar* xclip = g_find_program_in_path("xclip");
  g_free(xclip);
  if (!xclip) GTEST_SKIP() << "xclip is not installed (scripts/setup installs it)";
  // Copy: one "utxt" among private flavors, read by xclip as UTF-8.
  sHost->ClearClipboard();
  sHost->PutClipboard(FourCC("TEXT"), "abc", 3);
  const std::vector<std::uint8_t> utxt = Utf16(u"h\u00E9llo\r\u3042\U0001F600 end");
  sHost->PutClipboard(FourCC("utxt"), utxt.data(), utxt.size());
  const std::uint8_t styl[] = {0, 0};
  sHost->PutClipboard(FourCC("styl"), styl, sizeof styl);
  std::string out;
  ASSERT_TRUE(RunServing({"xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"}, out));
  EXPECT_EQ(out, "h\xC3\xA9llo\n\xE3\x81\x82\xF0\x9F\x98\x80 end");
  ASSERT_TRUE(RunServing({"xclip", "-o", "-selection", "clipboard", "-t", "text/plain;charset=utf-8"}, out));
  EXPECT_EQ(out, "h\xC3\xA9llo\n\xE3\x81\x82\xF0\x9F\x98\x80 end");
  // Private flavors byte for byte; the targets list names them.
  ASSERT_TRUE(RunServing({"xclip", "-o", "-selection", "clipboard", "-t", "application/x-kxtext-TEXT"}, out));
  EXPECT_EQ(out, "abc");
  ASSERT_TRUE(RunServing({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, out));
  EXPECT_NE(out.find("application/x-kxtext-styl"), std::string::npos);
  EXPECT_NE(out.find("UTF8_STRING"), std::string::npos);
  // Our own read while we own it: what was put, all of it.
  std::vector<std::uint8_t> back;
  EXPECT_TRUE(sHost->GetClipboard(FourCC("utxt"), back));
  EXPECT_EQ(back, utxt);

  // Paste: xclip takes the clipboard; one snapshot brings it in as "utxt".
  ASSERT_TRUE(RunServing({"sh", "-c", "printf 'from xclip\\r\\nline \\342\\202\\254\\n' | xclip -i -selection clipboard >/dev/null 2>&1"},
                         out));
  const std::vector<std::uint8_t> expected = Utf16(u"from xclip\rline \u20AC\r");
  KxClipboardStore snapshot;
  // xclip takes the clipboard in a process of its own, a moment later.
  for (int turn = 0; turn < 2000; ++turn) {
    g_main_context_iteration(nullptr, FALSE);
    sHost->GetClipboardSnapshot(snapshot);
    if (snapshot.Get(FourCC("utxt"), back) && back == expected) break;
    g_usleep(2000);
  }
  ASSERT_TRUE(snapshot.Get(FourCC("utxt"), back));
  EXPECT_EQ(back, expected);
  EXPECT_FALSE(snapshot.Get(FourCC("TEXT"), back));
  // Taking it back ends the other program's offer.
  sHost->ClearClipboard();
  sHost->PutClipboard(FourCC("TEXT"), "x", 1);
}

// A NUL in text between programs is a character like any other, as in a
// file: kept coming in and going out.
TEST_F(GtkClipboardTest, TextKeepsItsNuls) {
  gchar* xclip = g_find_program_in_path("xclip");
  g_free(xclip);
  if (!xclip) GTEST_SKIP() << "xclip is not installed (scripts/setup installs it)";
  std::string out;
  ASSERT_TRUE(RunServing(
      {"sh", "-c", "printf 'abc\\000d\\303\\251f\\n' | xclip -i -selection clipboard >/dev/null 2>&1"}, out));
  const std::vector<std::uint8_t> expected = Utf16(std::u16string(u"abc\0d\u00E9f\r", 8));
  KxClipboardStore snapshot;
  std::vector<std::uint8_t> back;
  for (int turn = 0; turn < 2000; ++turn) {
    g_main_context_iteration(nullptr, FALSE);
    sHost->GetClipboardSnapshot(snapshot);
    if (snapshot.Get(FourCC("utxt"), back) && back == expected) break;
    g_usleep(2000);
  }
  ASSERT_TRUE(snapshot.Get(FourCC("utxt"), back));
  EXPECT_EQ(back, expected);
  sHost->ClearClipboard();
  sHost->PutClipboard(FourCC("utxt"), expected.data(), expected.size());
  ASSERT_TRUE(RunServing({"xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"}, out));
  EXPECT_EQ(out, std::string("abc\0d\xC3\xA9" "f\n", 9));
  sHost->ClearClipboard();
  sHost->PutClipboard(FourCC("TEXT"), "x", 1);
}

}  // namespace

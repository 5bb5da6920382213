// The save chooser's popups under Xvfb: each one can be changed only under
// the formats that use it, and follows the format as the user picks
// another; a popup greyed out still answers what it shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/draw/port.h"
#include "platform/gtk/gtk_host.h"
#include "platform/host/host_dialogs.h"

namespace {

class Client : public KxWindowClient {
 public:
  Client() : port(KxPort::NewImage(200, 100)) {}
  std::unique_ptr<KxPort> port;
  void HostActivate(bool) override {}
  KxPort* HostPort() override { return port.get(); }
};

TEST(GtkSavePopups, EachPopupIsOnOnlyUnderTheFormatsThatUseIt) {
  setenv("GSETTINGS_BACKEND", "memory", 1);
  std::string why;
  std::unique_ptr<KxGtkHost> host = KxGtkHost::Open(&why);
  ASSERT_NE(host, nullptr) << why;
  Client client;
  const unsigned char title[] = "\x08" "document";
  const KxWindowID doc = host->CreateWindow(&client, Rect{60, 40, 360, 380}, title);
  ASSERT_TRUE(host->Flush());

  KxDialogRequest q;
  q.kind = KxDialogKind::kSave;
  q.parent = doc;
  q.name = "x.txt";
  for (const char* name : {"Text", "Unicode (UTF-16)", "RTF"})
    q.filters.push_back({name, [](const std::string&) { return true; }});
  q.choices.push_back({"Encoding:", {"Shift_JIS", "JIS", "EUC-JP", "UTF-16", "UTF-8"}, 2});
  q.choices.push_back({"Line ends:", {"CR", "CR LF", "LF"}, 1});
  q.choicesEnabled = {true, true, false};   // the line ends
  q.choiceEnabled = {{true, false, false}};  // the encoding: plain text only
  const std::uint32_t id = host->BeginDialog(q);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(host->WaitDialogShown());
  const struct {
    int filter;
    std::vector<bool> sensitive;
  } steps[] = {{0, {true, true}}, {1, {false, true}}, {2, {false, false}}, {0, {true, true}}, {1, {false, true}}};
  KxGtkHost::ShownDialog shown;
  for (const auto& step : steps) {
    ASSERT_TRUE(host->ChooseShownFilter(step.filter));
    ASSERT_TRUE(host->GetShownDialog(shown));
    EXPECT_EQ(shown.choiceSensitive, step.sensitive) << "filter " << step.filter;
    EXPECT_EQ(shown.choicesSensitive, step.sensitive[0]) << "filter " << step.filter;
  }
  ASSERT_TRUE(host->AnswerShownDialog(KxDialogReply{}));   // cancelled
  KxDialogReply reply;
  ASSERT_TRUE(host->PollDialog(id, reply));
  EXPECT_EQ(reply.answer, KxAnswer::kCancel);
  EXPECT_EQ(reply.choices, (std::vector<int>{2, 1}));
  EXPECT_EQ(host->ToolkitComplaints(), 0);
  host->DestroyWindow(doc);
}

}  // namespace

// Broadcasters, listeners and idlers whose lists change while they run.
#include "platform/framework/broadcaster.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/framework/periodical.h"

namespace {

struct Hearer : LListener {
  std::function<void(MessageT)> onMessage;
  std::vector<MessageT> heard;
  void ListenToMessage(MessageT message, void*) override {
    heard.push_back(message);
    if (onMessage) onMessage(message);
  }
};

TEST(Broadcaster, ListenersMayLeaveJoinOrDieDuringABroadcast) {
  LBroadcaster b;
  Hearer first, joiner;
  auto second = std::make_unique<Hearer>();
  auto third = std::make_unique<Hearer>();
  b.AddListener(&first);
  b.AddListener(second.get());
  b.AddListener(third.get());
  b.AddListener(&first);   // joining twice changes nothing
  first.onMessage = [&](MessageT) {
    second.reset();          // dies before its turn
    b.AddListener(&joiner);  // hears the next message only
  };
  b.BroadcastMessage(1);
  EXPECT_EQ(first.heard, std::vector<MessageT>{1});
  EXPECT_EQ(third->heard, std::vector<MessageT>{1});
  EXPECT_TRUE(joiner.heard.empty());
  first.onMessage = nullptr;
  third->StopListening();
  b.BroadcastMessage(2);
  EXPECT_EQ(first.heard, (std::vector<MessageT>{1, 2}));
  EXPECT_EQ(third->heard, std::vector<MessageT>{1});
  EXPECT_EQ(joiner.heard, std::vector<MessageT>{2});
  b.StopBroadcasting();
  b.BroadcastMessage(3);
  EXPECT_EQ(first.heard.size(), 2u);
}

TEST(Broadcaster, EitherSideMayDieFirst) {
  Hearer h;
  {
    LBroadcaster b1;
    b1.AddListener(&h);
    EXPECT_TRUE(h.HasBroadcaster(&b1));
  }
  LBroadcaster b2;
  {
    Hearer gone;
    b2.AddListener(&gone);
    b2.AddListener(&h);
  }
  EXPECT_FALSE(b2.HasListener(nullptr));
  b2.BroadcastMessage(7);
  EXPECT_EQ(h.heard, std::vector<MessageT>{7});
}

struct Idler : LPeriodical {
  std::function<void()> onTurn;
  int turns = 0;
  void SpendTime(const EventRecord&) override {
    ++turns;
    if (onTurn) onTurn();
  }
};

TEST(Periodical, IdlersMayStopStartOrDieDuringTheirTurns) {
  const std::size_t before = LPeriodical::CountIdlers();
  Idler a, late;
  auto b = std::make_unique<Idler>();
  a.StartIdling();
  b->StartIdling();
  a.StartIdling();   // once only
  a.onTurn = [&] {
    b.reset();
    late.StartIdling();
  };
  EventRecord e;
  LPeriodical::DevoteTimeToIdlers(e);
  EXPECT_EQ(a.turns, 1);
  EXPECT_EQ(late.turns, 0);
  a.onTurn = [&] { a.StopIdling(); };
  LPeriodical::DevoteTimeToIdlers(e);
  LPeriodical::DevoteTimeToIdlers(e);
  EXPECT_EQ(a.turns, 2);
  EXPECT_EQ(late.turns, 2);
  EXPECT_FALSE(a.IsIdling());
  EXPECT_EQ(LPeriodical::CountIdlers(), before + 1);
}

}  // namespace

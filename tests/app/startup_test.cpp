// Start-up and shut-down order of the facilities.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/globals.h"
#include "platform/core.h"

namespace {

TEST(Startup, FacilitiesStartInTheProgramsOrder) {
  // The program's sequence; the colour schedule, colour preferences, page
  // forms and spelling checkers are not built yet and are not registered.
  const std::vector<std::string> sequence = {"memory", "application globals", "text runs", "macros", "unicode",
                                             "application lists"};
  const std::vector<std::string> order = KxFacilityOrder();
  std::size_t last = 0;
  for (const std::string& name : sequence) {
    const auto it = std::find(order.begin(), order.end(), name);
    if (name == "macros" && it == order.end()) continue;   // this executable does not link the macros
    ASSERT_NE(it, order.end()) << name;
    const std::size_t at = std::size_t(it - order.begin());
    EXPECT_GE(at, last) << name;
    last = at;
  }
  // Shut-down runs the same list backwards: the lists are freed first, the
  // memory layer last of the program's own.
  EXPECT_EQ(order.back(), "application lists");
}

TEST(Startup, TerminateAndInitializeGiveTheDefaultsBack) {
  gPreference.startupAction = 3;
  gRecentFileHandle = {1, 2, 3};
  gPrefModify = true;
  TerminateGlobals();
  EXPECT_TRUE(gRecentFileHandle.empty());
  InitializeGlobals();
  EXPECT_EQ(gPreference.startupAction, 0);
  EXPECT_FALSE(gPrefModify);
  EXPECT_EQ(gCtrlkeys, gCtrlkeyDef);
}

}  // namespace

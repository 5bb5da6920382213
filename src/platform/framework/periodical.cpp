#include "platform/framework/periodical.h"

#include <algorithm>

int LPeriodical::sDevoting = 0;

std::vector<LPeriodical*>& LPeriodical::Idlers() {
  static std::vector<LPeriodical*> idlers;   // null slots wait until no turn runs
  return idlers;
}

LPeriodical::~LPeriodical() { StopIdling(); }

void LPeriodical::StartIdling() {
  if (!IsIdling()) Idlers().push_back(this);
}

void LPeriodical::StopIdling() {
  auto& idlers = Idlers();
  for (LPeriodical*& p : idlers)
    if (p == this) p = nullptr;
  if (sDevoting == 0) std::erase(idlers, nullptr);
}

bool LPeriodical::IsIdling() const {
  const auto& idlers = Idlers();
  return std::find(idlers.begin(), idlers.end(), this) != idlers.end();
}

void LPeriodical::DevoteTimeToIdlers(const EventRecord& event) {
  auto& idlers = Idlers();
  const std::size_t count = idlers.size();
  ++sDevoting;
  struct Done {
    ~Done() {
      if (--sDevoting == 0) std::erase(Idlers(), nullptr);
    }
  } done;
  for (std::size_t i = 0; i < count; ++i)
    if (LPeriodical* p = idlers[i]) p->SpendTime(event);
}

std::size_t LPeriodical::CountIdlers() {
  const auto& idlers = Idlers();
  return std::size_t(std::count_if(idlers.begin(), idlers.end(), [](LPeriodical* p) { return p; }));
}

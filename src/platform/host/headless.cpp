#include "platform/host/headless.h"

#include <algorithm>
#include <utility>

namespace {
std::string FromPString(const unsigned char* s) {
  return s ? std::string(reinterpret_cast<const char*>(s + 1), s[0]) : std::string();
}
}  // namespace

KxHeadlessHost::KxHeadlessHost(bool install) : mInstalled(install) {
  if (mInstalled) {
    KxSetClock(&mClock);
    KxSetHost(this);
  }
}

KxHeadlessHost::~KxHeadlessHost() {
  if (mInstalled) {
    KxSetHost(nullptr);
    KxSetClock(nullptr);
  }
}

void KxHeadlessHost::PostEvent(const EventRecord& event) { mQueue.push_back(event); }

void KxHeadlessHost::PostKey(std::uint8_t ch, std::uint8_t keyCode, std::uint16_t modifiers) {
  EventRecord e;
  e.what = keyDown;
  e.message = KxKeyMessage(ch, keyCode);
  e.modifiers = modifiers;
  PostEvent(e);
}

void KxHeadlessHost::PostMouse(bool down, Point where, std::uint16_t modifiers) {
  EventRecord e;
  e.what = down ? mouseDown : mouseUp;
  e.where = where;
  e.modifiers = modifiers;
  PostEvent(e);
}

void KxHeadlessHost::PostMouseMove(Point where, std::uint16_t modifiers) {
  EventRecord e;
  e.what = nullEvent;
  e.where = where;
  e.modifiers = modifiers;
  PostEvent(e);
}

void KxHeadlessHost::PostMenuChoice(std::int16_t menuID, std::int16_t item) {
  EventRecord e;
  e.what = kKxMenuChoiceEvt;
  e.message = (std::uint32_t(std::uint16_t(menuID)) << 16) | std::uint16_t(item);
  PostEvent(e);
}

void KxHeadlessHost::QueueAnswer(KxAnswer answer, std::string path) {
  mAnswers.push_back({answer, std::move(path)});
}

void KxHeadlessHost::QueueColourAnswer(const RGBColor& colour) { mAnswers.push_back({KxAnswer::kOK, "", true, colour}); }

namespace {
// The queue's mark of an input-method step; never handed out as an event.
constexpr std::int16_t kInputMethodMark = -1;
// The high byte of an operating-system event that reports a mouse move.
constexpr std::uint32_t kMouseMovedMessage = 0xFA;
}  // namespace

void KxHeadlessHost::PostPreedit(const std::string& utf8, const std::vector<KxInputMethodClient::Clause>& clauses,
                                 long caret) {
  mInputMethodSteps.push_back(InputMethodStep{false, utf8, clauses, caret});
  EventRecord mark;
  mark.what = kInputMethodMark;
  mQueue.push_back(mark);
}

void KxHeadlessHost::PostCommit(const std::string& utf8) {
  mInputMethodSteps.push_back(InputMethodStep{true, utf8, {}, -1});
  EventRecord mark;
  mark.what = kInputMethodMark;
  mQueue.push_back(mark);
}

bool KxHeadlessHost::WaitNextEvent(EventRecord& event, std::uint32_t sleepTicks) {
  mLastSleep = sleepTicks;
  // Input-method steps are delivered where they stand in the script.
  while (!mQueue.empty() && mQueue.front().what == kInputMethodMark) {
    mQueue.pop_front();
    if (mInputMethodSteps.empty()) continue;
    const InputMethodStep step = mInputMethodSteps.front();
    mInputMethodSteps.pop_front();
    if (step.commit)
      KxDeliverInputMethodCommit(step.text);
    else
      KxDeliverInputMethodPreeditClauses(step.text, step.clauses, step.caret);
  }
  if (!mQueue.empty() && mQueue.front().what == nullEvent) {
    // A move: idle time with the new point, a tick after what went before,
    // as the pane that tracks the mouse sees it on a desktop.
    event = mQueue.front();
    mQueue.pop_front();
    mClock.Advance(1);
    event.when = mClock.ticks;
    mMouse = event.where;
    // The button is held while a press is out, or while the release that
    // ends these moves still waits in the queue (a press handed to a pane
    // directly, its moves and release queued for its tracking loop).
    bool held = mButtonDown;
    for (const EventRecord& e : mQueue) held = held || e.what == mouseUp;
    event.modifiers = std::uint16_t((event.modifiers & ~kKxEventButtonState) | (held ? 0 : kKxEventButtonState));
    mIdleTurns = 0;
    return false;
  }
  if (!mQueue.empty()) {
    event = mQueue.front();
    mQueue.pop_front();
    event.when = mClock.ticks;
    const bool moved = event.what == osEvt && (event.message >> 24) == kMouseMovedMessage;
    if (event.what == mouseDown || event.what == mouseUp || event.what == nullEvent || event.what == kKxWheelEvt ||
        moved)
      mMouse = event.where;
    else
      event.where = mMouse;
    if (event.what == mouseDown) mButtonDown = true;
    if (event.what == mouseUp) mButtonDown = false;
    mIdleTurns = 0;
    return true;
  }
  for (Window& w : mWindows)
    if (w.updatePending) {
      w.updatePending = false;
      event = EventRecord{};
      event.what = updateEvt;
      event.message = w.id;
      event.when = mClock.ticks;
      event.where = mMouse;
      event.modifiers = mButtonDown ? 0 : kKxEventButtonState;
      mIdleTurns = 0;
      return true;
    }
  // A script's next step runs here, inside whichever loop waits.
  if (HasScript() && !ScriptEnded() && FeedScript() == ScriptTurn::kStep) {
    if (!mQueue.empty()) return WaitNextEvent(event, sleepTicks);
    // A step that queued nothing still gives the loop a turn, without
    // time passing, so that it sees what the step changed (an answer).
    event = EventRecord{};
    event.when = mClock.ticks;
    event.modifiers = mButtonDown ? 0 : kKxEventButtonState;
    return false;
  }
  // Nothing waits: the whole wait passes on the virtual clock.
  mClock.Advance(sleepTicks);
  ++mIdleTurns;
  event = EventRecord{};
  event.when = mClock.ticks;
  event.where = mMouse;
  event.modifiers = mButtonDown ? 0 : kKxEventButtonState;
  return false;
}

bool KxHeadlessHost::PeekForEscape() {
  for (auto it = mQueue.begin(); it != mQueue.end(); ++it) {
    if (it->what != keyDown) continue;
    const bool escape = KxEventKeyCode(*it) == kKxKeyEscape || KxEventChar(*it) == kKxCharEscape;
    const bool commandPeriod = KxEventChar(*it) == '.' && (it->modifiers & kKxEventCommandKey);
    if (escape || commandPeriod) {
      mQueue.erase(it);
      return true;
    }
  }
  return false;
}

bool KxHeadlessHost::ShouldStop() const {
  if (KxHost::ShouldStop()) return true;
  return mIdleLimit != 0 && mQueue.empty() && mIdleTurns >= mIdleLimit;
}

const KxHeadlessHost::Window* KxHeadlessHost::Find(KxWindowID window) const {
  for (const Window& w : mWindows)
    if (w.id == window) return &w;
  return nullptr;
}

KxHeadlessHost::Window* KxHeadlessHost::Find(KxWindowID window) {
  return const_cast<Window*>(static_cast<const KxHeadlessHost*>(this)->Find(window));
}

void KxHeadlessHost::FrontChanged(KxWindowID oldFront) {
  const KxWindowID newFront = FrontWindow();
  if (newFront == oldFront) return;
  // After the activate events already waiting, before everything else.
  auto at = std::find_if(mQueue.begin(), mQueue.end(), [](const EventRecord& e) { return e.what != activateEvt; });
  EventRecord activate;
  activate.what = activateEvt;
  activate.when = mClock.ticks;
  if (oldFront != kKxNoWindow && Find(oldFront)) {
    activate.message = oldFront;
    activate.modifiers = 0;
    at = mQueue.insert(at, activate) + 1;   // the deactivation comes first
  }
  if (newFront != kKxNoWindow) {
    activate.message = newFront;
    activate.modifiers = kKxEventActiveFlag;
    mQueue.insert(at, activate);
  }
}

KxWindowID KxHeadlessHost::CreateWindow(KxWindowClient* client, const Rect& bounds,
                                        const unsigned char* title) {
  const KxWindowID oldFront = FrontWindow();
  const KxWindowID id = mNextWindow++;
  mWindows.insert(mWindows.begin(), Window{id, client, bounds, FromPString(title), 0, false});
  FrontChanged(oldFront);
  return id;
}

void KxHeadlessHost::DestroyWindow(KxWindowID window) {
  const KxWindowID oldFront = FrontWindow();
  std::erase_if(mWindows, [window](const Window& w) { return w.id == window; });
  // Events still waiting for the window have no one to go to.
  std::erase_if(mQueue, [window](const EventRecord& e) {
    return (e.what == activateEvt || e.what == updateEvt) && e.message == window;
  });
  FrontChanged(oldFront == window ? kKxNoWindow : oldFront);
}

KxWindowID KxHeadlessHost::CreateFloatingWindow(KxWindowClient* client, const Rect& bounds,
                                                const unsigned char* title) {
  const KxWindowID id = mNextWindow++;
  Window w{id, client, bounds, FromPString(title), 0, false};
  w.floating = true;
  w.shown = false;
  // Behind the documents in the list, which keeps the documents' order
  // (and the front window) as it was.
  mWindows.push_back(w);
  return id;
}

std::vector<KxWindowID> KxHeadlessHost::FloatingWindowList() const {
  std::vector<KxWindowID> ids;
  for (const Window& w : mWindows)
    if (w.floating) ids.push_back(w.id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

void KxHeadlessHost::ShowFloatingWindow(KxWindowID window, bool shown) {
  const auto it = std::find_if(mWindows.begin(), mWindows.end(), [window](const Window& w) { return w.id == window; });
  if (it == mWindows.end() || !it->floating || it->shown == shown) return;
  it->shown = shown;
  // Shown, it stands above the floating windows already shown, as a
  // desktop maps it.
  if (shown) {
    const auto first = std::find_if(mWindows.begin(), mWindows.end(), [](const Window& w) { return w.floating; });
    std::rotate(first, it, it + 1);
  }
}

bool KxHeadlessHost::IsWindowShown(KxWindowID window) const {
  const Window* w = Find(window);
  return w && w->shown;
}

void KxHeadlessHost::SelectWindow(KxWindowID window) {
  auto it = std::find_if(mWindows.begin(), mWindows.end(), [window](const Window& w) { return w.id == window; });
  if (it == mWindows.end() || it->floating) return;
  const KxWindowID oldFront = FrontWindow();
  std::rotate(mWindows.begin(), it, it + 1);
  FrontChanged(oldFront);
}

void KxHeadlessHost::SetWindowBounds(KxWindowID window, const Rect& bounds) {
  if (Window* w = Find(window)) w->bounds = bounds;
}

Rect KxHeadlessHost::GetWindowBounds(KxWindowID window) const {
  const Window* w = Find(window);
  return w ? w->bounds : Rect{0, 0, 0, 0};
}

void KxHeadlessHost::SetWindowTitle(KxWindowID window, const unsigned char* title) {
  if (Window* w = Find(window)) {
    w->title = FromPString(title);
    w->titleUTF8.clear();
  }
}

void KxHeadlessHost::SetWindowTitleUTF8(KxWindowID window, const std::string& title) {
  if (Window* w = Find(window)) w->titleUTF8 = title;
}

std::string KxHeadlessHost::GetWindowTitleUTF8(KxWindowID window) const {
  const Window* w = Find(window);
  return w ? w->titleUTF8 : std::string();
}

std::string KxHeadlessHost::GetWindowTitle(KxWindowID window) const {
  const Window* w = Find(window);
  return w ? w->title : std::string();
}

void KxHeadlessHost::SetWindowModified(KxWindowID window, bool modified) {
  if (Window* w = Find(window)) w->modified = modified;
}

bool KxHeadlessHost::IsWindowModified(KxWindowID window) const {
  const Window* w = Find(window);
  return w && w->modified;
}

void KxHeadlessHost::InvalidateWindow(KxWindowID window, const Rect&) {
  if (Window* w = Find(window)) {
    ++w->invalidations;
    w->updatePending = true;
  }
}

int KxHeadlessHost::CountInvalidations(KxWindowID window) const {
  const Window* w = Find(window);
  return w ? w->invalidations : 0;
}

void KxHeadlessHost::SetWindowFloating(KxWindowID window) {
  for (Window& w : mWindows)
    if (w.id == window) w.above = true;
}

bool KxHeadlessHost::IsUtilityWindow(KxWindowID window) const {
  const Window* w = Find(window);
  return w && w->above;
}

std::vector<KxWindowID> KxHeadlessHost::WindowList() const {
  std::vector<KxWindowID> ids;
  for (const Window& w : mWindows)
    if (!w.floating) ids.push_back(w.id);
  return ids;
}

KxWindowClient* KxHeadlessHost::GetWindowClient(KxWindowID window) const {
  const Window* w = Find(window);
  return w ? w->client : nullptr;
}

KxWindowID KxHeadlessHost::FindWindow(Point where) const {
  // Shown floating windows stand above every document window, the one
  // shown last in front.
  for (const Window& w : mWindows)
    if (w.floating && w.shown && where.v >= w.bounds.top && where.v < w.bounds.bottom && where.h >= w.bounds.left &&
        where.h < w.bounds.right)
      return w.id;
  for (const Window& w : mWindows)
    if (w.above && where.v >= w.bounds.top && where.v < w.bounds.bottom && where.h >= w.bounds.left &&
        where.h < w.bounds.right)
      return w.id;
  for (const Window& w : mWindows)
    if (!w.floating && where.v >= w.bounds.top && where.v < w.bounds.bottom && where.h >= w.bounds.left &&
        where.h < w.bounds.right)
      return w.id;
  return kKxNoWindow;
}

void KxHeadlessHost::ClearClipboard() {
  mClipboard.Clear();
  ++mClipboardChanges;
}

void KxHeadlessHost::PutClipboard(OSType type, const void* data, std::size_t size) {
  mClipboard.Put(type, data, size);
  ++mClipboardChanges;
}

bool KxHeadlessHost::GetClipboard(OSType type, std::vector<std::uint8_t>& data) const {
  return mClipboard.Get(type, data);
}

std::vector<OSType> KxHeadlessHost::ClipboardTypes() const { return mClipboard.Types(); }

KxAnswer KxHeadlessHost::AskSaveChanges(const std::string&) {
  return RunModalAnswer(KxAnswer::kSave, KxAnswer::kCancel);
}

KxAnswer KxHeadlessHost::Alert(KxAlertKind kind, const std::string& text) {
  mAlerts.push_back({kind, text});
  return RunModalAnswer(KxAnswer::kOK, KxAnswer::kOK);
}

KxAnswer KxHeadlessHost::RunModalAnswer(KxAnswer onReturn, KxAnswer unanswered) {
  auto takeQueued = [this](KxAnswer& a) {
    if (mAnswers.empty()) return false;
    a = mAnswers.front().answer;
    mAnswers.pop_front();
    return true;
  };
  KxAnswer answer = unanswered;
  if (takeQueued(answer) || !HasScript() || ScriptEnded()) return answer;
  // The alert's own loop: the script's next steps run inside it; keys go
  // to the alert (Return and Enter press its default button, Escape and
  // command-period cancel), clicks elsewhere beep, and the windows behind
  // still get their activate and update events.
  constexpr std::uint32_t kAlertSleepTicks = 3;
  struct Loop {
    int& n;
    ~Loop() { --n; }
  } loop{++mAlertLoops};
  while (!takeQueued(answer)) {
    if (ScriptEnded()) return KxAnswer::kCancel;
    if (std::exchange(mDismiss, false)) return unanswered;
    EventRecord e;
    if (!WaitNextEvent(e, kAlertSleepTicks)) continue;
    KxWindowClient* client = e.what == activateEvt || e.what == updateEvt ? GetWindowClient(e.message) : nullptr;
    if (e.what == keyDown || e.what == autoKey) {
      const std::uint8_t key = KxEventKeyCode(e), ch = KxEventChar(e);
      if (key == kKxKeyReturn || key == kKxKeyEnter) return onReturn;
      if (key == kKxKeyEscape || ch == kKxCharEscape || (ch == '.' && (e.modifiers & kKxEventCommandKey)))
        return KxAnswer::kCancel;
    } else if (e.what == mouseDown) {
      Beep();
    } else if (client && e.what == activateEvt) {
      client->HostActivate((e.modifiers & kKxEventActiveFlag) != 0);
    } else if (client) {
      client->HostUpdate(Rect{0, 0, 0, 0});
    }
  }
  return answer;
}

bool KxHeadlessHost::ChooseFile(std::string& path) {
  if (mAnswers.empty()) return false;
  Answer a = std::move(mAnswers.front());
  mAnswers.pop_front();
  if (a.answer != KxAnswer::kOK || a.path.empty()) return false;
  path = std::move(a.path);
  return true;
}

bool KxHeadlessHost::ChooseSaveFile(const std::string&, std::string& path) { return ChooseFile(path); }

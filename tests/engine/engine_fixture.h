// Text engines for tests: the synthetic font, a scrap of their own, a view
// stand-in that is a commander under a headless window carrying a text
// undoer, and a listener that records the engine's broadcasts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/text_engine.h"
#include "engine/text_undoer.h"
#include "platform/fonts.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace kxtest {

struct EngineFontFirst {
  EngineFontFirst() { KxFontInstallBackend(KxSyntheticFontBackend()); }
};

class TestEngine : private EngineFontFirst, public CKXTextEngine {
 public:
  TestEngine() : CKXTextEngine(false) { KXTE_Activate(GetEdit()); }
  ~TestEngine() override {
    if (mScrap) KXText_Dispose(mScrap);
  }
  TestEngine(const TestEngine&) = delete;
  TestEngine& operator=(const TestEngine&) = delete;

  void SetText(const std::string& bytes) {
    KXText_SetText(GetEdit(), bytes.data(), long(bytes.size()), nullptr, 0, nullptr, 0, nullptr, 0);
    KXTE_CalcText(GetEdit());
    KXTE_SetSelect(GetEdit(), 0, 0);
  }
  std::string Text() const {
    std::string s(std::size_t(KXText_GetLength(GetEdit())), '\0');
    KXText_GetText(GetEdit(), s.data(), long(s.size()), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    return s;
  }
  void Type(const std::string& keys) {
    for (const char c : keys) DoKey(static_cast<unsigned char>(c), 0);
  }
  void Select(long from, long to) { SetSelectionRange({std::int32_t(from), std::int32_t(to - from)}, false); }
  void ForgetPartCache() { ForgetParts(); }

 protected:
  void TextPutScrap(KXTextHandle text, short) override {
    if (!mScrap) mScrap = KXText_New();
    KXText_SetDuplicate(mScrap, text);
  }
  void TextGetScrap(KXTextHandle text, short& kind) override {
    kind = 0;
    if (mScrap) KXText_SetDuplicate(text, mScrap);
  }

 private:
  KXTextHandle mScrap;
};

// Records every broadcast; the modified flag travels with 10003.
class Recorder : public LListener {
 public:
  void ListenToMessage(MessageT message, void* param) override {
    heard.push_back(message);
    if (message == kKxMsgModifiedChanged) flags.push_back(param ? *static_cast<const bool*>(param) : false);
  }
  void Clear() {
    heard.clear();
    flags.clear();
  }
  std::vector<MessageT> heard;
  std::vector<bool> flags;
};

// The view: a commander under the window, following the engine's image
// size, telling the engine when it scrolls.
class TestView : public LView, public LCommander, public LListener {
 public:
  TestView(CKXTextEngine& engine, LWindow& window, std::int32_t width, std::int32_t height)
      : LCommander(&window), mEngine(engine) {
    mFrameSize = {width, height};
    mImageSize = {width, height};
    PutInside(&window, 0, 0);
    engine.AddListener(this);
    engine.SetHandlerView(this);
    Fit();
  }
  ~TestView() override { mEngine.SetHandlerView(nullptr); }
  TestView(const TestView&) = delete;
  TestView& operator=(const TestView&) = delete;

  void ScrollImageBy(std::int32_t dh, std::int32_t dv, bool refresh) override {
    LView::ScrollImageBy(dh, dv, refresh);
    mEngine.ScrollView(dh, dv, refresh);
  }
  void ListenToMessage(MessageT message, void*) override {
    if (message == kKxMsgImageSizeChanged) Fit();
  }
  void Fit() {
    SDimension32 size{};
    mEngine.GetImageSize(size);
    ResizeImageTo(std::max(size.width, mFrameSize.width), std::max(size.height, mFrameSize.height), false);
  }

 private:
  CKXTextEngine& mEngine;
};

// An engine shown in a window of its own whose undoer keeps its history.
struct EngineWindow {
  explicit EngineWindow(const Rect& bounds = Rect{40, 40, 440, 640}, bool withUndoer = true) {
    window = new LWindow(bounds, reinterpret_cast<ConstStringPtr>("\x04test"), nullptr);
    if (withUndoer) {
      undoer = new CKXTextUndoer;
      window->AddAttachment(undoer, nullptr, true);
    }
    engine = std::make_unique<TestEngine>();
    view = new TestView(*engine, *window, bounds.right - bounds.left, bounds.bottom - bounds.top);
  }
  ~EngineWindow() {
    delete window;   // the view and the undoer with it
    engine.reset();
  }
  EngineWindow(const EngineWindow&) = delete;
  EngineWindow& operator=(const EngineWindow&) = delete;

  LWindow* window = nullptr;
  CKXTextUndoer* undoer = nullptr;   // owned by the window
  std::unique_ptr<TestEngine> engine;
  TestView* view = nullptr;          // owned by the window
};

class EngineTest : public ::testing::Test {
 protected:
  KxHeadlessHost host;
};

}  // namespace kxtest

// The application with the program's text documents on the headless host,
// in a scratch folder of the test's own: what the document tests open,
// type into and save through.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/app_commands.h"
#include "app/application.h"
#include "document/text_doc.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/commander.h"
#include "platform/framework/framework_classes.h"
#include "platform/framework/window.h"
#include "platform/host/headless.h"

namespace kxtest {

// A file's bytes, and bytes into a file.
inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
inline void Spit(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

class DocAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KxFontInstallBackend(KxSyntheticFontBackend());
    KxRegisterFrameworkClasses();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    dir = std::filesystem::temp_directory_path() / ("kx_doc_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    CKXTextDocument::GetSettings() = CKXTextDocument::Settings{};
    app = std::make_unique<CKXTextApp>(&hooks);
    app->Prepare();
  }
  void TearDown() override {
    kx_filetest::Reset();
    for (CKXTextDocument* d : KxTextDocHooks::All()) delete d;
    app.reset();
    std::filesystem::remove_all(dir);
  }
  void Drain() {
    for (int guard = 0; guard < 10000 && host.PendingEvents() > 0; ++guard) app->ProcessNextEvent();
  }
  void Command(CommandT c) {
    LCommander::GetTarget()->ProcessCommand(c, nullptr);
    Drain();
  }
  CKXTextDocument* Front() {
    for (CKXTextDocument* d : KxTextDocHooks::All())
      if (d->GetWindow() == LWindow::FetchFrontWindow()) return d;
    return nullptr;
  }
  // The open dialog answered with `files`, its format item `filter` and
  // its pop-ups `choices` (none: left alone).
  void OpenChosen(const std::vector<std::filesystem::path>& files, int filter, std::vector<int> choices = {}) {
    KxDialogReply reply;
    reply.answer = KxAnswer::kOK;
    for (const std::filesystem::path& p : files) reply.paths.push_back(p.string());
    reply.filter = filter;
    reply.choices = std::move(choices);
    host.QueueDialogReply(reply);
    app->ProcessCommand(kKxCmdOpen, nullptr);
    Drain();
  }
  // Save As of the target's document answered the same way.
  void SaveAsChosen(const std::filesystem::path& to, int filter, std::vector<int> choices = {}) {
    KxDialogReply reply;
    reply.answer = KxAnswer::kOK;
    reply.paths = {to.string()};
    reply.filter = filter;
    reply.choices = std::move(choices);
    host.QueueDialogReply(reply);
    Command(6);   // Save As
  }
  // The document of a file, opened as the command line opens it.
  CKXTextDocument* Open(const std::filesystem::path& p) {
    if (!hooks.OpenDocument(p.string())) return nullptr;
    Drain();
    return Front();
  }

  KxHeadlessHost host;
  KxTextDocHooks hooks;
  std::unique_ptr<CKXTextApp> app;
  std::filesystem::path dir;
};

}  // namespace kxtest

// Opening a file in the program: the text document's read (the document
// file tube, the encoding check, the exchange into the engine, the
// converters) over arbitrary bytes. Byte 0 chooses the name's ending
// (.txt .rtf .jpg .pict .kxt); the rest is the file. A file opens as a
// sound document or is refused with an alert; a file read as a copy is
// never written; a document bound to its file saves and reopens with the
// same text.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "document/text_doc.h"
#include "formats/facilities.h"
#include "platform/core.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "platform/framework/framework_classes.h"
#include "platform/host/headless.h"

namespace fs = std::filesystem;

namespace {

fs::path gDir;
KxHeadlessHost* gHost = nullptr;
KxTextDocHooks* gHooks = nullptr;
CKXTextApp* gApp = nullptr;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "doc_read_into: %s\n", what);
    std::abort();
  }
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CloseAll() {
  for (CKXTextDocument* d : KxTextDocHooks::All()) delete d;
}

CKXTextDocument* Opened(const std::string& path) {
  const std::size_t alerts = gHost->Alerts().size();
  const bool ok = gHooks->OpenDocument(path);
  const auto docs = KxTextDocHooks::All();
  if (!ok) {
    Check(docs.empty(), "a refused file left a document");
    Check(gHost->Alerts().size() > alerts, "a file was refused without an alert");
    return nullptr;
  }
  Check(docs.size() == 1, "one file opened as several documents");
  return docs.front();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KxFormatsFacilities();
  CoreInit();
  KxFontInstallBackend(KxSyntheticFontBackend());
  KxRegisterFrameworkClasses();
  gHost = new KxHeadlessHost;
  gHooks = new KxTextDocHooks;
  gApp = new CKXTextApp(gHooks);
  gApp->Prepare();
  gDir = fs::temp_directory_path() / ("kx_doc_read_into_" + std::to_string(getpid()));
  fs::create_directories(gDir);
  std::atexit([] { fs::remove_all(gDir); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const endings[] = {".txt", ".rtf", ".jpg", ".pict", ".kxt"};
  for (const auto& e : fs::directory_iterator(gDir)) fs::remove_all(e.path());
  const fs::path in = gDir / (std::string("file") + endings[data[0] % 5]);
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::ofstream(in, std::ios::binary) << bytes;

  const std::size_t alertsBefore = gHost->Alerts().size();
  CKXTextDocument* d = Opened(in.string());
  if (!d) return 0;
  // Bytes that are no character in the file's encoding come in as other
  // characters, and the user was told a save will not write them back.
  bool warnedLossy = false;
  for (std::size_t k = alertsBefore; k < gHost->Alerts().size(); ++k)
    warnedLossy |= gHost->Alerts()[k].text.find("\u5143\u306E\u30D0\u30A4\u30C8\u306B\u306F\u623B\u308A\u307E\u305B\u3093") !=
                   std::string::npos;
  const std::string text = d->TextBytes();
  if (!d->IsSpecified()) {
    // A copy: the file stays as it was.
    Check(d->Path().empty(), "a copy is bound to its file");
    CloseAll();
    Check(Slurp(in) == bytes, "a file read as a copy changed");
    return 0;
  }
  try {
    d->DoSave();
  } catch (const LException&) {
    // An encoding that cannot hold the text refuses the save: the file stays.
    CloseAll();
    Check(Slurp(in) == bytes, "a failed save changed the file");
    return 0;
  }
  CloseAll();
  CKXTextDocument* again = Opened(in.string());
  Check(again != nullptr, "a file we saved does not open");
  if (!warnedLossy && again->TextBytes() != text) {
    const std::string t2 = again->TextBytes();
    for (std::size_t i = 0; i < std::max(text.size(), t2.size()); ++i)
      if (i >= text.size() || i >= t2.size() || text[i] != t2[i]) {
        std::fprintf(stderr, "differ at %zu of %zu/%zu\n", i, text.size(), t2.size());
        for (std::size_t k = i > 8 ? i - 8 : 0; k < i + 8 && k < text.size(); ++k) std::fprintf(stderr, "%02x ", (unsigned char)text[k]);
        std::fprintf(stderr, "\n");
        for (std::size_t k = i > 8 ? i - 8 : 0; k < i + 8 && k < t2.size(); ++k) std::fprintf(stderr, "%02x ", (unsigned char)t2[k]);
        std::fprintf(stderr, "\n");
        break;
      }
  }
  Check(warnedLossy || again->TextBytes() == text, "the text changed through a save");
  CloseAll();
  return 0;
}

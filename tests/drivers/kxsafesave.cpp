// kxsafesave: saves through the safe writer, for the crash-safety tests.
//
//   kxsafesave write FILE GEN SIZE   one save of generation GEN, SIZE bytes
//   kxsafesave loop FILE SIZE        saves generations 1, 2, 3 ... forever
//   kxsafesave check FILE            exit 0 when FILE is one whole generation
//
// A generation is a container holding one 'TEXT' resource whose bytes are
// a pattern derived from the generation number; check reads the container
// back and verifies every byte, so a file that mixes two saves, or stops
// short, fails. Saves go container -> temporary file -> rename, exactly as
// a document's does.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/facilities.h"
#include "document/resource.h"
#include "driver.h"
#include "platform/files.h"
#include "text/base/memory.h"

namespace {

constexpr ResType kText = FourCC("TEXT");
constexpr ResType kGen = FourCC("GEN ");

std::vector<char> Pattern(long generation, long size) {
  std::vector<char> b(static_cast<std::size_t>(size));
  std::uint32_t x = static_cast<std::uint32_t>(generation) * 2654435761u + 1;
  for (char& c : b) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return b;
}

int Save(const std::string& path, long generation, long size) {
  CKXSafeWriter writer(path);
  int err = writer.Open();
  if (!err) {
    try {
      CKXResFile container;
      container.SetFile(writer.Fd(), false);
      std::vector<char> text = Pattern(generation, size);
      std::string gen = std::to_string(generation);
      if (!container.WriteResource(gen.data(), static_cast<long>(gen.size()), kGen, 1) ||
          !container.WriteResource(text.data(), size, kText, 1) || !container.CloseResInfo())
        err = EIO;
    } catch (const LException& e) {
      err = static_cast<int>(e.GetErrorCode());
    }
  }
  if (!err) err = writer.Commit();
  if (err) std::fprintf(stderr, "kxsafesave: %s: %s\n", path.c_str(), KxErrorText(err).c_str());
  return err ? 1 : 0;
}

int Check(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (int err = KxReadFile(path, bytes)) {
    std::fprintf(stderr, "kxsafesave: %s: %s\n", path.c_str(), KxErrorText(err).c_str());
    return 1;
  }
  CKXMemResource container(bytes);
  container.OpenResInfo();
  char gen[16] = {};
  if (!container.IsOpen() || !container.ReadResource(gen, sizeof gen - 1, kGen, 1)) {
    std::fprintf(stderr, "kxsafesave: %s: not a whole save (%zu bytes)\n", path.c_str(), bytes.size());
    return 1;
  }
  const long generation = std::atol(gen);
  Handle text = container.ReadResource(kText, 1);
  bool good = text != nullptr;
  if (good) {
    std::vector<char> want = Pattern(generation, KxMemHSize(text));
    good = std::equal(want.begin(), want.end(), *text);
    KxMemHFree(text);
  }
  std::printf("generation %ld %s\n", generation, good ? "whole" : "damaged");
  return good ? 0 : 1;
}

int Run(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "write" && argc == 5) return Save(argv[2], std::atol(argv[3]), std::atol(argv[4]));
  if (command == "loop" && argc == 4) {
    for (long generation = 1;; ++generation)
      if (Save(argv[2], generation, std::atol(argv[3]))) return 1;
  }
  if (command == "check" && argc == 3) return Check(argv[2]);
  std::fprintf(stderr,
               "usage: kxsafesave write FILE GEN SIZE | loop FILE SIZE | check FILE\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxsafesave", KxDocumentFacilities, [&] { return Run(argc, argv); });
}

// kxres: lists and changes the resources of a file, for the script tests.
//
//   kxres list FILE                  every resource: type, ID, size, "name"
//   kxres get FILE TYPE ID           the resource's bytes on stdout
//   kxres put [--sidecar|--fork|--container] FILE TYPE ID DATAFILE [NAME]
//
// FILE may be one of the program's containers, an AppleDouble sidecar, a
// bare resource fork, or a file whose sidecar "._FILE" holds the fork.
// put writes into FILE's sidecar (default), into FILE as a bare resource
// fork, or into FILE's own container, always through the safe writer.
// Exit status: 0 done, 1 usage or file error, 2 no resources found.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "document/facilities.h"
#include "document/resource.h"
#include "driver.h"
#include "platform/appledouble.h"
#include "platform/files.h"
#include "platform/resfork.h"
#include "text/base/memory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Listed {
  OSType type;
  short id;
  std::size_t size;
  bool hasName;
  std::string name;
};

int Usage() {
  std::fprintf(stderr,
               "usage: kxres list FILE\n"
               "       kxres get FILE TYPE ID\n"
               "       kxres put [--sidecar|--fork|--container] FILE TYPE ID DATAFILE [NAME]\n");
  return 1;
}

int Fail(const std::string& path, int err) {
  std::fprintf(stderr, "kxres: %s: %s\n", path.c_str(), KxErrorText(err).c_str());
  return 1;
}

bool ParseType(const char* s, OSType& type) {
  if (std::strlen(s) != 4) return false;
  type = 0;
  for (int i = 0; i < 4; ++i) type = (type << 8) | static_cast<std::uint8_t>(s[i]);
  return true;
}

bool ParseID(const char* s, short& id) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < -32768 || v > 32767) return false;
  id = static_cast<short>(v);
  return true;
}

// The resources of `bytes` in whichever form they are; false when none.
bool Collect(const Bytes& bytes, std::vector<Listed>& out, Bytes* wanted = nullptr, OSType wantType = 0,
             short wantID = 0) {
  out.clear();
  if (KxAppleDouble::Looks(bytes.data(), bytes.size())) {
    KxAppleDouble ad;
    KxResFork fork;
    if (ad.Parse(bytes.data(), bytes.size()) != 0 || ad.GetResourceFork(fork) != 0) return false;
    for (const auto& item : fork.Items()) out.push_back({item.type, item.id, item.data.size(), item.hasName, item.name});
    if (wanted)
      if (const KxResForkItem* item = fork.Find(wantType, wantID)) *wanted = item->data;
    return true;
  }
  CKXMemResource container(bytes);
  container.OpenResInfo();
  if (container.IsOpen()) {
    for (short t = 1; t <= container.CountResTypes(); ++t) {
      const OSType type = container.GetIndResType(t);
      for (short k = 1; k <= container.CountResources(type); ++k) {
        const short id = container.GetIndResID(type, k);
        out.push_back({type, id, static_cast<std::size_t>(container.GetResSize(type, id)), false, ""});
      }
    }
    if (wanted)
      if (Handle h = container.ReadResource(wantType, wantID)) {
        wanted->assign(*h, *h + KxMemHSize(h));
        KxMemHFree(h);
      }
    return true;
  }
  KxResFork fork;
  if (fork.Parse(bytes.data(), bytes.size()) != 0) return false;
  for (const auto& item : fork.Items()) out.push_back({item.type, item.id, item.data.size(), item.hasName, item.name});
  if (wanted)
    if (const KxResForkItem* item = fork.Find(wantType, wantID)) *wanted = item->data;
  return true;
}

// The file itself, else its sidecar.
int Load(const std::string& path, std::vector<Listed>& out, Bytes* wanted = nullptr, OSType type = 0, short id = 0) {
  Bytes bytes;
  int err = KxReadFile(path, bytes);
  if (err && err != ENOENT) return Fail(path, err);
  if (!err && Collect(bytes, out, wanted, type, id)) return 0;
  Bytes side;
  int sideErr = KxReadFile(KxSidecarPath(path), side);
  if (!sideErr && Collect(side, out, wanted, type, id)) return 0;
  if (err) return Fail(path, err);
  std::fprintf(stderr, "kxres: %s: no resources\n", path.c_str());
  return 2;
}

int List(const std::string& path) {
  std::vector<Listed> items;
  if (int rc = Load(path, items)) return rc;
  for (const Listed& l : items) {
    std::printf("%s %d %zu", KxTypeText(l.type).c_str(), l.id, l.size);
    if (l.hasName) std::printf(" \"%s\"", l.name.c_str());
    std::printf("\n");
  }
  return 0;
}

int Get(const std::string& path, OSType type, short id) {
  std::vector<Listed> items;
  Bytes data;
  if (int rc = Load(path, items, &data, type, id)) return rc;
  bool found = false;
  for (const Listed& l : items) found = found || (l.type == type && l.id == id);
  if (!found) {
    std::fprintf(stderr, "kxres: %s: no resource %s %d\n", path.c_str(), KxTypeText(type).c_str(), id);
    return 2;
  }
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) return 1;
  return 0;
}

// A name is kept only in resource forks; containers have none.
int Put(const std::string& mode, const std::string& path, OSType type, short id, const std::string& source,
        const char* name) {
  Bytes data;
  if (int err = KxReadFile(source, data)) return Fail(source, err);
  if (mode == "--sidecar" || mode == "--fork") {
    KxResFork fork;
    int err = 0;
    if (mode == "--sidecar") {
      err = KxReadResourceFork(path, fork);
    } else {
      Bytes old;
      err = KxReadFile(path, old);
      if (err == ENOENT) err = 0;
      else if (!err && !old.empty()) err = fork.Parse(old.data(), old.size());
    }
    if (err) return Fail(path, err);
    KxResForkItem& item = fork.Put(type, id, data.data(), data.size());
    if (name) {
      item.hasName = true;
      item.name = name;
    }
    if (mode == "--sidecar") {
      err = KxWriteResourceFork(path, fork);
    } else {
      Bytes out;
      err = fork.Build(out);
      if (!err) err = KxWriteFileSafely(path, out.data(), out.size());
    }
    return err ? Fail(path, err) : 0;
  }
  if (mode != "--container") return Usage();
  Bytes old;
  int err = KxReadFile(path, old);
  if (err && err != ENOENT) return Fail(path, err);
  CKXMemResource container(old);
  container.OpenResInfo();
  // Not yet a container: the resources go behind what the file holds.
  if (!container.IsOpen()) container.SetPosition(container.GetSize());
  if (!container.WriteResource(data.data(), static_cast<long>(data.size()), type, id) || !container.CloseResInfo())
    return Fail(path, EIO);
  err = KxWriteFileSafely(path, container.Bytes().data(), container.Bytes().size());
  return err ? Fail(path, err) : 0;
}

int Run(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  OSType type;
  short id;
  if (command == "list" && argc == 3) return List(argv[2]);
  if (command == "get" && argc == 5 && ParseType(argv[3], type) && ParseID(argv[4], id))
    return Get(argv[2], type, id);
  if (command == "put") {
    int i = 2;
    std::string mode = "--sidecar";
    if (argv[i][0] == '-') mode = argv[i++];
    if ((argc - i == 4 || argc - i == 5) && ParseType(argv[i + 1], type) && ParseID(argv[i + 2], id))
      return Put(mode, argv[i], type, id, argv[i + 3], argc - i == 5 ? argv[i + 4] : nullptr);
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  return KxDriverMain("kxres", KxDocumentFacilities, [&] { return Run(argc, argv); });
}

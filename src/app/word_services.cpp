#include "app/word_services.h"

#include <algorithm>

#include "app/find_strings.h"
#include "app/prefs_file.h"
#include "platform/textconv.h"
#include "views/text_function_bar.h"

namespace {

std::vector<KxWordService> gServices;
bool gModified = false;

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v >> 8));
  out.push_back(std::uint8_t(v));
}
std::uint32_t Get32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint16_t Get16(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }

// At most 31 bytes, never ending inside a double-byte character.
std::string CutName(const std::string& name) {
  std::string cut = KxCutOnCharBoundary(name, 31);
  if (KxCutOnCharBoundary(cut + "  ", cut.size()) != cut) cut = KxCutOnCharBoundary(cut + "  ", cut.size());
  return cut;
}

// The reference's strings; false when they do not fit its size exactly.
bool ReadReference(const std::uint8_t* p, std::size_t size, KxWordService& s) {
  const std::uint16_t count = Get16(p + 6);
  std::size_t at = kKxWordServiceRefHeader;
  std::vector<std::string> strings;
  for (std::uint32_t i = 0; i <= count; ++i) {
    if (size - at < 2) return false;
    const std::size_t n = Get16(p + at);
    at += 2;
    if (size - at < n) return false;
    strings.emplace_back(reinterpret_cast<const char*>(p + at), n);
    at += n;
  }
  if (at != size || strings.empty() || strings[0].empty()) return false;
  s.program = strings[0];
  s.args.assign(strings.begin() + 1, strings.end());
  return true;
}

}  // namespace

namespace UWordServices {

void Initialize() {
  gServices.clear();
  gModified = false;
}
void Terminate() { Initialize(); }

bool AddService(const KxWordService& service) {
  KxWordService s = service;
  s.name = CutName(s.name);
  gServices.push_back(std::move(s));
  gModified = true;
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindCheckers);
  return true;
}

bool DeleteService(int n) {
  if (n < 1 || n > int(gServices.size())) return false;
  gServices.erase(gServices.begin() + (n - 1));
  gModified = true;
  CKXTextFunctionBar::CheckUserMenu(kKxFunctionKindCheckers);
  return true;
}

bool GetService(int n, KxWordService& out) {
  if (n < 1 || n > int(gServices.size())) return false;
  out = gServices[std::size_t(n - 1)];
  return true;
}

int CountServices() { return int(gServices.size()); }

bool HasIcon(const KxWordService& s) {
  return std::any_of(s.icon.begin(), s.icon.end(), [](std::uint8_t b) { return b != 0; });
}

bool IsModified() { return gModified; }
void SetModified(bool modified) { gModified = modified; }

std::vector<std::uint8_t> Encode(const std::vector<KxWordService>& services) {
  std::vector<std::uint8_t> out;
  for (const KxWordService& s : services) {
    // The reference first, so that one too large for its 16-bit size is
    // left out whole.
    std::vector<std::uint8_t> ref;
    Put32(ref, 1);
    Put16(ref, 0);
    Put16(ref, std::uint16_t(std::min<std::size_t>(s.args.size(), 0xFFFF)));
    bool fits = s.args.size() <= 0xFFFF;
    auto putString = [&](const std::string& t) {
      if (t.size() > 0xFFFF) fits = false;
      Put16(ref, std::uint16_t(std::min<std::size_t>(t.size(), 0xFFFF)));
      ref.insert(ref.end(), t.begin(), t.end());
    };
    putString(s.program);
    for (const std::string& a : s.args) putString(a);
    if (!fits || ref.size() > 0xFFFF || s.program.empty()) continue;
    ref[4] = std::uint8_t(ref.size() >> 8);
    ref[5] = std::uint8_t(ref.size());

    Put32(out, s.kind);
    const std::string name = CutName(s.name);
    out.push_back(std::uint8_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), 31 - name.size(), 0);
    out.insert(out.end(), s.icon.begin(), s.icon.end());
    Put32(out, 0);   // bytes 68-71 stay 0 in the file
    out.insert(out.end(), ref.begin(), ref.end());
  }
  return out;
}

std::vector<KxWordService> Decode(const std::uint8_t* data, std::size_t size) {
  std::vector<KxWordService> out;
  if (!data) return out;
  std::size_t at = 0;
  while (size - at >= kKxWordServiceRecordSize + 6) {
    const std::uint8_t* r = data + at;
    const std::uint8_t* ref = r + kKxWordServiceRecordSize;
    const std::size_t refSize = Get16(ref + 4);
    const std::size_t left = size - at - kKxWordServiceRecordSize;
    if (refSize < kKxWordServiceRefHeader || refSize > left) break;
    at += kKxWordServiceRecordSize + refSize;
    KxWordService s;
    s.kind = Get32(r);
    if (s.kind != 1 || Get32(ref) != 1) continue;
    const std::size_t nameLength = std::min<std::size_t>(r[4], 31);
    s.name = CutName(std::string(reinterpret_cast<const char*>(r + 5), nameLength));
    std::copy(r + 36, r + 68, s.icon.begin());
    if (!ReadReference(ref, refSize, s)) continue;
    out.push_back(std::move(s));
  }
  return out;
}

std::vector<std::uint8_t> GetData() { return Encode(gServices); }

void SetData(const std::uint8_t* data, std::size_t size) {
  gServices = Decode(data, size);
  gModified = false;
}

std::string DumpLine(int n, const KxWordService& s) {
  std::string line = "WSrv.checker " + std::to_string(n) + " = " + KxScriptTextToUTF8(s.name) + " | " + s.program;
  for (const std::string& a : s.args) line += " " + a;
  line += std::string(" | icon ") + (HasIcon(s) ? "yes" : "no");
  return line;
}

}  // namespace UWordServices

namespace {
class WordServicesOwner : public KxPrefChunkOwner {
 public:
  KxBlock GetChunkData() const override { return UWordServices::GetData(); }
  void SetChunkData(const std::uint8_t* data, std::size_t size) override { UWordServices::SetData(data, size); }
};
}  // namespace

void KxInstallWordServices(bool install) {
  static WordServicesOwner owner;
  UWordServices::Initialize();
  KxSetPrefChunkOwner(FourCC("WSrv"), install ? &owner : nullptr);
}

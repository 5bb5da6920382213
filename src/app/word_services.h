// The registered spelling checkers: programs that speak the Ispell pipe
// protocol (run as PROGRAM -a). Each is a 72-byte record (kind, menu name,
// menu icon) and a program reference (absolute path and arguments), kept
// in the preference chunk "WSrv": per checker the record, then the
// reference, big-endian field by field.
//
// Record (72 bytes): u32 kind (1), the name as a length byte and at most
// 31 bytes in 32, the 16 x 16 one-bit icon in 32 bytes (all zero: none),
// u32 0.
// Reference: u32 kind (1), u16 size of the whole reference (at byte 4),
// u16 argument count, then the path and each argument as a u16 length and
// its bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kKxWordServiceRecordSize = 72;
constexpr std::size_t kKxWordServiceRefHeader = 8;
constexpr int kKxMaxWordServicesInMenu = 30;

struct KxWordService {
  std::uint32_t kind = 1;
  std::string name;                     // at most 31 bytes
  std::array<std::uint8_t, 32> icon{};  // all zero: none
  std::string program;                  // absolute path
  std::vector<std::string> args;        // without -a
};

namespace UWordServices {
void Initialize();
void Terminate();
// n from 1.
bool AddService(const KxWordService& service);
bool DeleteService(int n);
bool GetService(int n, KxWordService& out);
int CountServices();
bool HasIcon(const KxWordService& service);
bool IsModified();
void SetModified(bool modified);

// The chunk of the registry, and the registry from a chunk (untrusted):
// a reference whose size is below its header or beyond the chunk ends the
// list, a name longer than 31 bytes is cut on a character boundary, a
// record or reference of another kind is skipped.
std::vector<std::uint8_t> GetData();
void SetData(const std::uint8_t* data, std::size_t size);
std::vector<std::uint8_t> Encode(const std::vector<KxWordService>& services);
std::vector<KxWordService> Decode(const std::uint8_t* data, std::size_t size);

// "WSrv.checker N = NAME | PROGRAM ARG... | icon yes|no" (UTF-8).
std::string DumpLine(int n, const KxWordService& service);
}  // namespace UWordServices

// The registry keeps the preference chunk "WSrv" (install at start-up).
void KxInstallWordServices(bool install);

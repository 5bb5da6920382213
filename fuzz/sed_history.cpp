// The stream editor's script history block and its stored record (as the
// history reads its texts and as the window reads all of it) over
// arbitrary bytes: the first byte picks the operations, the rest is the
// block (or the record). Every operation stays inside the block and keeps
// it a list of complete entries.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/sed_history.h"
#include "tools/sed_window_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t ops = data[0];
  KxBlock h(data + 1, data + size);
  const short count = UKXSEDHistMenu::Count(h);
  std::string text;
  for (short n = 0; n <= count + 1; ++n) UKXSEDHistMenu::GetTextHistHandle(text, 300, n, h);
  UKXSEDHistMenu::MenuItems(h);
  UKXSEDHistMenu::AdjustHistHandle(short(ops % 20), h);
  if (ops & 0x20) UKXSEDHistMenu::DeleteHistHandle(short((ops >> 2) % 20), h);
  UKXSEDHistMenu::InsertHistHandle(std::string(ops % 7, 'x'), h, (ops & 0x40) != 0);
  // What remains is whole entries only: the last of them ends the block.
  // (A block from outside may hold any number, and appending sets no limit.)
  long offset = 0;
  std::uint16_t length = 0;
  const short after = UKXSEDHistMenu::GetInfoHistHandle(offset, length, UKXSEDHistMenu::Count(h), h);
  // An insert keeps complete entries only.
  if (after < 1 || std::size_t(offset) + 2 + length != h.size()) std::abort();
  std::array<std::uint8_t, 256> record{};
  for (std::size_t i = 0; i < record.size() && i + 1 < size; ++i) record[i] = data[i + 1];
  if (KxStreamEditorTitle(record).size() > 63 || KxStreamEditorSuffix(record).size() > 95) std::abort();
  // The window's reading of the same record: kinds in range, texts in their
  // fields, and written back it reads the same.
  const SKXSEDSettings s = KxSEDReadSettings(record.data());
  if (s.source < 0 || s.source > 3 || s.target < 0 || s.target > 2 || s.output < 0 || s.output > 3) std::abort();
  std::array<std::uint8_t, 256> again = record;
  KxSEDWriteSettings(s, again.data());
  const SKXSEDSettings t = KxSEDReadSettings(again.data());
  if (t.title != s.title.substr(0, t.title.size()) || t.suffix.size() > s.suffix.size() || t.source != s.source ||
      t.output != s.output)
    std::abort();
  return 0;
}

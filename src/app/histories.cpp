#include "app/histories.h"

#include <algorithm>
#include <cstring>

#include "platform/bytefields.h"
#include "platform/framework/menu.h"
#include "text/codes/script.h"

namespace {

constexpr std::size_t kMaxText = 255;   // what a text's length byte reaches

// Entry offsets and sizes of a history: `headSize` bytes of head whose last
// byte is the text length.
struct Entry {
  std::size_t at;
  std::size_t size;
};

std::vector<Entry> Walk(const KxBlock& h, std::size_t headSize, std::size_t max = kKxHistoryMax) {
  std::vector<Entry> out;
  std::size_t at = 0;
  while (out.size() < max && h.size() - at >= headSize) {
    const std::size_t size = headSize + h[at + headSize - 1];
    if (size > h.size() - at) break;
    out.push_back({at, size});
    at += size;
  }
  return out;
}

void Cut(KxBlock& h, std::size_t headSize) {
  const auto e = Walk(h, headSize);
  h.resize(e.empty() ? 0 : e.back().at + e.back().size);
}

void MoveToFront(KxBlock& h, const Entry& e) {
  std::rotate(h.begin(), h.begin() + std::ptrdiff_t(e.at), h.begin() + std::ptrdiff_t(e.at + e.size));
}

void Adjust(short n, KxBlock& h, std::size_t headSize) {
  const auto e = Walk(h, headSize);
  if (n < 2 || std::size_t(n) > e.size()) return;
  MoveToFront(h, e[std::size_t(n) - 1]);
}

void Delete(unsigned short n, KxBlock& h, std::size_t headSize) {
  const auto e = Walk(h, headSize);
  if (n < 1 || n > e.size()) return;
  h.resize(e[n - 1u].at);
}

// The text without lead bytes that begin no character (at the end, or
// before a byte that cannot follow one): no field types them.
std::string WholeCharacters(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!KxTextCharFirst(c, kScriptJapanese)) {
      out += char(c);
      continue;
    }
    if (i + 1 < text.size() && KxTextCharSecond(static_cast<unsigned char>(text[i + 1]), kScriptJapanese))
      out.append(text, i++, 2);
  }
  return out;
}

// A block read from outside keeps the entries the program could have
// recorded: `fix` mends an entry's whole characters (false: the entry goes).
template <typename Fix>
void Clean(KxBlock& h, std::size_t headSize, Fix fix) {
  Cut(h, headSize);
  KxBlock next;
  for (const Entry& e : Walk(h, headSize)) {
    std::string text =
        WholeCharacters(std::string(h.begin() + std::ptrdiff_t(e.at + headSize), h.begin() + std::ptrdiff_t(e.at + e.size)));
    if (!fix(text)) continue;
    next.insert(next.end(), h.begin() + std::ptrdiff_t(e.at), h.begin() + std::ptrdiff_t(e.at + headSize));
    next.back() = std::uint8_t(text.size());
    next.insert(next.end(), text.begin(), text.end());
  }
  h.swap(next);
}

// Puts `entry` in front, dropping the oldest entry of a full history.
void PutFirst(KxBlock& h, std::size_t headSize, const KxBlock& entry) {
  Cut(h, headSize);
  const auto e = Walk(h, headSize);
  KxBlock next(entry);
  const std::size_t keep = e.size() >= std::size_t(kKxHistoryMax) ? e[kKxHistoryMax - 1].at : h.size();
  next.insert(next.end(), h.begin(), h.begin() + std::ptrdiff_t(keep));
  h.swap(next);
}

void Rebuild(LMenu& popup, short fixedItems, const std::vector<std::string>& texts) {
  while (popup.CountItems() > fixedItems) popup.DeleteItem(1);
  if (texts.empty()) {
    popup.EnableItem(1, false);
    return;
  }
  popup.EnableItem(1, true);
  short after = 0;
  for (const std::string& t : texts) {
    Str255 name;
    name[0] = static_cast<unsigned char>(std::min<std::size_t>(t.size(), 255));
    std::memcpy(name + 1, t.data(), name[0]);
    popup.InsertItem(name, after++);
  }
  popup.InsertSeparator(after);
}

}  // namespace

// ---- find and replace ----------------------------------------------------------------

void UFindReplMenu::InsertHistHandle(const unsigned char* text, KxBlock& history) {
  if (!text) return;
  if (text[0] > 0 && text[1] == '-') return;
  const auto e = Walk(history, 1);
  for (std::size_t i = 0; i < e.size(); ++i)
    if (history[e[i].at] == text[0] && std::memcmp(&history[e[i].at + 1], text + 1, text[0]) == 0) {
      MoveToFront(history, e[i]);
      return;
    }
  PutFirst(history, 1, KxBlock(text, text + text[0] + 1));
}

void UFindReplMenu::AdjustHistHandle(short n, KxBlock& history) { Adjust(n, history, 1); }
void UFindReplMenu::DeleteHistHandle(unsigned short n, KxBlock& history) { Delete(n, history, 1); }
short UFindReplMenu::CountHistHandle(const KxBlock& history) { return short(Walk(history, 1).size()); }

bool UFindReplMenu::GetHistString(unsigned short n, const KxBlock& history, unsigned char* out) {
  const auto e = Walk(history, 1);
  if (n < 1 || n > e.size()) return false;
  std::memcpy(out, &history[e[n - 1u].at], e[n - 1u].size);
  return true;
}

void UFindReplMenu::UpdateMenu(LMenu& popup, const KxBlock& history, short fixedItems) {
  std::vector<std::string> texts;
  for (const Entry& e : Walk(history, 1)) texts.emplace_back(history.begin() + std::ptrdiff_t(e.at + 1), history.begin() + std::ptrdiff_t(e.at + e.size));
  Rebuild(popup, fixedItems, texts);
}

void UFindReplMenu::Truncate(KxBlock& history) {
  // As InsertHistHandle records them: never beginning with "-", which a
  // pop-up shows as a separator.
  Clean(history, 1, [](const std::string& text) { return text.empty() || text[0] != '-'; });
}

// ---- header and footer -----------------------------------------------------------------

namespace {
void PutHead(const SHFHist& head, std::uint8_t length, std::uint8_t* p) {
  KxPutU16BE(p, std::uint16_t(head.distance));
  std::memcpy(p + 2, head.styl, sizeof head.styl);
  p[18] = head.alignment;
  p[19] = head.dateFormat;
  p[20] = head.timeFormat;
  p[21] = length;
}
}  // namespace

void UHeadFootMenu::InsertHistHandle(const SHFHist& head, const unsigned char* text, KxBlock& history) {
  if (!text || text[0] == 0) return;
  std::string t(reinterpret_cast<const char*>(text + 1), text[0]);
  if (t[0] == '-') {
    if (t.size() >= kMaxText) return;
    t.insert(t.begin(), ' ');
  }
  KxBlock entry(kKxHFHistHead + t.size());
  PutHead(head, std::uint8_t(t.size()), entry.data());
  std::memcpy(entry.data() + kKxHFHistHead, t.data(), t.size());
  const auto e = Walk(history, kKxHFHistHead);
  for (const Entry& x : e)
    if (x.size == entry.size() && std::memcmp(&history[x.at + kKxHFHistHead], t.data(), t.size()) == 0) {
      std::memcpy(&history[x.at], entry.data(), kKxHFHistHead);
      MoveToFront(history, x);
      return;
    }
  PutFirst(history, kKxHFHistHead, entry);
}

void UHeadFootMenu::AdjustHistHandle(short n, KxBlock& history) { Adjust(n, history, kKxHFHistHead); }
void UHeadFootMenu::DeleteHistHandle(unsigned short n, KxBlock& history) { Delete(n, history, kKxHFHistHead); }
short UHeadFootMenu::CountHistHandle(const KxBlock& history) { return short(Walk(history, kKxHFHistHead).size()); }

bool UHeadFootMenu::GetHistString(unsigned short n, const KxBlock& history, SHFHist& outHead, unsigned char* outText) {
  const auto e = Walk(history, kKxHFHistHead);
  if (n < 1 || n > e.size()) return false;
  const std::uint8_t* p = &history[e[n - 1u].at];
  outHead.distance = std::int16_t(KxGetU16BE(p));
  std::memcpy(outHead.styl, p + 2, sizeof outHead.styl);
  outHead.alignment = p[18];
  outHead.dateFormat = p[19];
  outHead.timeFormat = p[20];
  outHead.length = p[21];
  if (outText) std::memcpy(outText, p + 21, std::size_t(p[21]) + 1);
  return true;
}

void UHeadFootMenu::UpdateMenu(LMenu& popup, const KxBlock& history, short fixedItems) {
  std::vector<std::string> texts;
  for (const Entry& e : Walk(history, kKxHFHistHead))
    texts.emplace_back(history.begin() + std::ptrdiff_t(e.at + kKxHFHistHead), history.begin() + std::ptrdiff_t(e.at + e.size));
  Rebuild(popup, fixedItems, texts);
}

void UHeadFootMenu::Truncate(KxBlock& history) {
  // As InsertHistHandle records them: "-" behind a space.
  Clean(history, kKxHFHistHead, [](std::string& text) {
    if (text.empty() || text[0] != '-') return true;
    if (text.size() >= kMaxText) return false;
    text.insert(text.begin(), ' ');
    return true;
  });
}

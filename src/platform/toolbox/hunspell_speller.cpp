// The program's speller over Hunspell.
#include <hunspell.h>
#include <iconv.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "platform/toolbox/speller.h"

namespace {

std::vector<std::string> DictionaryFolders() {
  std::vector<std::string> out;
  if (const char* dicpath = std::getenv("DICPATH"); dicpath && *dicpath) {
    std::string all(dicpath);
    std::size_t from = 0;
    while (from <= all.size()) {
      const std::size_t colon = std::min(all.find(':', from), all.size());
      if (colon > from) out.push_back(all.substr(from, colon - from));
      from = colon + 1;
    }
    return out;
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    out.push_back(std::string(data) + "/hunspell");
  else if (const char* home = std::getenv("HOME"); home && *home)
    out.push_back(std::string(home) + "/.local/share/hunspell");
  out.push_back("/usr/share/hunspell");
  out.push_back("/usr/share/myspell/dicts");
  return out;
}

// Converts between UTF-8 and the dictionary's encoding; false when a word
// does not convert.
bool Convert(const std::string& from, const std::string& to, const std::string& in, std::string& out) {
  if (from == to) {
    out = in;
    return true;
  }
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == iconv_t(-1)) return false;
  std::string buffer(in.size() * 4 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = buffer.data();
  std::size_t dstLeft = buffer.size();
  const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == std::size_t(-1) || srcLeft != 0) return false;
  out.assign(buffer.data(), buffer.size() - dstLeft);
  return true;
}

class HunspellSpeller : public KxSpeller {
 public:
  ~HunspellSpeller() override { Close(); }

  bool Available() override {
    Load();
    return mHandle != nullptr;
  }

  std::vector<std::string> Languages() override {
    Scan();
    std::vector<std::string> out;
    for (const auto& [name, path] : mFound) out.push_back(name);
    return out;
  }

  std::string Language() override {
    Load();
    return mLanguage;
  }

  bool SetLanguage(const std::string& name) override {
    Scan();
    if (!mFound.count(name)) return false;
    mWanted = name;
    Close();
    mLoaded = false;
    Load();
    return mHandle != nullptr;
  }

  bool CheckWord(const std::string& utf8, int tag) override {
    if (!Available() || utf8.empty()) return true;
    if (auto it = mIgnored.find(tag); it != mIgnored.end() && it->second.count(utf8)) return true;
    std::string word;
    if (!Convert("UTF-8", mEncoding, utf8, word)) return true;   // cannot be in the dictionary's words
    return Hunspell_spell(mHandle, word.c_str()) != 0;
  }

  std::vector<std::string> Guesses(const std::string& utf8) override {
    std::vector<std::string> out;
    std::string word;
    if (!Available() || utf8.empty() || !Convert("UTF-8", mEncoding, utf8, word)) return out;
    char** list = nullptr;
    const int n = Hunspell_suggest(mHandle, &list, word.c_str());
    for (int i = 0; i < n; ++i) {
      std::string back;
      if (list[i] && Convert(mEncoding, "UTF-8", list[i], back)) out.push_back(back);
    }
    if (list) Hunspell_free_list(mHandle, &list, n);
    return out;
  }

  void Ignore(const std::string& utf8, int tag) override { mIgnored[tag].insert(utf8); }
  int NewTag() override { return ++mLastTag; }

 private:
  void Scan() {
    if (mScanned) return;
    mScanned = true;
    for (const std::string& folder : DictionaryFolders()) {
      std::error_code ec;
      for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::filesystem::path p = entry.path();
        if (p.extension() != ".dic") continue;
        std::filesystem::path aff = p;
        aff.replace_extension(".aff");
        if (!std::filesystem::exists(aff, ec)) continue;
        mFound.emplace(p.stem().string(), p.string());   // the first folder wins
      }
    }
  }

  void Load() {
    if (mLoaded) return;
    mLoaded = true;
    Scan();
    if (mFound.empty()) return;
    std::string name = mWanted;
    if (name.empty() || !mFound.count(name)) {
      name.clear();
      if (const char* lang = std::getenv("LANG"); lang && *lang) {
        std::string l(lang);
        l = l.substr(0, l.find_first_of(".@"));
        if (mFound.count(l)) name = l;
      }
      if (name.empty()) name = mFound.begin()->first;
    }
    std::filesystem::path dic = mFound[name], aff = dic;
    aff.replace_extension(".aff");
    mHandle = Hunspell_create(aff.c_str(), dic.c_str());
    if (!mHandle) return;
    mLanguage = name;
    const char* enc = Hunspell_get_dic_encoding(mHandle);
    mEncoding = enc && *enc ? enc : "ISO8859-1";
  }

  void Close() {
    if (mHandle) Hunspell_destroy(mHandle);
    mHandle = nullptr;
  }

  Hunhandle* mHandle = nullptr;
  bool mLoaded = false, mScanned = false;
  std::map<std::string, std::string> mFound;   // name -> .dic path
  std::string mWanted, mLanguage, mEncoding = "UTF-8";
  std::map<int, std::set<std::string>> mIgnored;
  int mLastTag = 0;
};

}  // namespace

KxSpeller& KxHunspellSpeller() {
  static HunspellSpeller speller;
  return speller;
}

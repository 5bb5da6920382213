// The correction panel (layout 2190), one per program: the word shown
// (2195), its guesses (2196), Change (2191), Find Next (2192), Ignore
// (2193), Guess (2194), the language (2197), the caption (2198) and Close
// (2199). It stands in for a system spelling panel: the documents' own
// checking and the external checkers both show their words here.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/broadcaster.h"
#include "platform/toolbox/speller.h"
#include "platform/types.h"

class LWindow;

constexpr OSType kKxSpellFindNext = FourCC("Spel");
constexpr OSType kKxSpellIgnore = FourCC("ISpl");
constexpr OSType kKxSpellCorrect = FourCC("CSpl");
constexpr std::int16_t kKxSpellingPanelLayout = 2190;

// Who takes the panel's commands ("Spel", "ISpl", "CSpl" with a UTF-8
// word) before the documents do; true when it handled the command.
class KxSpellingClient {
 public:
  virtual ~KxSpellingClient() = default;
  virtual bool SpellingCommand(OSType command, const std::string& word) = 0;
  // The panel closed.
  virtual void SpellingPanelClosed() {}
};

class CKXSpellingPanel : public LListener {
 public:
  static CKXSpellingPanel& Get();

  // Shows the panel (built on first use), in front.
  void Show();
  bool IsShown() const { return mWindow != nullptr; }
  void Close();
  // The word and its guesses (UTF-8); an empty word shows that no more
  // misspelled words were found.
  void UpdateWithMisspelledWord(const std::string& word, const std::vector<std::string>& guesses);
  // The word with the speller's guesses.
  void UpdateWithMisspelledWord(const std::string& word);
  // Who answers guesses and languages (null: Hunspell), and who takes the
  // commands first (null: the documents).
  void SetSpeller(KxSpeller* speller) { mSpeller = speller; }
  KxSpeller& Speller() { return mSpeller ? *mSpeller : KxHunspellSpeller(); }
  void SetClient(KxSpellingClient* client) { mClient = client; }
  KxSpellingClient* GetClient() const { return mClient; }

  const std::string& Word() const { return mWord; }
  LWindow* GetWindow() const { return mWindow; }

  // The documents' route for the commands no client took; the document
  // area installs it.
  using Route = bool (*)(OSType command, const std::string& word);
  static void SetRoute(Route route);
  // The language chosen in the panel (stored by the application).
  using LanguageHook = void (*)(const std::string& name);
  static void SetLanguageHook(LanguageHook hook);

  void ListenToMessage(MessageT message, void* param) override;

  // Registers the panel's window class (layout 2190's "kxsp"); showing the
  // panel does so itself.
  static void RegisterWindowClass();

 private:
  CKXSpellingPanel() = default;
  void Build();
  void Command(OSType command, const std::string& word);
  void FillLanguages();
  // The guesses the list shows, kept as they are for choosing.
  void ListGuesses(const std::vector<std::string>& guesses);
  // The field's word, whole; false when it cannot be converted.
  bool FieldWord(std::string& utf8) const;

  LWindow* mWindow = nullptr;
  KxSpeller* mSpeller = nullptr;
  KxSpellingClient* mClient = nullptr;
  std::string mWord;
  std::vector<std::string> mGuesses;
  std::vector<std::string> mListed;
};

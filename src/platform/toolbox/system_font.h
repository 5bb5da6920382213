// The system font: the font number and size that controls and dialogs draw
// with, and a scope that changes them for its length.
#pragma once

class UFontUtils {
 public:
  static void FetchSystemFont(short& font, short& size);
  // Changes the pair only when it differs (and then forgets the last space
  // width measured in it).
  static void SetSystemFont(short font, short size);
  // How many times SetSystemFont changed the pair (tests).
  static int ChangeCount();
};

class StSystemFontState {
 public:
  StSystemFontState(short font, short size);
  ~StSystemFontState();
  StSystemFontState(const StSystemFontState&) = delete;
  StSystemFontState& operator=(const StSystemFontState&) = delete;

 private:
  short mFont, mSize;
};

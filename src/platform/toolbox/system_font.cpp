#include "platform/toolbox/system_font.h"

#include "platform/fonts.h"

namespace {
short gFont = kKxSystemFont;
short gSize = kKxDefaultFontSize;
short gLastSpaceExtra = -1;   // forgotten whenever the pair changes
int gChanges = 0;
}  // namespace

void UFontUtils::FetchSystemFont(short& font, short& size) {
  font = gFont;
  size = gSize;
}

void UFontUtils::SetSystemFont(short font, short size) {
  if (font == gFont && size == gSize) return;
  gFont = font;
  gSize = size;
  gLastSpaceExtra = -1;
  ++gChanges;
}

int UFontUtils::ChangeCount() { return gChanges; }

StSystemFontState::StSystemFontState(short font, short size) {
  UFontUtils::FetchSystemFont(mFont, mSize);
  UFontUtils::SetSystemFont(font, size);
}

StSystemFontState::~StSystemFontState() { UFontUtils::SetSystemFont(mFont, mSize); }

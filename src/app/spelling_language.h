// The spelling language chosen in the correction panel, kept in the
// preference chunk "SPLG": a length byte and the dictionary's name (at
// most 63 bytes of letters, digits, '_', '-', '.' and '@'). A chunk that
// does not hold exactly that is ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t kKxSpellLanguageMax = 63;

std::vector<std::uint8_t> KxEncodeSpellLanguage(const std::string& name);
// Empty for a chunk that is not a name.
std::string KxDecodeSpellLanguage(const std::uint8_t* data, std::size_t size);
// "SPLG.language = NAME" with a line end, or nothing without a choice.
std::string KxDumpSpellLanguage(const std::uint8_t* data, std::size_t size);

// The chosen language (empty: none); choosing marks the preferences changed.
const std::string& KxSpellLanguage();
void KxChooseSpellLanguage(const std::string& name);

// The chunk's owner and the panel's language hook (install at start-up).
void KxInstallSpellLanguage(bool install);

// The stream editor window's rules that do not need a window: which
// controls each choice enables, the script that the find and replace
// fields make, the snippets, how a run is split over its targets, and the
// lists rebuilt and reselected by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/pane.h"
#include "platform/types.h"

// Script sources (radio group 3911) and target kinds (pop-up 3931).
enum KxSEDSource : short { kKxSEDFromFields = 0, kKxSEDFromBox = 1, kKxSEDFromFiles = 2, kKxSEDFromWindows = 3 };
enum KxSEDTarget : short { kKxSEDTargetFiles = 0, kKxSEDTargetWindows = 1, kKxSEDTargetClipboard = 2 };

// The window's settings record (256 bytes, big-endian numbers).
struct SKXSEDSettings {
  Rect bounds{0, 0, 0, 0};
  short source = 0;
  short target = 0;
  short output = 0;
  bool selectionOnly = false;
  bool changedOnly = false;
  std::uint8_t pattern = 0;  // item of pop-up 3928, less one
  std::string title;         // at most 63 bytes
  std::string suffix;        // at most 95 bytes
};
// Kinds out of range are read as 0; the texts' length bytes are held to
// their fields.
SKXSEDSettings KxSEDReadSettings(const std::uint8_t* record);
// Writes the fields into the record; the handles and reserved bytes stay.
// Texts longer than their fields are cut on a character boundary.
void KxSEDWriteSettings(const SKXSEDSettings& s, std::uint8_t* record);

// Whether pane `id` is enabled for these choices (panes the rules do not
// name: true). `output` is the kind chosen in 3941.
bool KxSEDPaneEnabled(PaneIDT id, short source, short target, short output);
// The output a run delivers: the clipboard whenever the clipboard is the
// target.
short KxSEDEffectiveOutput(short target, short output);
// The changed-lines-only option counts only where it cannot empty the
// targets: never while the output overwrites them.
bool KxSEDChangedOnly(bool option, short output);

// The single command of the find and replace fields: "s", 0x01, find, 0x01,
// replace, 0x01, "g", and "p" when only changed lines go out. A line end in
// a field is written "\n".
std::string KxSEDFieldCommand(const std::string& find, const std::string& replace, bool changedOnly);

// Whether a field's script holds a placeholder code (the byte 0xA0 or the
// pair 0x81FC): the window's fields keep Shift_JIS only, so a character
// outside it typed or pasted there became one, and the script would match
// and insert the placeholder character instead. Such a script is refused;
// the characters themselves are written \xA0 and \x81FC.
bool KxSEDFieldHasPlaceholder(const std::string& sjis);

// A snippet item's text: what follows its last pair of blanks (the whole
// item when there is none).
std::string KxSEDSnippetText(const std::string& item);
// Where an expression snippet goes outside the script box: the replace
// field for "&" and "\1" to "\9", else the find field.
bool KxSEDSnippetForReplace(const std::string& snippet);

// Whether each target runs on its own (its output delivered before the
// next one runs) rather than all of them as one stream.
bool KxSEDRunsPerTarget(std::size_t targets, short output);

// The rows to select in a rebuilt list: those whose names were selected in
// the old one (by a hash set: linear in the names). `same` tells whether
// the names are the old ones, in which case the list is left alone.
std::vector<std::int32_t> KxSEDReselect(const std::vector<std::string>& oldNames,
                                        const std::vector<std::int32_t>& oldSelected,
                                        const std::vector<std::string>& newNames, bool& same);

// Whether a file name ends with the script name pattern (".*" all).
bool KxSEDPatternMatches(const std::string& name, const std::string& pattern);

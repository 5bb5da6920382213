// The application-wide settings records: the main record, the second record
// and the file-handling record, with their defaults and their stored images
// (chunks "KXTP", "KXP2" and "FPRF"), read and written field by field at
// their offsets in big-endian order. Values that reach code go through the
// checked readings at the end: the stored image is outside data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

constexpr std::size_t kKxPreferenceSize = 66;
constexpr std::size_t kKxPreference2Size = 800;
constexpr std::size_t kKxFilePrefSize = 32;

// The main record ("KXTP"). Members are in stored order; the comment is the
// stored offset.
struct SKXPreference {
  std::int16_t startupAction = 0;   // 0: 0 new document, 1 open dialog, 2 file browser, 3 resume
  std::int16_t measureUnit = 0;     // 2: unit of the document dialogs
  std::int16_t gaugeType = 0;       // 4: ruler gauge (0, 1, 2, 5, 6)
  std::uint8_t inlineInput = 0;     // 6
  std::uint8_t showRuler = 0;       // 7
  std::uint8_t showLineView = 0;    // 8
  std::uint8_t showInfoView = 0;    // 9
  std::int16_t font = 0;            // 10: default edit style from here to 19
  std::int16_t size = 0;            // 12: points
  std::int16_t tabWidth = 0;        // 14: character units
  std::uint8_t autoIndent = 0;      // 16
  std::uint8_t caretLine = 0;       // 17
  std::uint8_t paperView = 0;       // 18
  std::uint8_t guideView = 0;       // 19
  std::int16_t tabInterval = 0;     // 20: points; default line style from here to 31
  std::int16_t lineSpacing = 0;     // 22
  std::int16_t charSpacing = 0;     // 24
  std::uint8_t lineBreakMode = 0;   // 26
  std::uint8_t justification = 0;   // 27: 0 left, 1 centre, 2 right, 3 justified
  std::uint8_t wrapAtWidth = 0;     // 28
  std::uint8_t wordWrap = 0;        // 29
  std::uint8_t controlView = 0;     // 30
  std::uint8_t vertical = 0;        // 31
  std::int16_t marginFirst = 0;     // 32: top (and bottom unless 60), points
  std::int16_t marginSecond = 0;    // 34: left (and right unless 62), points
  std::array<std::uint8_t, 6> findOptions{};   // 36-41: width, kana, case, palette, backward, regexp
  std::uint8_t scriptCheck = 0;     // 42: bit 0 keyboard script, bit 1 font script
  std::uint8_t useStoredSize = 0;   // 43
  std::int16_t systemScriptFont = 0;   // 44
  std::int16_t romanScriptFont = 0;    // 46
  std::int16_t windowWidth = 0;     // 48
  std::int16_t windowHeight = 0;    // 50
  RGBColor paperColor{};            // 52: (0, 0, 0) is the default white
  std::uint8_t scriptDefault = 0;   // 58
  std::uint8_t systemScript = 0;    // 59
  std::int16_t marginBottom = 0;    // 60: 0 when equal to 32
  std::int16_t marginRight = 0;     // 62: 0 when equal to 34
  std::uint8_t toolPalette = 0;     // 64
  std::uint8_t flags = 0;           // 65: kKxPrefFlag*
};

// Bits of SKXPreference::flags.
constexpr std::uint8_t kKxPrefFlagLiveScroll = 0x01;
constexpr std::uint8_t kKxPrefFlagAltMenuBar = 0x02;
constexpr std::uint8_t kKxPrefFlagScrapBook = 0x04;
constexpr std::uint8_t kKxPrefFlagTextLayer = 0x08;
constexpr std::uint8_t kKxPrefFlagPlainNavOff = 0x10;

// The second record ("KXP2"). Offsets not named are kept as read.
struct SKXPreference2 {
  std::uint8_t startupColorOn = 0;      // 0
  std::uint8_t rulerTools = 0;          // 1
  std::array<std::uint8_t, 2> reserved2{};   // 2-3
  std::uint8_t quartz = 0;              // 4
  std::uint8_t liveSpelling = 0;        // 5
  std::uint8_t alwaysZero = 0;          // 6
  std::uint8_t rulerToolsValid = 0;     // 7: 0 in an old record: 1 and 7 become 1
  std::uint8_t functionBar = 0;         // 8
  std::uint8_t openURLs = 0;            // 9
  RGBColor startupColor{};              // 10
  std::int16_t colorVariation = 0;      // 16: 0-9 built in, 10-19 the user's sets 1-10
  std::int16_t functionBarV = 0;        // 18
  std::int16_t functionBarH = 0;        // 20
  std::int16_t functionBarV2 = 0;       // 22
  std::int16_t functionBarH2 = 0;       // 24
  std::uint8_t inlineOption = 0;        // 26
  std::uint8_t imePosition = 0;         // 27
  std::int16_t smoothingSize = 0;       // 28: points
  std::array<std::uint8_t, kKxPreference2Size - 30> reserved30{};   // 30-799
};

// The file-handling record ("FPRF").
struct SKXFilePref {
  std::uint8_t autoSave = 0;            // 0
  std::uint8_t backup = 0;              // 1
  std::uint16_t autoSaveSeconds = 0;    // 2
  std::int16_t backupGenerations = 0;   // 4: 1-50
  std::int16_t recentFiles = 0;         // 6: at most 30 used
  std::int16_t recentFolders = 0;       // 8: at most 10 used
  std::uint8_t ownDialogs = 0;          // 10
  std::array<std::uint8_t, kKxFilePrefSize - 11> reserved11{};   // 11-31
};

// The defaults the program starts with. `english` and `systemScript` are
// the system's; `appFont` and `tabInterval` come from the font layer.
struct SKXPrefSystem {
  bool english = false;
  std::int16_t systemScript = 0;
  std::int16_t appFont = 1;
  std::int16_t romanFont = 3;
  std::int16_t margin = 34;        // 12 mm in points
  std::int16_t tabInterval = 0;    // tab width 4 of the default font, points
};
void KxDefaultPreference(SKXPreference& p, const SKXPrefSystem& sys);
void KxDefaultPreference2(SKXPreference2& p);
void KxDefaultFilePref(SKXFilePref& p);

// Stored images. Reading takes every field that lies wholly inside the
// first `size` bytes (a short chunk fills only its first fields, a long one
// is cut at the record's size); the others keep their values.
void KxReadRecord(SKXPreference& p, const std::uint8_t* data, std::size_t size);
void KxReadRecord(SKXPreference2& p, const std::uint8_t* data, std::size_t size);
void KxReadRecord(SKXFilePref& p, const std::uint8_t* data, std::size_t size);
// Writes the whole image (kKx...Size bytes).
void KxWriteRecord(const SKXPreference& p, std::uint8_t* out);
void KxWriteRecord(const SKXPreference2& p, std::uint8_t* out);
void KxWriteRecord(const SKXFilePref& p, std::uint8_t* out);
// "TAG.field name = value" lines, one per field.
void KxDumpRecord(const SKXPreference& p, std::string& out);
void KxDumpRecord(const SKXPreference2& p, std::string& out);
void KxDumpRecord(const SKXFilePref& p, std::string& out);

// The layout of a record's image: every field with its offset and width;
// `word` is 2 for 16-bit fields (an RGB colour is three), 1 for bytes.
struct KxFieldInfo {
  const char* name;
  std::size_t offset;
  std::size_t width;
  std::size_t word;
};
std::vector<KxFieldInfo> KxRecordLayout(OSType tag);

// ---- checked readings ---------------------------------------------------------

// Start-up actions.
constexpr int kKxStartupNew = 0;
constexpr int kKxStartupOpenDialog = 1;
constexpr int kKxStartupBrowser = 2;
constexpr int kKxStartupResume = 3;

// Longest lists the menus have room for: recent files, recent folders (one
// submenu each) and histories.
constexpr int kKxMaxRecentFiles = 30;
constexpr int kKxMaxRecentFolders = 10;

int KxPrefStartupAction(const SKXPreference& p);   // 0-3, else 0
int KxPrefMeasureUnit(const SKXPreference& p);     // 0-4, else 0
int KxPrefGaugeType(const SKXPreference& p);       // 0, 1, 2, 5, 6, else 0
// Margins in points, 0 to kKxMaxMarginPoints: top, left, bottom, right.
constexpr int kKxMaxMarginPoints = 2834;   // one metre: far beyond any paper
void KxPrefMargins(const SKXPreference& p, int& top, int& left, int& bottom, int& right);
// The stored new-window size, when it is in use and both sides are positive.
bool KxPrefWindowSize(const SKXPreference& p, int& width, int& height);
int KxPrefColorVariation(const SKXPreference2& p);   // 0-19, else 0
int KxPrefAutoSaveSeconds(const SKXFilePref& p);     // 60-3600
int KxPrefBackupGenerations(const SKXFilePref& p);   // 1-50
int KxPrefRecentFileLimit(const SKXFilePref& p);     // 0-30
int KxPrefRecentFolderLimit(const SKXFilePref& p);   // 0-10

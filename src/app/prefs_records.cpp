#include "app/prefs_records.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "platform/bytefields.h"

namespace {

constexpr OSType kTagPreference = FourCC("KXTP");
constexpr OSType kTagPreference2 = FourCC("KXP2");
constexpr OSType kTagFilePref = FourCC("FPRF");

// One listing per record names every field with its stored offset; the
// reader, the writer, the dump and the layout all walk it.
template <class R, class V>
void VisitPreference(R& r, V&& v) {
  v("startup action", 0, r.startupAction);
  v("measure unit", 2, r.measureUnit);
  v("gauge type", 4, r.gaugeType);
  v("inline input", 6, r.inlineInput);
  v("show ruler", 7, r.showRuler);
  v("show line view", 8, r.showLineView);
  v("show info view", 9, r.showInfoView);
  v("font", 10, r.font);
  v("size", 12, r.size);
  v("tab width", 14, r.tabWidth);
  v("auto indent", 16, r.autoIndent);
  v("caret line", 17, r.caretLine);
  v("paper view", 18, r.paperView);
  v("guide view", 19, r.guideView);
  v("tab interval", 20, r.tabInterval);
  v("line spacing", 22, r.lineSpacing);
  v("char spacing", 24, r.charSpacing);
  v("line break mode", 26, r.lineBreakMode);
  v("justification", 27, r.justification);
  v("wrap at width", 28, r.wrapAtWidth);
  v("word wrap", 29, r.wordWrap);
  v("control view", 30, r.controlView);
  v("vertical", 31, r.vertical);
  v("margin first", 32, r.marginFirst);
  v("margin second", 34, r.marginSecond);
  v("find options", 36, r.findOptions);
  v("script check", 42, r.scriptCheck);
  v("use stored size", 43, r.useStoredSize);
  v("system script font", 44, r.systemScriptFont);
  v("roman script font", 46, r.romanScriptFont);
  v("window width", 48, r.windowWidth);
  v("window height", 50, r.windowHeight);
  v("paper color", 52, r.paperColor);
  v("script default", 58, r.scriptDefault);
  v("system script", 59, r.systemScript);
  v("margin bottom", 60, r.marginBottom);
  v("margin right", 62, r.marginRight);
  v("tool palette", 64, r.toolPalette);
  v("flags", 65, r.flags);
}

template <class R, class V>
void VisitPreference2(R& r, V&& v) {
  v("startup color on", 0, r.startupColorOn);
  v("ruler tools", 1, r.rulerTools);
  v("reserved", 2, r.reserved2);
  v("quartz", 4, r.quartz);
  v("live spelling", 5, r.liveSpelling);
  v("always zero", 6, r.alwaysZero);
  v("ruler tools valid", 7, r.rulerToolsValid);
  v("function bar", 8, r.functionBar);
  v("open urls", 9, r.openURLs);
  v("startup color", 10, r.startupColor);
  v("color variation", 16, r.colorVariation);
  v("function bar v", 18, r.functionBarV);
  v("function bar h", 20, r.functionBarH);
  v("function bar v2", 22, r.functionBarV2);
  v("function bar h2", 24, r.functionBarH2);
  v("inline option", 26, r.inlineOption);
  v("ime position", 27, r.imePosition);
  v("smoothing size", 28, r.smoothingSize);
  v("reserved", 30, r.reserved30);
}

template <class R, class V>
void VisitFilePref(R& r, V&& v) {
  v("auto save", 0, r.autoSave);
  v("backup", 1, r.backup);
  v("auto save seconds", 2, r.autoSaveSeconds);
  v("backup generations", 4, r.backupGenerations);
  v("recent files", 6, r.recentFiles);
  v("recent folders", 8, r.recentFolders);
  v("own dialogs", 10, r.ownDialogs);
  v("reserved", 11, r.reserved11);
}

template <class T>
constexpr std::size_t FieldWidth() {
  if constexpr (std::is_same_v<T, RGBColor>) return 6;
  else return sizeof(T);
}
template <class T> struct IsByteArray : std::false_type {};
template <std::size_t N> struct IsByteArray<std::array<std::uint8_t, N>> : std::true_type {};

// Reads the fields that lie wholly inside the first `size` bytes; a byte
// array takes the bytes it has.
struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  template <class T>
  void operator()(const char*, std::size_t at, T& field) const {
    if constexpr (IsByteArray<T>::value) {
      for (std::size_t k = 0; k < field.size() && at + k < size; ++k) field[k] = data[at + k];
    } else if (at + FieldWidth<T>() <= size) {
      if constexpr (std::is_same_v<T, RGBColor>) {
        field.red = KxGetU16BE(data + at);
        field.green = KxGetU16BE(data + at + 2);
        field.blue = KxGetU16BE(data + at + 4);
      } else if constexpr (sizeof(T) == 2) {
        field = static_cast<T>(KxGetU16BE(data + at));
      } else {
        static_assert(sizeof(T) == 1);
        field = data[at];
      }
    }
  }
};

struct Writer {
  std::uint8_t* out;
  template <class T>
  void operator()(const char*, std::size_t at, const T& field) const {
    if constexpr (IsByteArray<T>::value) {
      std::copy(field.begin(), field.end(), out + at);
    } else if constexpr (std::is_same_v<T, RGBColor>) {
      KxPutU16BE(out + at, field.red);
      KxPutU16BE(out + at + 2, field.green);
      KxPutU16BE(out + at + 4, field.blue);
    } else if constexpr (sizeof(T) == 2) {
      KxPutU16BE(out + at, static_cast<std::uint16_t>(field));
    } else {
      out[at] = field;
    }
  }
};

struct Dumper {
  const char* tag;
  std::string& out;
  template <class T>
  void operator()(const char* name, std::size_t, const T& field) const {
    char line[160];
    if constexpr (IsByteArray<T>::value) {
      const bool zero = std::all_of(field.begin(), field.end(), [](std::uint8_t b) { return b == 0; });
      out += std::string(tag) + "." + name + " =";
      if (zero && field.size() > 8) {
        std::snprintf(line, sizeof line, " %zu zero bytes\n", field.size());
        out += line;
        return;
      }
      for (std::uint8_t b : field) {
        std::snprintf(line, sizeof line, " %02X", b);
        out += line;
      }
      out += "\n";
    } else if constexpr (std::is_same_v<T, RGBColor>) {
      std::snprintf(line, sizeof line, "%s.%s = %u %u %u\n", tag, name, field.red, field.green, field.blue);
      out += line;
    } else {
      std::snprintf(line, sizeof line, "%s.%s = %d\n", tag, name, int(field));
      out += line;
    }
  }
};

struct Layout {
  std::vector<KxFieldInfo>& out;
  template <class T>
  void operator()(const char* name, std::size_t at, const T& field) const {
    if constexpr (IsByteArray<T>::value) out.push_back({name, at, field.size(), 1});
    else out.push_back({name, at, FieldWidth<T>(), FieldWidth<T>() == 1 ? std::size_t(1) : std::size_t(2)});
  }
};

}  // namespace

// ---- defaults ----------------------------------------------------------------------

void KxDefaultPreference(SKXPreference& p, const SKXPrefSystem& sys) {
  p = SKXPreference{};
  p.inlineInput = 1;
  p.showRuler = 1;
  p.showInfoView = 1;
  p.wrapAtWidth = 1;
  p.font = sys.appFont;
  p.size = 12;
  p.tabWidth = 4;
  p.guideView = 1;
  p.caretLine = 0;
  p.tabInterval = sys.tabInterval;
  p.marginFirst = sys.margin;
  p.marginSecond = sys.margin;
  p.systemScriptFont = sys.appFont;
  p.romanScriptFont = sys.romanFont;
  p.scriptDefault = 0;
  p.systemScript = static_cast<std::uint8_t>(sys.systemScript);
  p.toolPalette = 1;
  p.flags = kKxPrefFlagLiveScroll | kKxPrefFlagAltMenuBar | kKxPrefFlagScrapBook;
  if (sys.english) p.wordWrap = 1;
  else p.lineBreakMode = 1;
  if (sys.systemScript == 0) {
    p.scriptDefault = 2;
    p.wordWrap = 1;
    p.flags |= kKxPrefFlagTextLayer;
  }
  p.findOptions[3] = 1;   // open the find palette after a find
}

void KxDefaultPreference2(SKXPreference2& p) {
  p = SKXPreference2{};
  p.rulerTools = 1;
  p.alwaysZero = 0;
  p.rulerToolsValid = 1;
  p.functionBar = 0;
  p.openURLs = 1;
  p.smoothingSize = 12;
}

void KxDefaultFilePref(SKXFilePref& p) {
  p = SKXFilePref{};
  p.autoSaveSeconds = 300;
  p.backupGenerations = 1;
  p.recentFiles = 16;
  p.recentFolders = 8;
}

// ---- stored images -------------------------------------------------------------------

void KxReadRecord(SKXPreference& p, const std::uint8_t* data, std::size_t size) {
  VisitPreference(p, Reader{data, std::min(size, kKxPreferenceSize)});
}
void KxReadRecord(SKXPreference2& p, const std::uint8_t* data, std::size_t size) {
  VisitPreference2(p, Reader{data, std::min(size, kKxPreference2Size)});
}
void KxReadRecord(SKXFilePref& p, const std::uint8_t* data, std::size_t size) {
  VisitFilePref(p, Reader{data, std::min(size, kKxFilePrefSize)});
}
void KxWriteRecord(const SKXPreference& p, std::uint8_t* out) { VisitPreference(p, Writer{out}); }
void KxWriteRecord(const SKXPreference2& p, std::uint8_t* out) { VisitPreference2(p, Writer{out}); }
void KxWriteRecord(const SKXFilePref& p, std::uint8_t* out) { VisitFilePref(p, Writer{out}); }
void KxDumpRecord(const SKXPreference& p, std::string& out) { VisitPreference(p, Dumper{"KXTP", out}); }
void KxDumpRecord(const SKXPreference2& p, std::string& out) { VisitPreference2(p, Dumper{"KXP2", out}); }
void KxDumpRecord(const SKXFilePref& p, std::string& out) { VisitFilePref(p, Dumper{"FPRF", out}); }

std::vector<KxFieldInfo> KxRecordLayout(OSType tag) {
  std::vector<KxFieldInfo> out;
  const SKXPreference p;
  const SKXPreference2 p2;
  const SKXFilePref f;
  if (tag == kTagPreference) VisitPreference(p, Layout{out});
  else if (tag == kTagPreference2) VisitPreference2(p2, Layout{out});
  else if (tag == kTagFilePref) VisitFilePref(f, Layout{out});
  return out;
}

// ---- checked readings -----------------------------------------------------------------

int KxPrefStartupAction(const SKXPreference& p) {
  return p.startupAction >= kKxStartupNew && p.startupAction <= kKxStartupResume ? p.startupAction : kKxStartupNew;
}

int KxPrefMeasureUnit(const SKXPreference& p) {
  return p.measureUnit >= 0 && p.measureUnit <= 4 ? p.measureUnit : 0;
}

int KxPrefGaugeType(const SKXPreference& p) {
  switch (p.gaugeType) {
    case 0: case 1: case 2: case 5: case 6: return p.gaugeType;
    default: return 0;
  }
}

void KxPrefMargins(const SKXPreference& p, int& top, int& left, int& bottom, int& right) {
  auto fit = [](int v) { return std::clamp(v, 0, kKxMaxMarginPoints); };
  top = fit(p.marginFirst);
  left = fit(p.marginSecond);
  bottom = p.marginBottom != 0 ? fit(p.marginBottom) : top;
  right = p.marginRight != 0 ? fit(p.marginRight) : left;
}

bool KxPrefWindowSize(const SKXPreference& p, int& width, int& height) {
  if (!p.useStoredSize || p.windowWidth <= 0 || p.windowHeight <= 0) return false;
  width = p.windowWidth;
  height = p.windowHeight;
  return true;
}

int KxPrefColorVariation(const SKXPreference2& p) {
  return p.colorVariation >= 0 && p.colorVariation <= 19 ? p.colorVariation : 0;
}

int KxPrefAutoSaveSeconds(const SKXFilePref& p) { return std::clamp<int>(p.autoSaveSeconds, 60, 3600); }
int KxPrefBackupGenerations(const SKXFilePref& p) { return std::clamp<int>(p.backupGenerations, 1, 50); }
int KxPrefRecentFileLimit(const SKXFilePref& p) { return std::clamp<int>(p.recentFiles, 0, kKxMaxRecentFiles); }
int KxPrefRecentFolderLimit(const SKXFilePref& p) {
  return std::clamp<int>(p.recentFolders, 0, kKxMaxRecentFolders);
}

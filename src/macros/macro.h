// Macro byte code, the recorder and the player.
//
// A macro is a byte string of statements. Each statement starts with its
// opcode; all but the end (0), menu command (1) and key (3) statements
// carry a 16-bit big-endian length of the bytes after their first three.
// Multi-byte numbers are big-endian everywhere. SKXTMacroEdit is one decoded
// statement, one line of the macro editor.
#pragma once

#include <cstdint>

#include "platform/types.h"

class CKXTMacroTarget;
class CKXTMacroExec;
class CKXTextEngine;
struct SKXUniChar;

// Statement opcodes.
enum : short {
  kMacroEnd = 0,
  kMacroCommand = 1,
  kMacroText = 2,
  kMacroKey = 3,
  kMacroGoto = 4,
  kMacroLabel = 5,
  kMacroValue = 6,
  kMacroCompare = 7,
  kMacroFind = 8,
  kMacroDialog = 9,
  kMacroExtend = 10,
  kMacroRepeat = 21,
  kMacroHeader = 22,
  // Typed text holding characters the script bytes have no code for, as
  // UTF-8 with the 16-bit length of a text statement. Written only for such
  // text, so macros without it keep their bytes; older readers skip it.
  kMacroUnicodeText = 23,
};

// Jump target kinds (and goto kinds): next statement, line number, label, stop.
enum : std::uint16_t { kMacroJumpNext = 0, kMacroJumpLine = 1, kMacroJumpLabel = 2, kMacroJumpStop = 3 };

// Operations of a value statement (its option field). Into a string
// register only clear, set, append and insert act.
enum : int {
  kMacroValueClear = 10,
  kMacroValueSet = 11,
  kMacroValueAdd = 12,  // a string register appends
  kMacroValueSubtract = 13,
  kMacroValueMultiply = 14,
  kMacroValueDivide = 15,     // truncating; by 0 changes nothing
  kMacroValueRemainder = 16,  // likewise
  kMacroValueInsert = 20,     // the register's value into the text
};

// Operations of an extended statement (its value field); a dialog statement
// of kind 0 or 1 runs the first two.
enum : int {
  kMacroExtInputDialog = 71,
  kMacroExtNoteAlert = 72,
  kMacroExtFindDocument = 73,
  kMacroExtFindDocumentFlagged = 74,
  kMacroExtGotoLine = 75,
  kMacroExtSetDocName = 76,
  kMacroExtGetDocName = 77,
  kMacroExtGetDate = 78,
  kMacroExtGetTime = 79,
  kMacroExtSetLineRestart = 81,
  kMacroExtClearLineRestart = 82,
};

// The longest key repeat and the longest text statement the recorder makes
// (a key pressed once more starts a statement of its own).
constexpr long kMacroMaxRepeat = 1000;
constexpr long kMacroMaxText = 32767;
// The largest count a key statement holds, however it was made: its count
// field is signed 16 bits.
constexpr long kMacroMaxKeyCount = 32767;

// Refusal of byte code that does not hold together.
constexpr OSErr kMacroBadCodeErr = paramErr;

struct SKXTMacroEdit {
  std::int16_t opcode;   // sign-widened opcode byte
  std::uint16_t value;   // command, character, goto kind, register/left, mode, kind, operation, repeat, hidden flag
  std::uint16_t option;  // modifiers, operation, operator, find options, function-key flag
  std::int16_t count;    // key repeat, source/right subject, register, function key number
  std::int16_t textLength;
  char* text;
  std::uint16_t target1Kind;  // for the header: function key modifiers
  std::int16_t target1Length;
  char* target1Text;
  std::uint16_t target2Kind;
  std::int16_t target2Length;
  char* target2Text;
};

// One named macro: a length-prefixed name of at most 31 characters in 32
// bytes, the code length and the code handle (owned by the macro list).
struct SKXTMacro {
  unsigned char name[32];
  std::int32_t size;
  char** code;
};

class UKXTextMacro {
 public:
  // --- Byte code --------------------------------------------------------
  // Clears the record and decodes the statement at position. Answers 0 at an
  // end statement (position becomes size), 1 with position past the
  // statement (and past the repeat that belongs to a key), and -1 when the
  // statement does not fit in size or its fields overrun its own length
  // (position unchanged, record cleared). With copyTexts the texts are fresh
  // allocations the caller frees (FreeTexts); otherwise they point into code.
  static short AnalyzeMacro(char* code, long size, long& position, SKXTMacroEdit& record,
                            unsigned char copyTexts);
  // Writes the statement (GetMacroEditSize bytes) and answers its length.
  static long CreateMacro(char* out, const SKXTMacroEdit& record);
  static long GetMacroEditSize(const SKXTMacroEdit& record);
  // Replaces an owned text; answers 1 when something changed.
  static short CopyString(const char* text, short length, char*& owned, short& ownedLength);
  // Frees the three owned texts of a record and clears their fields.
  static void FreeTexts(SKXTMacroEdit& record);
  // Walks the code as the player and the editor will: noErr when every
  // statement up to the end fits, else kMacroBadCodeErr with the offset of
  // the first bad statement in badPosition (when given).
  static OSErr CheckMacroCode(const char* code, long size, long* badPosition = nullptr);
  // The line of the first bad statement as the editor numbers lines (from
  // 1; header and repeat statements are no lines), or 0 when every
  // statement fits.
  static long BadMacroLine(const char* code, long size);

  // Reads a number from at most the first 10 characters: digits accumulate,
  // a minus sign only as the first character, spaces skipped while the
  // number is still 0, anything else ends it. Saturates at the 32-bit limits.
  static std::int32_t ReadNumber(const char* text, long length);
  // Decimal text of a number ("-" for negatives); answers its length (<= 11).
  static short NumberText(std::int32_t number, char* out);

  // Synthetic menu commands: -(menu * 65536 + item) is stored as
  // menu * 256 + item in 16 bits and restored from a negative 16-bit value.
  static std::uint16_t EncodeCommand(long command);
  static long DecodeCommand(std::uint16_t stored);
  // The checked form the recorder and the editor's capture use: a command
  // that would come back as another one (a menu ID outside 128-255, an
  // item above 255, a plain number above 32767) is refused with a beep.
  static bool EncodeCommand(long command, std::uint16_t& stored);

  // --- Lifecycle ---------------------------------------------------------
  static void Initialize();
  static void Terminate();

  // --- Recorder ----------------------------------------------------------
  static void StartRecording();
  static void StopRecording();
  static void AddMacroKeyCode(unsigned char character, char modifiers);
  static void AddMacroString(char* text, long length);
  // Inserted script bytes with the side entries of what they hold only as
  // placeholders (offsets into text): a Unicode text statement when an
  // entry names a character, else the same as AddMacroString.
  static void AddMacroUnicodeString(const char* text, long length, const SKXUniChar* uni, long nUni);
  static void AddMacroCommand(long command);
  static void AddMacroData(unsigned char kind, char* data, long length);
  // Makes the handle the last recorded macro; the previous handle is not
  // freed but handed back to the caller.
  static char** SetMacroData(char** code, long size);

  // --- Player ------------------------------------------------------------
  // Runs a copy of the macro (so commands that replace or free the macro,
  // or its handle, cannot pull the code from under the run; the handle is
  // not held while the statements run). Bad code is refused with
  // kMacroBadCodeErr before any statement runs; a run while another one
  // is going is refused with paramErr; memFullErr when the state cannot be
  // made. Exceptions from replayed commands pass through.
  static OSErr ExecuteMacro(char** code, long size);
  static OSErr ExecuteMacro(char* code, long size);
  static Boolean InitExecMacro(char* code, long size);
  static void TermExecMacro();

  static unsigned char mMacroRecording;
  static unsigned char mMacroRecType;
  static std::int32_t mMacroRecPos;
  static std::int32_t mMacroRecSize;
  static char** mMacroData;
  static std::int32_t mMacroSize;
  static CKXTMacroExec* mMacroExec;
  // Counts the changes of the last recorded macro as a whole (a recording
  // started or ended, a handle set), so that a view of it can tell that it
  // shows an older one.
  static std::uint32_t mMacroGeneration;

 private:
  static OSErr Play(char* run, long size);
  static void AddText(unsigned char kind, const char* data, long length);
  static void AddKey(const char* data);
  static Boolean EnsureRoom(long length);
};

// Suspends recording for a scope (a running macro is not recorded again).
class UKXTextMacroDisableRecording {
 public:
  UKXTextMacroDisableRecording();
  ~UKXTextMacroDisableRecording();
  UKXTextMacroDisableRecording(const UKXTextMacroDisableRecording&) = delete;
  UKXTextMacroDisableRecording& operator=(const UKXTextMacroDisableRecording&) = delete;

 private:
  unsigned char mWasRecording;
};

// What the macros need of the views and the text engine, installed by the
// application at start-up. The defaults do nothing: no text view, an empty
// text, no selection.
class KxMacroHost {
 public:
  virtual ~KxMacroHost() = default;
  // The text view of the front document (it may wait for one to come to the
  // front); null when there is none or the user pressed Escape meanwhile.
  virtual CKXTMacroTarget* GetTextView() { return nullptr; }

  // Queries on the text engine a target works on; offsets are bytes, lines
  // count from 1.
  virtual void GetSelection(CKXTextEngine* engine, long& start, long& end) {
    (void)engine;
    start = end = 0;
  }
  // The length of the text in bytes.
  virtual long GetTextLength(CKXTextEngine* engine) {
    (void)engine;
    return 0;
  }
  // The character code at an offset (lead byte * 256 + trail for two bytes).
  virtual unsigned short GetChar(CKXTextEngine* engine, long offset) {
    (void)engine;
    (void)offset;
    return 0;
  }
  virtual long GetLineNumber(CKXTextEngine* engine, long offset) {
    (void)engine;
    (void)offset;
    return 0;
  }
  virtual long GetLineOffset(CKXTextEngine* engine, long line) {
    (void)engine;
    (void)line;
    return 0;
  }
  virtual long GetLineCount(CKXTextEngine* engine) {
    (void)engine;
    return 0;
  }
  // The range of the line that holds an offset.
  virtual void GetLineRange(CKXTextEngine* engine, long offset, long& start, long& length) {
    (void)engine;
    start = offset;
    length = 0;
  }
  // Characters between two offsets, a double-byte character counting once.
  virtual long CalcCharCount(CKXTextEngine* engine, long start, long end) {
    (void)engine;
    return end > start ? end - start : 0;
  }
  // Copies the plain bytes of a range (length bytes) into out.
  virtual void GetText(CKXTextEngine* engine, long start, long length, char* out) {
    (void)engine;
    (void)start;
    for (long i = 0; i < length; ++i) out[i] = 0;
  }
  // Whether a typed Return indents the new line like the one it ends.
  virtual bool GetAutoIndent(CKXTextEngine* engine) {
    (void)engine;
    return false;
  }
  // Inserts script bytes with their side entries into the target's text as
  // typed text. The default inserts the bytes alone.
  virtual void InsertUnicodeText(CKXTMacroTarget* target, const char* text, long length, const SKXUniChar* uni,
                                 long nUni);
};

// Whether a side entry inside a text of `length` bytes names a character
// (glyph references and empty entries do not).
bool KxMacroHasUniChar(const SKXUniChar* uni, long nUni, long length);

// Installs the host (null restores the do-nothing default).
void KxMacroSetHost(KxMacroHost* host);
KxMacroHost& KxMacroGetHost();

// The Escape poll of the player: answers whether Escape is held down now.
// Asked before every statement besides the target's own check, so that an
// endless macro can always be stopped. The default asks the platform's key
// state (KxEscapeKeyDown); null restores it.
using KxMacroEscapePoll = bool (*)();
void KxMacroSetEscapePoll(KxMacroEscapePoll poll);

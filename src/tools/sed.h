// CSED: a line-oriented stream editor for double-byte Japanese text.
//
// The compiler turns scripts into a pool of compiled commands; the executor
// runs them over input lines with a backtracking matcher. The engine works on
// 16-bit units: a single byte is its value, a Shift_JIS pair is lead * 256 +
// trail. Every operation is virtual, down to the stdio shims, so that a
// subclass can run the same engine over texts held in memory. CSED never
// allocates its buffers: a subclass allocates them before `initialize` and
// may grow the line buffers through `EnlargeLineBuf`.
#pragma once

#include <cstdint>
#include <cstring>

using SEDunit = std::uint16_t;

// The Shift_JIS byte rules behind `iswide1st` and `iswide2nd`, for readers
// that go around the virtual shims.
inline bool SEDLeadByte(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool SEDTrailByte(int c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Thrown by `exit`: the run ends with this code (0 after `q`).
struct SEDExit {
  int code;
};

// Compiled regular expression opcodes and address forms.
enum : SEDunit {
  kSedCHR = 2,      // one character, operand: the unit
  kSedDOT = 4,      // any character
  kSedDOL = 10,     // end of line
  kSedBRA = 12,     // start of group n
  kSedKET = 14,     // end of group n
  kSedBACK = 16,    // back reference to group n
  kSedNUM = 18,     // address: index into the line-number table
  kSedLAST = 20,    // address: $
  kSedEND = 22,     // end of an expression or address
  kSedCCL = 514,    // bracket expression: items, then kSedCCLEND
  kSedCNEG = 516,   // bracket: negated
  kSedCCHAR = 518,  // bracket item: one unit
  kSedCRANGE = 522, // bracket item: low, high
  kSedCCLEND = 524,
  kSedYEND = 534,   // end of a y table
  kSedSTAR = 1,     // flag: any number of times, longest first
  kSedCOUNT = 32,   // flag: counted, operands m and n follow the opcode
  kSedREUSE = 2,    // first unit of "//": the last expression used at run time
};

// Command codes.
enum : std::int32_t {
  kSedEndOfPool = 0,
  kSedEqual = 1,
  kSedAppend = 2,
  kSedBranch = 3,  // also "{"
  kSedChange = 4,
  kSedDelete = 5,
  kSedDeleteFirst = 6,
  kSedGet = 7,
  kSedGetAppend = 8,
  kSedHold = 9,
  kSedHoldAppend = 10,
  kSedInsert = 11,
  kSedList = 12,
  kSedNext = 13,
  kSedNextAppend = 14,
  kSedPrint = 15,
  kSedPrintFirst = 16,
  kSedQuit = 17,
  kSedRead = 18,
  kSedSubstitute = 19,
  kSedTest = 20,
  kSedWrite = 22,
  kSedExchange = 24,
  kSedTranslate = 25,
};

// Limits.
constexpr long kSedLineLimit = 3000;    // initial units of each line buffer
constexpr long kSedMaxCommands = 254;
constexpr long kSedPoolBytes = 30000;
constexpr long kSedMaxLabels = 48;
constexpr long kSedMaxNumbers = 511;
constexpr long kSedMaxWFiles = 10;      // slot 0 is standard output
constexpr long kSedMaxDepth = 20;
constexpr long kSedMaxRE = 256;
constexpr long kSedMaxGroups = 9;
constexpr long kSedMaxAppend = 20;
constexpr long kSedMaxFiles = 12;       // stdio handles 1-12
// Matcher attempts between two calls of `check_break` within one search: a
// search with back references can take very long without a line or a jump.
constexpr long kSedMatchQuantum = 4096;

struct SEDcmd {
  const SEDunit* ad1;
  const SEDunit* ad2;
  const void* arg;        // s: expression; a/i/c/r: bytes; y: table
  SEDcmd* target;         // b, t, {, D (before `resolve`: the label chain)
  std::int32_t code;
  const SEDunit* rhs;
  std::int32_t occurrence;
  long file;
  std::uint8_t negate;
  std::uint8_t global;
  std::uint8_t print;
  std::uint8_t inRange;
};

struct SEDlabel {
  const char* name;
  SEDcmd* chain;
  SEDcmd* target;
};

// The buffers a subclass hands to the engine before `initialize`.
struct SEDbuffers {
  SEDcmd* commands;     // kSedMaxCommands + 1 records
  char* pool;           // kSedPoolBytes bytes, 2-byte aligned
  SEDlabel* labels;     // kSedMaxLabels + 1
  std::int32_t* numbers;  // kSedMaxNumbers
  SEDunit* lines[3];    // pattern, generation, hold: `lineCap` + 1 units each
  long lineCap;
};

class CSED {
 public:
  CSED();
  virtual ~CSED();
  CSED(const CSED&) = delete;
  CSED& operator=(const CSED&) = delete;

  virtual void main(int argc, char** argv);
  virtual void initialize();
  virtual void terminate();
  virtual void e_compile(const char* script);
  virtual void f_compile(const char* name);
  virtual void compile();
  virtual void cmdcomp(SEDcmd& cmd, char letter);
  virtual long rhscomp(SEDunit* out, long room, SEDunit delimiter);
  virtual long recomp(SEDunit* out, SEDunit delimiter);
  virtual int cmdline();
  // Whether a backslash before a line end carries the script line on (the
  // styled editor's scripts end every line at its line end).
  virtual bool ContinuesLines() const { return true; }
  virtual const SEDunit* address();
  virtual char* gettext(bool fileName);
  virtual SEDlabel* search(SEDlabel* label);
  virtual void resolve();
  virtual long ycomp(SEDunit* out, long room, SEDunit delimiter);
  [[noreturn]] virtual void ABORT(int code);
  virtual void SKIPWS();
  virtual SEDunit getescchar(SEDunit c, const SEDunit*& p, const SEDunit* end);
  virtual void printerror(int code, const char* text);

  virtual void execute(const char* file);
  virtual bool selected(SEDcmd* cmd);
  virtual int match(const SEDunit* expression, int mode);
  virtual bool advance(long at, const SEDunit* ops);
  virtual bool substitute(SEDcmd* cmd);
  virtual void dosub(const SEDunit* replacement);
  virtual void place(const SEDunit* from, const SEDunit* to);
  virtual void cplace(const char* from, const char* to);
  virtual void listto(const SEDunit* line, long length, long file);
  virtual void command(SEDcmd* cmd);
  virtual long getline(long at);
  virtual void readout();
  virtual void fputfile(const char* name, long file);
  virtual int bufcmp(const SEDunit* a, const SEDunit* b, long n);
  virtual long bufcpy(int dst, long at, const SEDunit* src, long n);
  virtual void bufputc(int dst, long at, SEDunit c);
  virtual const char* numstr(long n, int newline);
  virtual void check_break();

  virtual void fputwc(SEDunit c, long file);
  virtual void fputws(const SEDunit* line, long length, long file);
  virtual void fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline);
  virtual SEDunit fgetwc(long file);
  virtual long fgetwsr(int dst, long at, long file, bool dropLF);
  virtual SEDunit makewc(const unsigned char*& p, const unsigned char* end);
  virtual bool iswide(SEDunit c);
  virtual bool iswide1st(int c);
  virtual bool iswide2nd(int c);
  virtual long fopen(const char* name, const char* mode);
  virtual long freopen(const char* name, const char* mode, long file);
  virtual void fclose(long file);
  virtual bool feof_(long file);
  virtual int fgetc(long file);
  virtual void fputc(int c, long file);
  virtual void fputs(const char* text, long file);
  virtual void exit(int code);
  virtual bool isprint_(SEDunit c);
  virtual int strcmp(const char* a, const char* b);
  virtual char* strcpy(char* dst, const char* src);
  virtual long strlen(const char* s);
  virtual const char* strrchr(const char* s, int c);

  // Grows each of the three line buffers by `more` units; false when it
  // cannot (nothing changes then). The base has no storage of its own.
  virtual bool EnlargeLineBuf(long more);

  bool NoPrint() const { return mNoPrint; }
  void SetNoPrint(bool on) { mNoPrint = on; }
  void SetGlobal(bool on) { mGlobal = on; }
  void SetInputCount(int n) { mInputCount = n; }
  long CommandCount() const { return mCmdCount; }
  const SEDcmd* Commands() const { return mBuf.commands; }

 protected:
  enum { kPat = 0, kGen = 1, kHold = 2 };
  SEDunit* Line(int which) const { return mBuf.lines[mIdx[which]]; }
  long& Len(int which) { return mLen[mIdx[which]]; }
  // Makes room for `units` units in every line buffer, or ends the run with
  // code 22 (never cuts a line silently).
  void NeedLine(long units);
  // Line buffer `dst` took the whole of `src` ("g", "G", "h", "H"): a host
  // that tracks more about a buffer's line follows it here.
  virtual void LineTaken(int dst, int src) {
    (void)dst;
    (void)src;
  }
  [[noreturn]] void Fatal(int code);
  void ReportAndEnd(int code, const char* text);

  // Compiler helpers.
  char* PoolAlloc(long bytes);
  const SEDunit* PoolUnits(const SEDunit* units, long count);
  const SEDunit* PoolCompile(long (CSED::*comp)(SEDunit*, long, SEDunit), SEDunit delimiter);
  SEDunit Delimiter();
  long WFile(const char* name);
  SEDlabel* NewLabel(const char* name);
  void AfterCommand();
  void TakeSlot();
  void DefineLabel(SEDcmd& cmd);
  void OpenBlock(SEDcmd& cmd);
  void CloseBlock(SEDcmd& cmd);
  bool CompileArgument(SEDcmd& cmd, char letter);
  void CompileJump(SEDcmd& cmd);
  const SEDunit* PoolExpression(SEDunit delimiter, int syntaxCode);
  bool CompileSubstitute(SEDcmd& cmd);
  bool SubstituteFlags(SEDcmd& cmd);
  char* LabelName();
  bool ReadScriptByte(int& c);

  // Executor helpers.
  bool ReadLine(long at);
  bool LaterInputHasLines();
  bool MatchAddress(const SEDunit* ad);
  bool InClass(const SEDunit* items, SEDunit c) const;
  const SEDunit* SkipAtom(SEDunit op, const SEDunit* operands) const;
  bool AtomAt(SEDunit op, const SEDunit* operands, long at) const;
  bool Repeat(long at, SEDunit op, const SEDunit* ep);
  void Queue(SEDcmd* cmd, int code);
  void Translate(const SEDunit* table);
  void CopyToGen(long from, long to);
  void AppendLine(int dst, int src);
  void WriteLineEnd(long file);
  // Every move of units between the line buffers goes through these: with
  // mCarry set they call bufcpy and bufputc, which a subclass extends to
  // carry what belongs to each unit; without it plain input keeps the
  // inline copy. Room is made by the caller (NeedLine).
  long MoveUnits(int dst, long at, const SEDunit* src, long n) {
    if (mCarry) return CarryUnits(dst, at, src, n);
    SEDunit* line = Line(dst);
    if (n > 0) std::memmove(line + at, src, size_t(n) * sizeof(SEDunit));
    line[at + n] = 0;
    return at + n;
  }
  // bufcpy, kept out of line so that the plain copies stay small.
  long CarryUnits(int dst, long at, const SEDunit* src, long n);
  void PutUnit(int dst, long at, SEDunit c) {
    if (mCarry)
      bufputc(dst, at, c);
    else
      Line(dst)[at] = c;
  }

  SEDbuffers mBuf{};
  bool mCarry = false;  // units carry side records (see MoveUnits)
  int mIdx[3] = {0, 1, 2};
  long mLen[3] = {0, 0, 0};

  // Compiler state.
  long mCmdCount = 0;
  long mPoolUsed = 0;
  long mLabelCount = 1;
  long mNumberCount = 0;
  char* mWName[kSedMaxWFiles] = {};
  long mWFile[kSedMaxWFiles] = {};
  long mWCount = 1;
  SEDcmd* mBlocks[kSedMaxDepth] = {};
  long mDepth = 0;
  const SEDunit* mCp = nullptr;     // script position in the current line
  const SEDunit* mCpEnd = nullptr;
  const SEDunit* mLastRE = nullptr;
  int mLastGroups = 0;
  bool mFirstLine = true;
  bool mAnyCommand = false;
  const unsigned char* mScriptText = nullptr;
  long mScriptFile = 0;

  // Run state.
  bool mNoPrint = false;
  bool mGlobal = false;
  int mInputCount = 0;
  int mInputIndex = 0;
  char* const* mInputNames = nullptr;  // the input files of `main`
  long mLineNo = 0;
  long mFileLines = 0;
  bool mLastLine = false;
  bool mDelete = false;
  bool mJump = false;
  bool mSubst = false;
  SEDcmd* mPending = nullptr;
  SEDcmd* mAppend[kSedMaxAppend + 1] = {};
  long mAppendCount = 0;
  bool mAppendFullReported = false;  // code 23 or 24 was reported in this run
  const SEDunit* mLastUsed = nullptr;

  // Matcher state (indices into the pattern space).
  long mMatchStart = 0;
  long mMatchEnd = 0;
  long mNextStart = 0;     // where a continued search starts
  long mSearchStart = -1;  // start of a continued search; -1 in mode 0
  long mAdvEnd = 0;
  long mAttempts = 0;  // matcher attempts since the last check_break
  long mGroupStart[kSedMaxGroups + 1] = {};
  long mGroupEnd[kSedMaxGroups + 1] = {};
  const SEDunit* mText = nullptr;  // the line being matched
  long mTextLen = 0;
  const SEDunit* mRE = nullptr;     // expression being matched
  bool mMemo = false;               // failure memo usable (no back references)
  std::uint32_t mMemoGen = 0;
  std::uint32_t mMemoStamp[kSedMaxRE + 2] = {};
  long mMemoLo[kSedMaxRE + 2] = {};
  long mMemoHi[kSedMaxRE + 2] = {};
  long mGenOut = 0;  // length of the line being built in the generation buffer
  long mNextCopy = 0;  // pattern-space text before this is in the generation buffer

  // stdio: handles 1 (standard input), 2 (standard output), 3-12.
  void* mFiles[kSedMaxFiles + 1] = {};
  int mPushBack = -1;
  char mNum[32] = {};
};

// Texts of the error codes 1-25 (the argument goes where "%s" stands).
const char* SEDErrorText(int code);

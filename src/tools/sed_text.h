// CKXTextSED: the stream editor over styled texts. An input line is one
// paragraph; every unit in the pattern space, the generation buffer and the
// hold space carries a side record (style and decoration, ruby, Unicode
// value), so that styles, inline pictures, rubies and characters outside
// Shift_JIS survive the script. Marks of paragraphs that pass through
// unchanged are carried to the output.
//
// CKXTextRunSED completes it for files: streams that name a file are read
// and written the way the text document opens and saves them, errors become
// notes of message list 210, and Escape breaks a run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "text/store/strarray.h"
#include "text/store/text.h"
#include "tools/sed_host.h"
#include "tools/sed_textfile.h"

// The side record of one unit.
struct KXTSEDstyle {
  std::uint32_t attr;    // index into the run's table of style and decoration pairs
  std::uint32_t ruby;    // 1 + the run-wide number of the ruby whose base holds the unit; 0 none
  std::uint32_t rubyAt;  // the unit's place in that base, from 0
  std::uint32_t uni;     // Unicode value stored for the unit; 0 none
};

// A stream: a file by its path, or a text in memory, always by an explicit
// tag (a file's kind never decides it).
struct SKXSedStream {
  enum class Kind { kNone, kFile, kText };
  Kind kind = Kind::kNone;
  std::string path;            // kFile: the system's bytes
  SKXSedText* text = nullptr;  // kText, not owned
  static SKXSedStream File(const std::string& path) { return {Kind::kFile, path, nullptr}; }
  static SKXSedStream Text(SKXSedText* text) { return {Kind::kText, std::string(), text}; }
};

class CKXTextSED : public CSEDHost {
 public:
  CKXTextSED();
  ~CKXTextSED() override;

  // Compiles the scripts (files, or texts whose lines end at CR) in order
  // and runs them over the inputs as one stream. The output goes to
  // `output`: a text in memory (replaced), a file (written in the first
  // input's layout, encoding and line ends, with its records), or, with
  // kNone, a new text kept as Output(). True when the run finished.
  virtual bool DoStreamEdit(const std::vector<SKXSedStream>& scripts, const std::vector<SKXSedStream>& inputs,
                            const SKXSedStream& output, bool noPrint, bool global);
  SKXSedText& Output() { return mOutput; }
  // Set when an input could not be read whole: the run failed for it.
  const std::string& FailedInput() const { return mFailedInput; }
  const std::string& FailMessage() const { return mFailMessage; }
  // The folder in which relative names of a script ("w", "r") are made;
  // the system's bytes.
  virtual void SetStdioFolder(const std::string& folder) { mFolder = folder; }
  // A series of runs whose files go into one batch: a write file ("w") of
  // a finished run is held, replacing what an earlier run of the series
  // wrote to it, and WriteHeldFiles writes each once the series is over.
  // A run whose write file is an output of the series, or whose output is
  // a held write file, fails and writes nothing. Off: a finished run
  // writes its write files at once.
  void HoldWriteFiles(bool on);
  // False, with each failure shown, when a held file cannot be written.
  bool WriteHeldFiles();
  // Files that no write file may replace (the targets of a series), as
  // neither may it replace an input of its own run.
  void ProtectFiles(std::vector<std::string> paths) { mProtected = std::move(paths); }

  // Texts that "r" names and "w" writes when no file is behind a name.
  std::map<std::string, SKXSedText*> mReadable;
  std::map<std::string, SKXSedText> mWritten;

  // CSED
  void initialize() override;
  void terminate() override;
  int cmdline() override;
  char* gettext(bool fileName) override;
  // Script lines end at a line end; a backslash does not carry a line on,
  // but for the classic form of a, i and c (see JoinTextLines).
  bool ContinuesLines() const override { return false; }
  [[noreturn]] void ABORT(int code) override;
  long bufcpy(int dst, long at, const SEDunit* src, long n) override;
  void bufputc(int dst, long at, SEDunit c) override;
  long fgetwsr(int dst, long at, long file, bool dropLF) override;
  void fputwsr(const SEDunit* from, const SEDunit* to, long file, bool newline) override;
  void fputwc(SEDunit c, long file) override;
  void fputc(int c, long file) override;
  void fputs(const char* text, long file) override;
  void fputfile(const char* name, long file) override;
  long fopen(const char* name, const char* mode) override;
  long freopen(const char* name, const char* mode, long file) override;
  void fclose(long file) override;
  bool feof_(long file) override;
  int fgetc(long file) override;
  bool EnlargeLineBuf(long more) override;
  void LineTaken(int dst, int src) override;

  // 0, 1 or 2 when `p` lies in the pattern space, the generation buffer or
  // the hold space (`index` its unit), else -1.
  int BufFindType(const SEDunit* p, long& index) const;
  // The record that inserted units inherit: style and decoration only, the
  // picture cleared.
  KXTSEDstyle AdjustStyle(const KXTSEDstyle& s) const;
  bool Rich() const { return mRich; }

 protected:
  struct Attr {
    SStyl styl;
    SDeco deco;
    std::uint32_t plain;  // the same pair without the picture
  };
  struct File {
    bool open = false;
    bool write = false;
    std::string name;
    SKXSedText* text = nullptr;          // read from, or written to
    std::unique_ptr<SKXSedText> own;     // a text this record read
    SKXSedFormat format;                 // how a file was read
    bool isFile = false;
    std::string path;
    // Reading.
    std::string bytes;
    long pos = 0;
    // Writing.
    std::string out;
    std::vector<std::uint32_t> runAttr;
    std::vector<std::int32_t> runStart;
    std::vector<SKXUniChar> uni;
    std::vector<SKXRuby> rubys;
    std::vector<SKXPara> paras;
    std::vector<SKXSedMark> marks;
    int lastRank = 0;
    // The last byte is the line end the editor added after a line of input
    // that had none.
    bool endsAdded = false;
  };
  // A text whose last paragraph has no line end is written back without
  // one: only that paragraph's line end goes, so that a script that drops
  // or moves it leaves the lines before it whole.
  void DropAddedLineEnd(File& f);
  // A write file of a script, made when the run closes it.
  struct WriteFile {
    std::string name;  // as the script names it
    std::string path;
    SKXSedText text;
    SKXSedFormat format;
  };
  // Writes what a finished run made for files: its write files, then its
  // output (`outPath` empty: none), unless the output is `readAs`, the text
  // its file was read as. Nothing of the run is written when one of them
  // is refused; false then, with the error shown.
  bool WriteRunFiles(const std::string& outPath, const SKXSedText& out, const std::string& outName,
                     const SKXSedText* readAs);

  // Hooks for files; the base has none (a file stream cannot be opened).
  virtual bool ReadTextFile(const std::string& path, SKXSedText& text, SKXSedFormat& format, bool isStdin,
                            std::string& message);
  virtual bool WriteTextFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format,
                             bool withInfo, std::string& message);
  virtual std::string MakePath(const std::string& name) const;
  // A file name that a script gives ("w", "r") as the system spells it:
  // the script's text code, with the side characters it was written with,
  // as UTF-8. False when a character of it has no Unicode form (a bare
  // placeholder, a code without a character), so that no other file is
  // ever opened in its place.
  bool ScriptNameToSystem(const char* name, std::string& out) const;

  // The classic form of a, i and c: "a\" alone on its line, the text on
  // the lines after, running on while they end in a backslash. The lines
  // are joined into one, the backslash before each LF kept for gettext,
  // which keeps the LF. A text on the command's own line stays the rest of
  // that line.
  void JoinTextLines();
  bool OpenStream(File& f, const SKXSedStream& s, bool isStdin);
  void SetStdin(File& f);
  // Appends bytes to an output with one record for all of them (inherited
  // when `attr` is kInherit).
  static constexpr std::uint32_t kInherit = 0xFFFFFFFF;
  void PutBytes(File& f, const char* b, long n, std::uint32_t attr);
  void FinishText(File& f, SKXSedText& dest);
  void CarryMarks(File& f, long outStart);
  KXTSEDstyle RecordAt(long p);
  KXTSEDstyle Inherited(int dst, long at);
  long InputIndex(const char* name) const;
  // Whether names of a script ("w", "r") are files; else texts of
  // mReadable and mWritten.
  virtual bool FilesByName() const { return false; }
  std::uint32_t AttrOf(const SStyl& s, const SDeco& d);
  void GrowSides(long cap);
  KXTSEDstyle& Side(int which, long at) { return mSide[mIdx[which]][size_t(at)]; }

  // Characters outside Shift_JIS. In a text each is a placeholder code with
  // its Unicode value beside it; in the line buffers each value (from the
  // script or an input) stands as a unit of its own from a range that no
  // Shift_JIS unit uses, so that matching, "y" and back references tell
  // them apart from each other and from a real placeholder character, and
  // inserted text keeps them. Writers turn them back into the placeholder
  // and its side entry. Values beyond the range stay placeholders with
  // their side records, as before.
  // The units: 0x1000 + 256 * h + l, l from 1 (a low byte of 0 would end
  // a name or text copied as bytes), below 0x8100 (the first double-byte
  // unit is 0x8140).
  static constexpr SEDunit kUniUnitBase = 0x1000;
  static constexpr SEDunit kUniUnitEnd = 0x8100;
  struct UniUnit {
    std::uint32_t value;
    SEDunit placeholder;
  };
  SEDunit UniUnitOf(std::uint32_t value, SEDunit placeholder);
  const UniUnit* UniUnitAt(SEDunit c) const;
  static bool IsPlaceholderUnit(SEDunit c) {
    const unsigned char b[2] = {std::uint8_t(c > 255 ? c >> 8 : c), std::uint8_t(c)};
    return KxIsPlaceholderAt(b, c > 255 ? 2 : 1);
  }
  // The unit a text holds for `c`: its placeholder for a unit of a
  // character outside Shift_JIS (`value` its Unicode value), else `c`
  // (`value` 0).
  SEDunit TextUnit(SEDunit c, std::uint32_t& value) const;
  // The script line's units as the script spells them (placeholders).
  void PlainUnits(SEDunit* from, const SEDunit* to) const;
  std::vector<UniUnit> mUniUnits;  // in the order of their units
  std::map<std::uint32_t, SEDunit> mUniUnitOf;

  File mFile[kSedMaxFiles + 1];
  SKXSedText mOutput;
  std::string mFolder;
  std::string mFailedInput, mFailMessage;
  // Inputs are told apart by the identity of their name pointers, so that
  // no name a script makes can stand for one.
  std::vector<std::string> mInputPaths;
  std::vector<char*> mInputPtrs;
  std::vector<SKXSedStream> mInputs;
  // The script file being opened for compiling: a path of the caller,
  // never a name of the script.
  const char* mScriptPath = nullptr;
  // Side characters of the script being compiled (its text, or the text
  // read from its file), the side value of each unit of its current line,
  // and those of each text ("a", "i", "c") and file name taken from it, by
  // its place in the text pool and the offset in it.
  const CKXText* mScriptSource = nullptr;
  const unsigned char* mScriptBytes = nullptr;
  bool mScriptUniLoaded = false;
  std::vector<SKXUniChar> mScriptUni;
  std::vector<std::uint32_t> mLineUni;
  std::map<const char*, std::vector<SKXUniChar>> mNameUni;
  struct Ahead {
    long index = -1;
    bool ok = false;
    File file;
  };
  Ahead mAhead;
  bool mRunOK = false;
  // The write files of the current run, closed; with a series held, the
  // files of its finished runs (the last version of each) and its outputs.
  std::vector<WriteFile> mRunWrites;
  bool mHold = false;
  std::vector<WriteFile> mHeld;
  std::vector<std::string> mSeriesOutputs;
  std::vector<std::string> mProtected;
  SKXSedFormat mFirstFormat;
  bool mHaveFirst = false;

  // Side records.
  bool mRich = false;
  std::vector<KXTSEDstyle> mSide[3];
  std::vector<Attr> mAttrs;
  std::map<std::string, std::uint32_t> mAttrIndex;
  std::vector<SKXRuby> mRubyTable;  // every ruby of every input read, run-wide numbers

  // Standard input.
  std::vector<SKXStyl> mInStyls;
  std::vector<SKXDeco> mInDecos;
  std::vector<SKXPara> mInParas;
  std::vector<SKXUniChar> mInUni;
  std::uint32_t mRubyBase = 0;  // run-wide number of the input's first ruby, less one
  long mInRubys = 0;
  size_t mCurStyl = 0, mCurDeco = 0, mCurUni = 0;
  long mCurRuby = 0;
  std::uint32_t mCurAttr = 0;
  std::uint32_t mDefaultAttr = 0;
  std::uint32_t mParaCRAttr = 0;
  std::uint32_t mLastRuby = 0, mLastRubyAt = 0;
  size_t mCurParaRun = 0;
  bool mHaveMarkInfo = false;
  // Per line buffer (by its place in mBuf.lines, so that "x" takes it
  // along): the last line of input read into it had no line end. "g" and
  // "h" copy the mark with the line, and so do "G" and "H" (the line
  // appended decides how the whole ends), as the other stream editors do. A
  // substitution puts the generation buffer in the pattern space's place;
  // FollowBuffers hands the mark on to it then.
  bool mNoLineEnd[3] = {};
  int mSeenPat = -1, mSeenHold = -1;
  void FollowBuffers();
  bool mOutRanks = false;
  long mAttrStylRun = -1, mAttrDecoRun = -1;
  bool mParas = false;
  SParaStyl mFirstPara{}, mCurPara{};
  // Marks of standard input.
  std::vector<SKXSedMark> mInMarks;
  bool mInRanks = false;
  size_t mMarkNext = 0;
  std::vector<size_t> mParaMarks;
  long mParaStart = 0, mParaEnd = 0;
};

// The rank a carried mark gets, given the rank of the last mark written
// (`last`, updated) and the marks written so far (the previous one may lose
// its group bit).
int KxSedCarryRank(int& last, int rank, std::vector<SKXSedMark>& written);

// The stream editor of the stream editor window: errors as notes of a
// message list, Escape or Command-period to break a run.
class CKXTextRunSED : public CKXTextSED {
 public:
  void SetMessageList(short listID, short base) {
    mListID = listID;
    mBase = base;
  }
  // Forces the encoding of plain-text inputs (kKxCodeAuto: detected).
  void SetEncoding(short code) { mEncoding = code; }
  void SetAozora(bool on) { mAozora = on; }
  // Files the runs write join this batch (replaced when it commits). The
  // runs are a series then: their write files are held until
  // WriteHeldFiles, which puts them into the batch.
  void SetBatch(CKXSafeBatch* batch) {
    mBatch = batch;
    HoldWriteFiles(batch != nullptr);
  }

  // Bounds of a series of runs (the runs the user starts at once, over all
  // their targets): `steps` as SetStepBudget counts them, `bytes` what the
  // outputs and the line buffers' units may hold, the finished runs'
  // outputs counted too while the series holds them (a text output, the
  // write files held for the batch), not once written to their file. A run
  // that reaches one ends as a failure with Limited() set. StartSeries
  // begins counting afresh; 0: no bound.
  void SetSeriesLimits(long steps, long bytes) {
    mSeriesStepLimit = steps;
    mSeriesByteLimit = bytes;
  }
  void StartSeries() {
    mSeriesSteps = 0;
    mSeriesBytes = 0;
  }
  // While held, notes are kept for TakeNotes instead of shown, so that the
  // caller can tell where the series stood.
  void HoldNotes(bool on) { mHoldNotes = on; }
  std::vector<std::string> TakeNotes() { return std::move(mHeldNotes); }

  bool DoStreamEdit(const std::vector<SKXSedStream>& scripts, const std::vector<SKXSedStream>& inputs,
                    const SKXSedStream& output, bool noPrint, bool global) override;
  void printerror(int code, const char* text) override;
  void check_break() override;
  void initialize() override;
  bool EnlargeLineBuf(long more) override;
  // A write file is opened as the script is compiled: one that cannot be
  // made ends the run there (code 9), before any input is read.
  long fopen(const char* name, const char* mode) override;

  // The item of the message list that tells of a file not written for the
  // characters its encoding lacks: "%s" its name, "%d" their count.
  static constexpr short kUnwritableItem = 10;
  // The note text of an error: item code + base - 1, "%s" replaced by the
  // argument with 0x01 shown as "/", cut to 250 bytes on a character
  // boundary. Empty without a message list.
  std::string ErrorNote(int code, const char* text) const;
  // The last run was broken off by the user.
  bool Broken() const { return mBroken; }
  // The last run reached a bound of its series.
  bool Limited() const { return mLimited; }
  // Characters of the last run's file that its encoding could not hold:
  // the file was not written (0: none refused).
  long Unwritable() const { return mUnwritable; }
  // Where the last run stood: the input (from 0) and its line.
  int InputIndex() const { return mInputIndex; }
  long InputLine() const { return mFileLines; }

 protected:
  // Shows a note; the driver prints it instead.
  virtual void ShowNote(const std::string& text);
  bool ReadTextFile(const std::string& path, SKXSedText& text, SKXSedFormat& format, bool isStdin,
                    std::string& message) override;
  bool WriteTextFile(const std::string& path, const SKXSedText& text, const SKXSedFormat& format, bool withInfo,
                     std::string& message) override;

  short mListID = 0;
  short mBase = 0;
  short mEncoding = -1;
  bool mAozora = false;
  CKXSafeBatch* mBatch = nullptr;
  std::uint32_t mNextBreak = 0;
  bool mChecked = false;
  bool mBroken = false;
  bool mLimited = false;
  long mUnwritable = 0;
  long mSeriesStepLimit = 0, mSeriesByteLimit = 0;
  long mSeriesSteps = 0, mSeriesBytes = 0;
  long mRunBytes = 0;       // the most the current run's outputs have held
  long mRunWriteBytes = 0;  // the same for its write files alone
  int mCheckedPat = -1;  // the pattern space's buffer at the last check
  bool mHoldNotes = false;
  std::vector<std::string> mHeldNotes;
  bool mLineRefused = false;  // the line buffers last failed to grow at a bound
  // Bytes the current run's outputs hold (`writeFiles`: those of its write
  // files alone), and the units of the line buffers at `lineCap` units
  // (once for the series: they are reused).
  long OutputBytes(long* writeFiles = nullptr) const;
  long LineBytes(long lineCap) const;
  // Item `item` of the message list with "%d" as `number` and "%s" as
  // `text`, bounded as ErrorNote says.
  std::string ItemNote(short item, const char* text, long number) const;
  bool FilesByName() const override { return true; }
};

// The preference file: every setting that outlives a run, as a stream of
// tagged chunks (four-character tag, u32 size, the data; big-endian, back
// to back). The user's file lives in the preference folder; the factory
// settings, same format, fill what the user's file lacks and are kept for
// the dialogs that restore them.
//
// Reading is defensive: a chunk that claims more bytes than are left is
// read up to the end of the stream, and the walk ends there (as does a
// header cut short); every record takes only the fields wholly inside
// its chunk; counts are capped at what the menus have room for and lists are
// cut after their last complete entry. Chunks of owners that are not here
// (and tags nobody knows) are kept as read and written back unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/fspec.h"
#include "platform/types.h"

struct KxPrefChunk {
  OSType tag;
  KxBlock data;
};

// The chunks of a stream, in order; `complete` is false when the stream
// ended inside a chunk (the last chunk then holds the bytes that are there)
// or inside a chunk header (which is dropped).
std::vector<KxPrefChunk> KxParsePrefChunks(const std::uint8_t* data, std::size_t size, bool* complete = nullptr);
// Writes a chunk header at out and, when data is given, the data after it;
// answers size + 8, or 8 without data.
std::size_t SetTypeSizeData(OSType tag, std::size_t size, const void* data, std::uint8_t* out);

// A facility above this area that keeps a chunk itself (the macros, colour
// sets, spelling checkers, page forms) installs an owner; until then the
// chunk is kept as read. Data is the stored (big-endian) form.
class KxPrefChunkOwner {
 public:
  virtual ~KxPrefChunkOwner() = default;
  virtual KxBlock GetChunkData() const = 0;
  virtual void SetChunkData(const std::uint8_t* data, std::size_t size) = 0;
  // The chunk by field for the preference dump (lines ending in a newline),
  // when Dumps() says the owner prints it; else it shows as bytes.
  virtual bool Dumps() const { return false; }
  virtual std::string DumpChunk() const { return {}; }
};
// Null removes the owner. Only the tags listed in prefs_file.cpp have owners.
void KxSetPrefChunkOwner(OSType tag, KxPrefChunkOwner* owner);
// The data an owned tag holds now (from its owner, else as read).
KxBlock KxPrefOwnedData(OSType tag);

// Folders and files. The preference folder is $XDG_CONFIG_HOME/kxtext, or
// ~/.config/kxtext (the home folder from $HOME, else from the password
// database); the factory file lies in the program's data folder. Both
// folder and path are empty when no home folder can be found: then no
// settings are read or written.
std::string KxPreferenceFolder();
std::string KxPreferenceFileName();
std::string KxPreferencePath();
std::string KxDataFolder();
std::string KxFactorySettingsPath();

// Forgets the chunks kept as read (unknown tags, owned tags without an
// owner); part of the defaults.
void KxForgetStoredChunks();

// Applies the user's stream to the globals (after the defaults). Answers
// false when the stream was damaged (it ended inside a chunk).
bool KxApplyPreferenceStream(const std::uint8_t* data, std::size_t size);
// Reads the user file (missing or unreadable: the defaults stay) and then
// the factory settings. Answers true when a user file was read.
//
// A user file that was not read whole keeps what lay beyond the damage
// only on disk: it is copied to the first free damaged name beside it
// (".damaged", ".damaged 2", ...) before anything is written over it (at
// once, or, when that copy fails, again before the first write, which
// fails too while no copy could be made). A user file that is there but
// cannot be read is never written over in this run.
bool KxReadPreference(const std::string& userPath, const std::string& factoryPath);
// The first damaged name.
std::string KxDamagedPreferencePath(const std::string& userPath);
// Why the last KxReadPreference could not read a user file that was there
// (an errno value; 0 when it was read or missing); `path` gets its path.
int KxPreferenceFileUnreadable(std::string* path = nullptr);
// Whether the last KxReadPreference found the user's file damaged;
// `copyPath` gets the copy's path when one was made, else is cleared.
bool KxPreferenceFileDamaged(std::string* copyPath = nullptr);
// Merges the factory stream; `userFileRead` says whether the user's file
// provided the settings.
void KxApplyFactoryStream(const std::uint8_t* data, std::size_t size, bool userFileRead);
void KxReadFactorySettings(const std::string& factoryPath, bool userFileRead);

// The whole stream the globals make now, chunks in their fixed order.
KxBlock KxBuildPreferenceStream();
// When gPrefModify is set (or `force`), writes the stream through the safe
// writer (the folder is created when missing). Answers 0 or an errno
// value; on failure the old file is untouched and gPrefModify stays set.
// A damaged file read from `userPath` is copied first (see above); an
// unreadable one answers its read error and is left alone, as is an empty
// path (ENOENT).
int KxWritePreference(const std::string& userPath, bool force = false);

// Every record field and chunk by name, one per line.
std::string KxDumpPreferences();

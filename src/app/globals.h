// The application layer's globals: the settings records, counters and
// flags, the key tables, and the lists the preference file keeps. Lists
// are blocks in their stored form (see fspec.h); an empty block is no list.
// InitializeGlobals gives them their defaults, TerminateGlobals frees them
// (both run through CoreInit and CoreTerminate).
#pragma once

#include <array>
#include <cstdint>

#include "app/fspec.h"
#include "app/prefs_records.h"
#include "engine/keytables.h"

extern SKXPreference gPreference;
extern SKXPreference2 gPreference2;
extern SKXFilePref gFilePref;
extern std::uint8_t gInlineMode;

extern long gUntitledNo;
extern bool gDialogOpen;
// Set by every change of a stored setting; the file is written only then.
extern bool gPrefModify;
// Set at quit when documents record themselves into the resume list.
extern bool gFileResume;

// The live control-key and arrow-key tables (gCtrlkeys, gArrowkeys) live
// with their defaults in engine/keytables.h, where the key handling reads them.
// The function-key table: 48 big-endian i16 commands (four planes of F1-F12).
constexpr std::size_t kKxFunckeySize = 96;
extern KxBlock gFunckeyHandle;

// Registered fonts: 54-byte entries; at most kKxMaxFontreg (their commands
// 1371 up must stay below the view commands).
constexpr std::size_t kKxFontregSize = 54;
constexpr short kKxMaxFontreg = 20;
extern KxBlock gFontregHandle;
extern short gFontregCount;

extern KxBlock gRecentFileHandle;
extern short gRecentFileCount;
extern KxBlock gRecentDirHandle;
extern short gRecentDirCount;
// The text files of each recent folder, in the order of the folder list.
extern std::array<KxBlock, kKxMaxRecentFolders> gRecentSubHandle;

extern KxBlock gFindHistHandle;
extern KxBlock gReplHistHandle;
extern KxBlock gHeadHistHandle;
extern KxBlock gFootHistHandle;
// User key equivalents: 4-byte entries (i16 command, key, modifiers).
extern KxBlock gMenukeyHandle;
extern KxBlock gFileResumeHandle;
extern KxBlock gNameStampHandle;
extern KxBlock gHelpFInfoHandle;

// The user's line-wrap characters.
constexpr std::size_t kKxJWrapCharsStored = 200;
extern std::array<std::uint8_t, kKxJWrapCharsStored> gJWrapChars;
extern short gJWrapCharSize;

// A file tool's stored state: a 12-byte head (six big-endian u16 of the
// owner's) and its file list, kept apart from the head.
struct SKXFileToolPref {
  std::array<std::uint8_t, 12> head{};
  KxBlock list;
};
extern SKXFileToolPref gFileBrowse;
extern SKXFileToolPref gFileSearch;

// The stream editor's stored state: its 256-byte record (the owner's
// fields, big-endian; bytes 192-203 are always zero here) and three blocks.
constexpr std::size_t kKxStreamEditorSize = 256;
struct SKXStreamEditorPref {
  std::array<std::uint8_t, kKxStreamEditorSize> record{};
  KxBlock scriptBytes;   // first block
  KxBlock list196;       // second block, a file list
  KxBlock list192;       // third block, a file list
};
extern SKXStreamEditorPref gStreamEditor;

// Copies of the factory settings, for the dialogs that restore them.
constexpr int kKxFactorySlots = 11;
extern std::array<KxBlock, kKxFactorySlots> gFactorySettingsData;

// Gives every global its default (the records, counters, flags, key
// tables; every list empty).
void KxSetGlobalDefaults();
// Frees every list.
void KxFreeGlobalLists();

// Lets the key handling read its function keys from gFunckeyHandle: 48
// commands when the block is whole, else none bound.
void KxUseStoredFunctionKeys();

void InitializeGlobals();
void TerminateGlobals();

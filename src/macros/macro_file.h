// Macro files: the byte code of one macro, byte for byte, in a file whose
// name is the macro's name, read and written through the platform's file
// layer (the "MACR" file type goes into its metadata once documents do).
#pragma once

#include <string>

#include "macros/macro.h"

// The longest macro name, in bytes.
constexpr long kMacroNameMax = 31;

// Reads a macro file. The name comes from the file's (UTF-8) name as
// Shift_JIS, cut to 31 bytes on a character boundary (':' read back as
// '/'); the code is checked as the player checks it, and bad code is
// refused with kMacroBadCodeErr. A missing file gives
// fnfErr, any other failure to read ioErr. On success macro.code is a
// new handle the caller owns (null for an empty file).
OSErr KxReadMacroFile(const std::string& path, SKXTMacro& macro);

// Writes the macro's code into folder/<name> (the name as UTF-8) through
// the safe writer: the target is replaced only when completely written.
// '/' in the name is written as ':'; an empty name, "." and ".." are
// refused with paramErr. The path written is returned in writtenPath when
// given.
OSErr KxWriteMacroFile(const std::string& folder, const SKXTMacro& macro, std::string* writtenPath = nullptr);
// Writes code bytes to exactly that path through the safe writer, with the
// type "MACR" and creator "KXTE" in the file's sidecar.
OSErr KxWriteMacroFileTo(const std::string& path, char** code, long codeSize);

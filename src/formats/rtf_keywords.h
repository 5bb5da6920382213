// Look-ups in the RTF keyword table, shared by every reader and writer.
#pragma once

#include <cstddef>

#include "formats/rtf_reader.h"

// Builds the look-up index once per process; later calls return at once.
// Safe to call from several threads.
void RTFKeyIndexInit();

// The first table entry whose word is exactly these bytes, or null.
const RTFKey* RTFLookupKey(const char* word, std::size_t length);

// The word of the first entry with this class and minor, or null.
const char* RTFKeySymbol(int major, int minor);

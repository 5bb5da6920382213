// One process-wide search pattern run over many buffers: a regular
// expression or find characters, compiled once by UKXFind_Start.
#pragma once

#include <cstdint>

#include "text/find/find.h"

// Compiles the pattern (a regular expression with option 16) and answers
// its number of find characters; 0 means nothing to search for, and the
// steps then find nothing. A new Start replaces (and frees) the last one.
std::int32_t UKXFind_Start(const char* pattern, long length, short options, short script);
// The first step over text from start: 0 when nothing can match, else the
// width of the character at found.
short UKXFind_Find1stStep(const char* text, long start, long length, short options, long& found,
                          SKXFindStyl& styl);
// The matched length at offset; 0 on a mismatch, -1 when the text ends first.
std::int32_t UKXFind_Find2ndStep(const char* text, long offset, long length, short options, SKXFindStyl& styl);
void UKXFind_End();

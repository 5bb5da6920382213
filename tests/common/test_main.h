// The shared main of the test executables: registers the facilities of the
// areas a test links, and runs CoreInit/CoreTerminate around the tests.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/core.h"

int KxTestMain(int argc, char** argv, std::initializer_list<KxFacilityFn> registrars);

// Paths given by CTest (fall back to the build's own layout when run by hand).
std::string KxSourceDir();
std::string KxBinDir();
std::string KxSharedDir();

// The step count of a random test: KX_RANDOM_STEPS when it is a positive
// number, else `fallback` (short, so that the default run stays quick).
long KxRandomSteps(long fallback);

// Start-up and shut-down of the library facilities.
//
// Each area registers its facilities (an initialise and a terminate
// function, with a rank that fixes the order) from its own
// Kx<Area>Facilities() function; the application and every test executable
// call those for the areas they link, then CoreInit(). CoreTerminate() runs
// the terminate functions in the reverse order.
#pragma once

using KxFacilityFn = void (*)();

// Registers a facility once; a second registration of the same name is ignored.
void KxRegisterFacility(int rank, const char* name, KxFacilityFn init, KxFacilityFn terminate);
void CoreInit();
void CoreTerminate();
bool CoreIsInitialized();

// Ranks used by the areas, lowest first.
enum KxFacilityRank {
  kRankMemory = 100,
  kRankText = 200,
  kRankLayout = 300,
  kRankEngine = 400,
  kRankViews = 500,
  kRankApp = 600,
  kRankDocument = 700,
  kRankFormats = 800,
  kRankTools = 900,
  kRankMacros = 1000,
};

void KxPlatformFacilities();

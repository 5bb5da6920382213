// Start-up and shut-down of the library facilities.
//
// Each area registers its facilities (an initialise and a terminate
// function, with a rank that fixes the order) from its own
// Kx<Area>Facilities() function; the application and every test executable
// call those for the areas they link, then CoreInit(). CoreTerminate() runs
// the terminate functions in the reverse order.
#pragma once

#include <string>
#include <vector>

using KxFacilityFn = void (*)();

// Registers a facility once; a second registration of the same name is ignored.
void KxRegisterFacility(int rank, const char* name, KxFacilityFn init, KxFacilityFn terminate);
void CoreInit();
void CoreTerminate();
bool CoreIsInitialized();
// The names of the registered facilities in start-up order.
std::vector<std::string> KxFacilityOrder();

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

// The program's start-up sequence places some facilities apart from their
// area: the application's globals get their defaults right after the
// memory layer, and the owners of stored settings and the Unicode tables
// start after the macros, in this order; the lists of stored settings are
// freed first at shut-down.
enum KxStartupRank {
  kRankAppGlobals = kRankMemory + 50,
  kRankColorSchedule = kRankMacros + 10,
  kRankColorPreference = kRankMacros + 20,
  kRankCustomForm = kRankMacros + 30,
  kRankUnicode = kRankMacros + 40,
  kRankWordServices = kRankMacros + 50,
  kRankAppLists = kRankMacros + 100,
};

void KxPlatformFacilities();

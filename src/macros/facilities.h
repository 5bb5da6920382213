// Registers the start-up and shut-down functions of the macros area (and of
// the areas below it).
#pragma once

void KxMacrosFacilities();

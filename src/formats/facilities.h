// Registers the start-up and shut-down functions of the formats area (and of
// the areas below it).
#pragma once

void KxFormatsFacilities();

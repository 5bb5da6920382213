// Registers the start-up and shut-down functions of the engine area (and of
// the areas below it).
#pragma once

void KxEngineFacilities();

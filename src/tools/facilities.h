// Registers the start-up and shut-down functions of the tools area (and of
// the areas below it).
#pragma once

void KxToolsFacilities();

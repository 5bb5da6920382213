// Registers the start-up and shut-down functions of the layout area (and of
// the areas below it).
#pragma once

void KxLayoutFacilities();

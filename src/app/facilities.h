// Registers the start-up and shut-down functions of the application area
// (and of the areas below it).
#pragma once

void KxAppFacilities();

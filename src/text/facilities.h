// Registers the start-up and shut-down functions of the text area (and of
// the areas below it).
#pragma once

void KxTextFacilities();

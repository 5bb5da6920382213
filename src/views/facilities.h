// Registers the start-up and shut-down functions of the views area (and of
// the areas below it).
#pragma once

void KxViewsFacilities();

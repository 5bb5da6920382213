#include "engine/facilities.h"

#include "layout/facilities.h"

// The engine has no start-up of its own: the application installs the
// memory recoverer that purges its undo states.
void KxEngineFacilities() { KxLayoutFacilities(); }

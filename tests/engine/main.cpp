#include "common/test_main.h"
#include "engine/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxEngineFacilities}); }

#include "common/test_main.h"
#include "macros/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxMacrosFacilities}); }

#include "common/test_main.h"
#include "tools/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxToolsFacilities}); }

#include "common/test_main.h"
#include "formats/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxFormatsFacilities}); }

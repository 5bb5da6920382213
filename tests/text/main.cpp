#include "common/test_main.h"
#include "text/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxTextFacilities}); }

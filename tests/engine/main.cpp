#include "common/test_main.h"
#include "layout/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxLayoutFacilities}); }

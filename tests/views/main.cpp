#include "common/test_main.h"
#include "views/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxViewsFacilities}); }

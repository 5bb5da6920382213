#include "common/test_main.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxPlatformFacilities}); }

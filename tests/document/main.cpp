#include "common/test_main.h"
#include "document/facilities.h"

int main(int argc, char** argv) { return KxTestMain(argc, argv, {KxDocumentFacilities}); }

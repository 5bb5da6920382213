// Registers the start-up and shut-down functions of the document area (and
// of the areas below it).
#pragma once

void KxDocumentFacilities();

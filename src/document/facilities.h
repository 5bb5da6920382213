// Registers the start-up and shut-down functions of the document area (and
// of the areas below it).
#pragma once

void KxDocumentFacilities();

// The text views' scrap-book clips come from the document area's scrap book.
void KxInstallScrapTextSource();
void KxRemoveScrapTextSource();

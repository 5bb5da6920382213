// The floating palettes as one: what the palette-hiding scope
// (StKXTextToolbarHide) hides while a modal dialog, alert or chooser is up,
// and shows again when the outermost scope ends.
#pragma once

// Hides the shown palettes and keeps the mark list hidden (true), or
// shows them again (false).
void KxHideFloatingPalettes(bool hide);
// Makes the scope reach the palettes (the views' start-up installs it).
void KxInstallPaletteHiding();
void KxRemovePaletteHiding();

// The floating palettes as one: what the palette-hiding scope
// (StKXTextToolbarHide) hides while a modal dialog, alert or chooser is up,
// and shows again when the outermost scope ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class LPane;
struct SPoint32;

// Hides the shown palettes and keeps the mark list hidden (true), or
// shows them again (false).
void KxHideFloatingPalettes(bool hide);
// Makes the scope reach the palettes (the views' start-up installs it).
void KxInstallPaletteHiding();
void KxRemovePaletteHiding();

// Follows a press on one button of a palette until the mouse goes up: the
// button is drawn pressed while the mouse is over it (`over` answers for a
// point local to `pane`); true when it was released there.
bool KxTrackPaletteButton(LPane& pane, const std::function<bool(const SPoint32&)>& over,
                          const std::function<void(bool pressed)>& draw);

// How many bytes of `text` (Shift_JIS) fit `room` pixels in the port's
// font, whole characters only: the palettes' labels and help line.
std::size_t KxPaletteFitBytes(const std::string& text, std::int32_t room);

// The commands that arrange the document windows: tile, stack, zoom and
// the next document to the front. A text document asks these first in its
// status and command handling.
#pragma once

#include "platform/framework/commander.h"

class CKXTextDocument;

constexpr CommandT kKxCmdTileWindows = 1601;
constexpr CommandT kKxCmdStackWindows = 1602;
constexpr CommandT kKxCmdZoomWindow = 1603;
constexpr CommandT kKxCmdNextDocument = 1604;

// The status of 1601-1604: tile, stack and zoom always; the next document
// while there is another. False for other commands.
bool KxFindArrangeCommandStatus(CommandT command, Boolean& enabled);
// Obeys 1601-1604: the windows tiled (one column with Shift held) or
// stacked, `doc`'s window zoomed or unzoomed, the next document made
// current (the one before with Shift held). False for other commands.
bool KxObeyArrangeCommand(CKXTextDocument& doc, CommandT command);

// The commands the application object itself enables and obeys (the end of
// every commander chain), the numbered command families of the generated
// menu items, and the menus and string lists the application reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/framework/commander.h"

// Commands.
constexpr CommandT kKxCmdNew = 2;
constexpr CommandT kKxCmdOpen = 3;
constexpr CommandT kKxCmdClose = 4;
constexpr CommandT kKxCmdPageSetup = 8;
constexpr CommandT kKxCmdPrint = 9;
constexpr CommandT kKxCmdQuit = 10;
constexpr CommandT kKxCmdShowClipboard = 19;
constexpr CommandT kKxCmdCharTable = 1137;
constexpr CommandT kKxCmdGoToLine = 1211;
constexpr CommandT kKxCmdMarkDialog = 1220;
constexpr CommandT kKxCmdSizeDialog = 303;
constexpr CommandT kKxCmdColourPicker = 1309;
constexpr CommandT kKxCmdFontregDialog = 1308;
constexpr CommandT kKxCmdRubyDialog = 1302;
constexpr CommandT kKxCmdTextFormatDialog = 1410;
constexpr CommandT kKxCmdPreferences = 27;
constexpr CommandT kKxCmdAbout = 201;
constexpr CommandT kKxCmdServices = 237;
constexpr CommandT kKxCmdRecentItems = 1003;
constexpr CommandT kKxCmdFileBrowser = 1004;
constexpr CommandT kKxCmdHelpInformation = 1021;
constexpr CommandT kKxCmdPrefDialog = 1108;
constexpr CommandT kKxCmdCustomizeKeys = 1109;
constexpr CommandT kKxCmdSpellingLine = 1118;
constexpr CommandT kKxCmdOptionPrefs = 1121;
constexpr CommandT kKxCmdMacroEditor = 1148;
constexpr CommandT kKxCmdMacroDialog = 1149;
constexpr CommandT kKxCmdFileSearch = 1210;
constexpr CommandT kKxCmdRegisterSpeller = 1226;
constexpr CommandT kKxCmdDeleteSpeller = 1227;
constexpr CommandT kKxCmdStreamEditor = 1228;
constexpr CommandT kKxCmdMarkList = 1229;
constexpr CommandT kKxCmdSpellingPanel = 1252;
constexpr CommandT kKxCmdToolPalette = 1501;
constexpr CommandT kKxCmdFunctionBar = 1502;
constexpr CommandT kKxCmdFunctionBarSetup = 1503;
constexpr CommandT kKxCmdCustomForm = 1932;

// Numbered families: the first command and the last one the range allows.
struct KxCommandRange {
  CommandT first;
  CommandT last;
  constexpr bool Contains(CommandT c) const { return c >= first && c <= last; }
  constexpr int Size() const { return int(last - first + 1); }
};
constexpr KxCommandRange kKxMacroCommands{1150, 1199};
constexpr KxCommandRange kKxMarkCommands{3000, 3999};
constexpr KxCommandRange kKxMarkCommands2{1230, 1249};
constexpr KxCommandRange kKxFontregCommands{1371, 1399};
constexpr KxCommandRange kKxStampCommands{1138, 1140};
constexpr KxCommandRange kKxClipHistoryCommands{1520, 1599};
constexpr KxCommandRange kKxWindowCommands{1610, 1699};
constexpr KxCommandRange kKxSpellerCommands{1901, 1930};
constexpr KxCommandRange kKxFormCommands{1933, 1999};
constexpr KxCommandRange kKxHelpCommands{4000, 4999};
// Dialog-local messages of the preference dialogs travel as commands.
constexpr KxCommandRange kKxDialogMessages{-3999, -2001};

// Menus.
constexpr std::int16_t kKxFileMenu = 129;
constexpr std::int16_t kKxEditMenu = 130;
constexpr std::int16_t kKxMorePasteMenu = 235;
constexpr std::int16_t kKxConvertMenu = 236;
constexpr std::int16_t kKxSpellingMenu = 234;
constexpr std::int16_t kKxMarkMenu = 131;
constexpr std::int16_t kKxFormatMenu = 132;
constexpr std::int16_t kKxWindowMenu = 135;
constexpr std::int16_t kKxHelpMenu = 136;
constexpr std::int16_t kKxMacroMenu = 239;
constexpr std::int16_t kKxFormMenu = 249;
constexpr std::int16_t kKxFontMenu = 250;
constexpr std::int16_t kKxSizeMenu = 251;
constexpr std::int16_t kKxStyleMenu = 252;
constexpr std::int16_t kKxRecentMenuLast = 230;

// String lists.
constexpr short kKxAppNamesList = 201;   // family names, the program's name
constexpr short kKxAppFilesList = 202;   // help URLs from item 7
constexpr short kKxUndoNamesList = 151;
constexpr short kKxRedoNamesList = 150;

// Item of list 205: the title of a new colour schedule entry.
constexpr short kKxScheduleTitleList = 205;
constexpr short kKxScheduleTitleItem = 8;

// Item of list 202: the first help address (command 1021).
constexpr short kKxHelpURLItem = 7;

// Items of list 201.
constexpr short kKxNameOtherSize = 8;
constexpr short kKxNameWindow = 9;
constexpr short kKxNameFontreg = 10;
constexpr short kKxNameMark = 11;
constexpr short kKxNameMacro = 12;
constexpr short kKxNameProgram = 15;
constexpr short kKxNameClipHistory = 20;
constexpr short kKxNameSpeller = 22;
constexpr short kKxNameForm = 28;

// The resources this area's code refers to (tests check they resolve).
struct KxResourceUse;
const KxResourceUse* KxAppResourceUses(std::size_t& count);

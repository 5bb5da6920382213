// Resource numbers used in code. Each area lists the string items, menus,
// commands and layout panes its code refers to; its tests check that every
// one resolves in the compiled resources, so a renumbered or missing
// resource fails the build's tests rather than showing an empty item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class KxResourceKind {
  kStringItem,   // id: string list, index: item
  kMenu,         // id: menu
  kMenuBar,      // id: menu bar
  kCommand,      // id: command, carried by an item of the menu bar `index`
  kMenuItem,     // id: menu, index: item that must exist
  kLayoutPane,   // id: layout, index: pane ID (0: the layout itself)
};

struct KxResourceUse {
  KxResourceKind kind;
  std::int32_t id;
  std::int32_t index;
  const char* what;   // who uses it, for the failure message
};

// One line per use that does not resolve; empty when all do.
std::vector<std::string> KxUnresolvedResources(const KxResourceUse* uses, std::size_t count);

// The framework's own uses.
const KxResourceUse* KxFrameworkResourceUses(std::size_t& count);

// The program's menu bar.
constexpr std::int16_t kKxMenuBarID = 129;

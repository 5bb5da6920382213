#include "platform/framework/resource_uses.h"

#include <iterator>

#include "platform/framework/commander.h"
#include "platform/framework/layout.h"
#include "platform/framework/undoer.h"
#include "platform/resources.h"

namespace {
const KxResourceUse kFrameworkUses[] = {
    {KxResourceKind::kStringItem, kKxRedoStringsID, kKxNothingToDoIndex, "redo item with nothing to redo"},
    {KxResourceKind::kStringItem, kKxUndoStringsID, kKxNothingToDoIndex, "undo item with nothing to undo"},
    {KxResourceKind::kMenuBar, kKxMenuBarID, 0, "the program's menu bar"},
    {KxResourceKind::kCommand, kKxCmdUndo, kKxMenuBarID, "undo command"},
    {KxResourceKind::kCommand, kKxCmdRedo, kKxMenuBarID, "redo command"},
};

// Whether the menu or one of its submenus has an item with this command.
bool MenuCarries(short menuID, std::int32_t command, int depth) {
  constexpr int kMaxNesting = 8;
  const KxMenuRecord* rec = KxFindMenuRecord(menuID);
  if (!rec || depth > kMaxNesting) return false;
  for (int i = 0; i < rec->itemCount; ++i) {
    const KxMenuItemRecord& item = KxMenuItemAt(rec->firstItem + i);
    if (!item.separator && item.command == command) return true;
    if (item.submenuID && MenuCarries(item.submenuID, command, depth + 1)) return true;
  }
  return false;
}

bool Resolves(const KxResourceUse& use) {
  switch (use.kind) {
    case KxResourceKind::kStringItem:
      return KxHasIndString(short(use.id), short(use.index));
    case KxResourceKind::kMenu:
      return KxFindMenuRecord(short(use.id)) != nullptr;
    case KxResourceKind::kMenuBar: {
      short ids[1];
      return KxMenuBarMenus(short(use.id), ids, 1) > 0;
    }
    case KxResourceKind::kMenuItem: {
      const KxMenuRecord* rec = KxFindMenuRecord(short(use.id));
      return rec && use.index >= 1 && use.index <= rec->itemCount;
    }
    case KxResourceKind::kCommand: {
      constexpr int kMaxMenus = 64;
      short ids[kMaxMenus];
      const int n = KxMenuBarMenus(short(use.index), ids, kMaxMenus);
      for (int i = 0; i < n && i < kMaxMenus; ++i)
        if (MenuCarries(ids[i], use.id, 0)) return true;
      return false;
    }
    case KxResourceKind::kLayoutPane: {
      KxLayout layout(std::int16_t(use.id));
      return layout.Exists() && (use.index == 0 || layout.FindPaneByID(use.index));
    }
  }
  return false;
}
}  // namespace

std::vector<std::string> KxUnresolvedResources(const KxResourceUse* uses, std::size_t count) {
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < count; ++i)
    if (!Resolves(uses[i]))
      missing.push_back(std::string(uses[i].what) + ": " + std::to_string(uses[i].id) + "/" +
                        std::to_string(uses[i].index));
  return missing;
}

const KxResourceUse* KxFrameworkResourceUses(std::size_t& count) {
  count = std::size(kFrameworkUses);
  return kFrameworkUses;
}

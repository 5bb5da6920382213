// kxapp's steps of the file tools, for its step table:
//
//   folder ID PATH
//       the navigator whose folder list is pane ID goes to the folder PATH
//       (absolute) as if the user had entered each folder from the top one
//       at a time; exit 1 when PATH cannot be entered.
//   print preview ID
//       the preview pane's data: `TYPE SIZE` (`none 0` without data), then
//       for text the text as UTF-8 with CR shown as a newline.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "platform/textconv.h"
#include "tools/file_tool.h"
#include "views/preview.h"

namespace kxapp_tools {

// `folder` with the line after the step's name. Empty, or what is wrong.
inline std::string FolderStep(const std::string& rest) {
  const std::size_t space = rest.find(' ');
  if (space == std::string::npos || space + 1 >= rest.size()) return "folder ID PATH";
  const std::string word = rest.substr(0, space);
  char* end = nullptr;
  const long id = std::strtol(word.c_str(), &end, 10);
  if (*end != 0 || id <= 0) return "folder ID PATH";
  CKXTextFileTool* tool = CKXTextFileTool::FindByFolderList(PaneIDT(id));
  if (!tool) return "no folder list " + rest.substr(0, space);
  const std::string path = rest.substr(space + 1);
  if (!tool->GoToFolder(path)) return "cannot enter " + path;
  return {};
}

// `print preview` of the pane: false when it is no preview pane.
inline bool PrintPreview(LPane* pane) {
  auto* preview = dynamic_cast<KXPreview*>(pane);
  if (!preview) return false;
  Handle data = preview->GetPreviewData();
  if (!data || !*data) {
    std::printf("none 0\n");
    return true;
  }
  const OSType t = preview->GetPreviewType();
  const Size size = GetHandleSize(data);
  char type[5] = {char(t >> 24), char(t >> 16), char(t >> 8), char(t), 0};
  std::printf("%s %ld\n", type, long(size));
  if (t == FourCC("TEXT") || t == FourCC("ttro") || t == FourCC(".KXT")) {
    std::string text = KxScriptTextToUTF8(std::string(*data, std::size_t(size)));
    for (char& c : text)
      if (c == '\r') c = '\n';
    if (!text.empty() && text.back() != '\n') text += '\n';
    std::printf("%s", text.c_str());
  }
  return true;
}

}  // namespace kxapp_tools

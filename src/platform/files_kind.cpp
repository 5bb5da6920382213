#include <sys/stat.h>

#include "platform/files.h"

bool KxIsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

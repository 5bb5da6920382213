#include <sys/stat.h>

#include "platform/files.h"

bool KxIsRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

KxFileStamp KxStampOf(const std::string& path) {
  KxFileStamp stamp;
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return stamp;
  stamp.known = true;
  stamp.device = std::uint64_t(st.st_dev);
  stamp.inode = std::uint64_t(st.st_ino);
  stamp.size = std::int64_t(st.st_size);
  stamp.seconds = std::int64_t(st.st_mtim.tv_sec);
  stamp.nanoseconds = std::int64_t(st.st_mtim.tv_nsec);
  return stamp;
}

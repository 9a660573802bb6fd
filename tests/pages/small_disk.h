// A tiny file system for disk-full cases: a 64 KB tmpfs mounted on a fresh
// Unix directory, reached from the program as Z:\... . Mounting needs root;
// where it is refused the test skips with the reason.
#ifndef TAV_TESTS_PAGES_SMALL_DISK_H
#define TAV_TESTS_PAGES_SMALL_DISK_H

#include <windows.h>

#include <string>

class SmallDisk {
 public:
  SmallDisk();
  ~SmallDisk();
  bool mounted() const { return mounted_; }
  const std::string &failure() const { return failure_; }
  const std::string &path() const { return windowsPath_; }  // Z:\tmp\...

 private:
  bool RunShell(const std::string &command, const std::string &statusFile, std::string *status);
  std::string unixPath_;
  std::string windowsPath_;
  bool mounted_;
  std::string failure_;
};

std::string UnixToWindowsPath(const std::string &unixPath);

#endif

// Mounts and unmounts the small file system of SmallDisk through /bin/sh.
// Wine starts Unix programs through CreateProcess but gives no usable exit
// code for them, so the shell reports through a status file.
#include "small_disk.h"

#include <cstdio>

#include "harness/harness.h"

std::string UnixToWindowsPath(const std::string &unixPath) {
  std::string path = "Z:" + unixPath;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

bool SmallDisk::RunShell(const std::string &command, const std::string &statusFile,
                         std::string *status) {
  std::string windowsStatus = UnixToWindowsPath(statusFile);
  DeleteFileA(windowsStatus.c_str());
  std::string line = "Z:\\bin\\sh -c \"" + command + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    *status = "cannot start /bin/sh";
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int wait = 0; wait < 200; ++wait) {
    bool ok = false;
    std::string text = harness::ReadBytes(windowsStatus, &ok);
    if (ok && !text.empty() && text.back() == '\n') {
      DeleteFileA(windowsStatus.c_str());
      text.pop_back();
      *status = text;
      return true;
    }
    Sleep(50);
  }
  *status = "no answer from /bin/sh";
  return false;
}

SmallDisk::SmallDisk() : mounted_(false) {
  char name[80];
  static int counter;
  snprintf(name, sizeof name, "/tmp/tav-small-disk-%lu-%d", GetCurrentProcessId(), ++counter);
  unixPath_ = name;
  windowsPath_ = UnixToWindowsPath(unixPath_);
  if (!CreateDirectoryA(windowsPath_.c_str(), nullptr)) {
    failure_ = "cannot make " + unixPath_;
    return;
  }
  std::string status;
  std::string command = "mount -t tmpfs -o size=64k tmpfs " + unixPath_ +
                        " 2>/dev/null && echo mounted > " + unixPath_ + ".status || echo refused > " +
                        unixPath_ + ".status";
  if (!RunShell(command, unixPath_ + ".status", &status) || status != "mounted") {
    failure_ = "mounting a 64 KB tmpfs was refused (" + status + "); this needs root";
    RemoveDirectoryA(windowsPath_.c_str());
    return;
  }
  mounted_ = true;
}

SmallDisk::~SmallDisk() {
  if (!mounted_) return;
  // A process cannot unmount a folder it stands in.
  if (_strnicmp(harness::CurrentDirectory().c_str(), windowsPath_.c_str(), windowsPath_.size()) == 0) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    SetCurrentDirectoryA(base);
  }
  std::string status;
  RunShell("umount " + unixPath_ + " || umount -l " + unixPath_ + "; echo done > " + unixPath_ + ".status", unixPath_ + ".status",
           &status);
  RemoveDirectoryA(windowsPath_.c_str());
}

#pragma once
// A private folder per test for "phone.db", on Linux and under Wine, removed afterwards.
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace zorvik::test {

class TempFolder {
 public:
  TempFolder() {
#ifdef _WIN32
    char base[MAX_PATH + 1];
    GetTempPathA(sizeof base, base);
    static unsigned serial = 0;
    path_ = std::string(base) + "zorvik-loc-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(serial++) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
#else
    std::string pattern = "/tmp/zorvik-loc-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern + "/";
#endif
  }
  ~TempFolder() {
#ifdef _WIN32
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((path_ + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
          SetFileAttributesA((path_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA((path_ + name).c_str());
        }
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
#else
    if (DIR* dir = opendir(path_.c_str())) {
      while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") unlink((path_ + name).c_str());
      }
      closedir(dir);
    }
    rmdir(path_.c_str());
#endif
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

}  // namespace zorvik::test

#pragma once
// The install flow's host on Windows: the adb tool through the process runner, the temporary
// folder, the drive's free space, the copy. Device choice and status texts go to the callbacks
// (the window posts them to its UI thread).
#include <functional>
#include <string>
#include <vector>

#include "installer/InstallFlow.h"

namespace zorvik {

class WinInstallHost : public InstallHost {
 public:
  using Chooser = std::function<std::string(const std::vector<std::string>&)>;
  using StatusFn = std::function<void(const std::string&)>;
  WinInstallHost(Chooser chooser, StatusFn status) : chooser_(std::move(chooser)), status_(std::move(status)) {}

  AdbRunResult run(const std::string& commandLine, size_t maxOutput, unsigned deadlineMs) override;
  std::string chooseDevice(const std::vector<std::string>& serials) override;
  std::string temporaryFolder() override;
  uint64_t freeMegabytes(const std::string& folder) override;
  bool fileExists(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to) override;
  void deleteFile(const std::string& path) override;
  std::tm localTime() override;
  void status(const std::string& text) override;

 private:
  Chooser chooser_;
  StatusFn status_;
};

}  // namespace zorvik

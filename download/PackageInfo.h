#pragma once
// The package-information request of the downloads queue: the body posted to the maker's web
// service ("feedback/android_info.php", one field "apk" holding a JSON object) and the task built
// from its JSON answer.
#include <string>

#include "download/DownloadTask.h"

namespace zorvik {

// "%s%s%s%s": base, "feedback/", "android_info", ".php".
std::string packageInfoUrl(const std::string& serviceBase);
// The four digits at positions 6 to 9 of `digest` (md5hex of the name's last three characters);
// the whole text when it is shorter (md5hex answers an error message when the service fails).
std::string packageCheckSum(const std::string& digest);
// The last three characters of the name (all of it when shorter), which the checksum hashes.
std::string checkSumInput(const std::string& packageName);
// {"CheckSum", "PackageName"} in JsonCpp's styled form.
std::string packageInfoJson(const std::string& checkSum, const std::string& packageName);

// The task the answer describes: type 0, state 0, action 1, title (UTF-8 → ANSI), length from
// "size", unique_id from "pkg", url = downloadBase + "url", save_path = folder. False when the
// answer is not JSON, or when "pkg" is not a package name (it names a file and reaches the
// install command line), or when "url" is missing.
bool taskFromPackageInfo(const std::string& reply, const std::string& downloadBase, const std::string& folder,
                         DownloadTask& task);

}  // namespace zorvik

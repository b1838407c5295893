// A small program the process-runner and connection tests start in place of a real tool.
//   print <n> [<ms>]   writes n bytes (a counting pattern) to stdout, then sleeps ms
//   stderr <text>      writes text to stderr
//   sleep <ms>         sleeps, prints nothing
//   exit <code>        ends with that exit code
//   tree <ms> <file>   starts "mark <ms> <file>" in the background, then sleeps ms
//   mark <ms> <file>   sleeps ms, then writes "alive" to file (a descendant that must not live on)
// Anything else is answered like the adb tool, from the files of the folder named by
// ZORVIK_ADB_HELPER_DIR: every command line is appended to "log.txt"; "devices" prints
// "devices.txt"; "shell pm list package" prints "packages.txt"; "shell getprop" prints
// "getprop-<serial>.txt"; "install -r <apk>" prints "install.txt" (and, when it says "Success",
// adds the agent package to "packages.txt"); "shell am start ..." prints nothing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string folder() {
  const char* dir = std::getenv("ZORVIK_ADB_HELPER_DIR");
  return dir ? std::string(dir) + "/" : std::string("./");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void appendFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << text;
}

void sleepMs(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "print") == 0) {
    const long count = std::atol(argv[2]);
    std::string bytes;
    for (long i = 0; i < count; ++i) bytes += static_cast<char>('a' + i % 26);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
    if (argc >= 4) sleepMs(std::atol(argv[3]));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "stderr") == 0) {
    std::fputs(argv[2], stderr);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "sleep") == 0) {
    sleepMs(std::atol(argv[2]));
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "mark") == 0) {
    sleepMs(std::atol(argv[2]));
    appendFile(argv[3], "alive");
    return 0;
  }
  if (argc >= 4 && std::strcmp(argv[1], "tree") == 0) {
#ifdef _WIN32
    const std::string start = std::string("start \"\" /b \"") + argv[0] + "\" mark " + argv[2] + " \"" + argv[3] + "\"";
#else
    const std::string start = std::string("'") + argv[0] + "' mark " + argv[2] + " '" + argv[3] + "' &";
#endif
    if (std::system(start.c_str()) != 0) return 2;
    sleepMs(std::atol(argv[2]));
    return 0;
  }

  std::string line;
  for (int i = 1; i < argc; ++i) line += (i > 1 ? " " : "") + std::string(argv[i]);
  appendFile(folder() + "log.txt", line + "\n");
  std::string serial;
  int i = 1;
  if (argc >= 3 && std::strcmp(argv[1], "-s") == 0) {
    serial = argv[2];
    i = 3;
  }
  std::string command;
  for (int j = i; j < argc; ++j) command += (j > i ? " " : "") + std::string(argv[j]);
  std::string output;
  if (command == "devices") {
    output = readFile(folder() + "devices.txt");
  } else if (command == "shell pm list package") {
    output = readFile(folder() + "packages.txt");
  } else if (command == "shell getprop") {
    output = readFile(folder() + "getprop-" + serial + ".txt");
  } else if (command.rfind("install -r ", 0) == 0) {
    // A path that arrived as several arguments was quoted wrongly.
    if (argc - i != 3) {
      std::fputs("error: bad install arguments\n", stdout);
      return 1;
    }
    output = readFile(folder() + "install.txt");
    if (output.find("Success") != std::string::npos) appendFile(folder() + "packages.txt", "package:com.zorvik.Zorvik\n");
  }
  std::fwrite(output.data(), 1, output.size(), stdout);
  return 0;
}

// A scripted stand-in for adb.exe in the UI tests: two attached phones and their properties.
// "devices" lists them; "-s <serial> shell getprop" prints their properties; anything else fails
// like a tool that cannot reach a server.
// With FAKEADB_ONE_DEVICE set, one phone is attached, its agent package is installed and starts.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  bool one = std::getenv("FAKEADB_ONE_DEVICE") != nullptr;
  if (one && argc >= 2 && std::strcmp(argv[1], "devices") == 0) {
    std::printf("List of devices attached\nHT4A1JT00042\tdevice\n\n");
    return 0;
  }
  if (one && argc >= 6 && std::strcmp(argv[3], "shell") == 0 && std::strcmp(argv[4], "pm") == 0) {
    std::printf("package:com.android.browser\r\npackage:com.zorvik.Zorvik\r\n");
    return 0;
  }
  if (one && argc >= 6 && std::strcmp(argv[3], "shell") == 0 && std::strcmp(argv[4], "am") == 0) {
    std::printf("Starting: Intent { cmp=com.zorvik.Zorvik/.Zorvik }\n");
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "devices") == 0) {
    std::printf("List of devices attached\nHT4A1JT00042\tdevice\nemulator-5556\tdevice\nZX1B2\toffline\n\n");
    return 0;
  }
  if (argc >= 5 && std::strcmp(argv[1], "-s") == 0 && std::strcmp(argv[3], "shell") == 0 &&
      std::strcmp(argv[4], "getprop") == 0) {
    bool htc = std::strcmp(argv[2], "HT4A1JT00042") == 0;
    std::printf("[ro.build.id]: [GRJ22]\n");
    std::printf("[ro.build.version.sdk]: [%s]\n", htc ? "10" : "15");
    std::printf("[ro.product.manufacturer]: [%s]\n", htc ? "HTC" : "motorola");
    std::printf("[ro.product.model]: [%s]\n", htc ? "Desire HD" : "XT910");
    return 0;
  }
  std::fprintf(stderr, "error: cannot connect to daemon\n");
  return 1;
}

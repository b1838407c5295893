// A scripted stand-in for adb.exe in the UI tests: two attached phones and their properties.
// "devices" lists them; "-s <serial> shell getprop" prints their properties; anything else fails
// like a tool that cannot reach a server.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
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

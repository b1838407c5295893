#pragma once
// Helpers of the UI tests: pumping the real message loop, waiting for conditions, and saving
// what a window shows as a PNG.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace zorvik::test {

// Processes this thread's messages for `ms` milliseconds.
void pump(int ms);
// Pumps until `done` is true or `timeoutMs` passed; returns done().
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Saves the screen showing the window into a PNG through GDI+; false on failure.
bool saveWindowPng(HWND hwnd, const std::string& path);
// The folder where tests keep their screenshots (ZORVIK_ARTIFACTS or the working folder).
std::string artifactPath(const std::string& name);
// How many processes of this program file name ("hangadb.exe") this process started run now (other
// tests may run the same program meanwhile); -1 when it cannot be told.
int runningCount(const char* exe);

}  // namespace zorvik::test

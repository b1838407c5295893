// A page's script creating the object: `new ActiveXObject("ZorvikAgent.Vko")` run by Wine's
// script host (cscript + jscript.dll), since the browser control has no engine under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "AgentTestSupport.h"

using namespace zorvik::test;

namespace {

const char kScript[] =
    "var result;\r\n"
    "try {\r\n"
    "  var agent = new ActiveXObject(\"ZorvikAgent.Vko\");\r\n"
    "  result = \"created \" + typeof agent;\r\n"
    "  try { agent.install(); result += \" callable\"; } catch (e) { result += \" nomembers\"; }\r\n"
    "} catch (e) {\r\n"
    "  result = \"absent\";\r\n"
    "}\r\n"
    "WScript.Echo(result);\r\n";

std::string runScript() {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "zorvik_agent_probe.js";
  std::ofstream(path, std::ios::binary) << kScript;
  std::string out;
  const int rc = runProgram("cscript.exe //nologo \"" + path + "\"", &out);
  DeleteFileA(path.c_str());
  if (rc != 0) return "exit " + std::to_string(rc) + ": " + out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(AgentScriptTest, PageScriptCreatesTheRegisteredObjectWhichHasNoMembers) {
  AgentModule agent;
  ASSERT_TRUE(agent.ok());
  ASSERT_EQ(agent.registerServer(), S_OK);
  EXPECT_EQ(runScript(), "created object nomembers");
  ASSERT_EQ(agent.unregisterServer(), S_OK);
  EXPECT_EQ(runScript(), "absent");
}

}  // namespace

// quillmoor-web: the game as a web page. The page runs the headless backend
// in real time, its threads on fibers and its windows in one canvas
// (platform/web).
#include <emscripten.h>

#include <string>

#include "headless/state_dump.h"
#include "platform/sim/sim_control.h"
#include "platform/web/browser.h"
#include "shell/shell.h"

// The page's tests read the game's state as the scenario tests do, between
// whole frames: JavaScript runs only while every platform thread waits.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qm_state() {
  static std::string json;
  json = DumpStateJson();
  return json.c_str();
}

int main() {
  platform::web::RunPage([] { return QuillmoorMain(); });
}

// ... and its event log (windows, sound commands, saves), one line each.
extern "C" EMSCRIPTEN_KEEPALIVE const char* qm_log() {
  static std::string text;
  text.clear();
  for (const std::string& line : platform::sim::LogLines()) text += line + "\n";
  return text.c_str();
}

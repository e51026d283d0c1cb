// The game's state as the headless backend dumps and sets it between frames.
#pragma once
#include <string>

// Every GameState field under its own name, with the character and shot
// tables as arrays of records, as one JSON object.
std::string DumpStateJson();
// Sets one value: a GameState field ("score", "BgmId[2]", "bannerText") or a
// record field ("chr[1].hp", "sht[3].vx"). False for an unknown name, an
// index out of range or a value that is not a number of the field's type.
bool SetStateValue(const std::string& name, const std::string& value);
// Hands both to the platform.
void RegisterStateDumpHooks();

// The settings file beside the executable: options, the tuned frame delay,
// the high score and the God unlock.
#pragma once
#include <string>

std::string SettingsPath();
void LoadSettings();
void SaveSettings();

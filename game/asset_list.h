// The 81 picture files and the records they load into, in loading order.
#pragma once
#include <string>
#include <vector>

#include "game/assets.h"

struct ImageEntry {
  BmpRecord* record;
  std::string file;
};
const std::vector<ImageEntry>& ImageTable();

// Data that looks already compressed, like the pictures, sounds and packed skins a player
// ships: a tagged chunk structure around payloads with no redundancy left to remove.
#pragma once

#include "SeededRandom.h"

#include <cstdint>
#include <vector>

std::vector<uint8_t> GenerateMedia(SeededRandom& random, size_t size);

// Makes a 7z archive's bytes depend only on its files and password. 7-Zip encrypts every folder
// under a random initialisation vector; this re-encrypts each 7zAES folder under one derived
// from the key and the folder's decrypted data, in the same place, so no offset moves and the
// archive still decrypts to the same data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Rewrites the archive in place. It must have a plain header (7z a -mhc=off). Throws
// std::runtime_error for a damaged archive, a header it cannot read and a wrong password.
void ResealArchive(std::vector<uint8_t>& archive, const std::string& password);

// Saving a finished icon file so that a failure never destroys the user's existing file:
// the bytes go to a temporary file beside the target, which replaces it only once it is
// complete and flushed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Raises EStreamError naming file_name (not the temporary file) when the file cannot be
// created or written; the target is then as it was and no temporary file is left.
void SaveIconFile(const std::string& file_name, const std::vector<uint8_t>& bytes);

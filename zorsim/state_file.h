#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zorsim {

using StateEntries = std::vector<std::pair<std::string, std::string>>;

// "key=value" lines. The file is replaced whole (temporary file, then
// rename), so a reader never sees half of it.
std::string StateText(const StateEntries& entries);
bool WriteStateFile(const std::string& path, const StateEntries& entries);

} // namespace zorsim

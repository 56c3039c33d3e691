#include "state_file.h"

#include <cstdio>
#include <fstream>

namespace zorsim {

std::string StateText(const StateEntries& entries) {
    std::string text;
    for (const auto& [key, value] : entries) {
        text += key + '=' + value + '\n';
    }
    return text;
}

bool WriteStateFile(const std::string& path, const StateEntries& entries) {
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << StateText(entries);
        if (!out.flush()) {
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace zorsim

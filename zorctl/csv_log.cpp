#include "zorctl/csv_log.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr char Separator = ',';
constexpr char Quote = '"';
constexpr const char* NeedsQuotes = ",\"\r\n";

std::string Field(const std::string& text) {
    if (text.find_first_of(NeedsQuotes) == std::string::npos) {
        return text;
    }
    std::string quoted(1, Quote);
    for (const char c : text) {
        if (c == Quote) {
            quoted += Quote;
        }
        quoted += c;
    }
    return quoted + Quote;
}

std::string Row(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            row += Separator;
        }
        row += Field(fields[i]);
    }
    return row + '\n';
}

std::string SystemReason() {
    return errno != 0 ? std::strerror(errno) : "write failed";
}

} // namespace

CsvLog::~CsvLog() {
    if (file != nullptr) {
        std::fclose(file);
    }
}

bool CsvLog::Create(const std::string& path, const std::vector<std::string>& header,
                    std::string& problem) {
    errno = 0;
    // Binary: the same bytes on every platform, no "\r" added on Windows.
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        problem = SystemReason();
        return false;
    }
    return Append(header, problem);
}

bool CsvLog::Append(const std::vector<std::string>& fields, std::string& problem) {
    const std::string row = Row(fields);
    errno = 0;
    const bool written = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    if (!written || std::fflush(file) != 0) {
        problem = SystemReason();
        return false;
    }
    return true;
}

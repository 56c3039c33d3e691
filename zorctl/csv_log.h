#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A CSV file written row by row: each row reaches the operating system
// before Append returns, so whatever ends the program later, the file holds
// every row it was given and never half of one. Fields that need it are
// quoted (RFC 4180); rows end with "\n" on every platform.
class CsvLog {
public:
    CsvLog() = default;
    CsvLog(const CsvLog&) = delete;
    CsvLog& operator=(const CsvLog&) = delete;
    ~CsvLog();

    // Creates or empties the file and writes the header row; false with the
    // reason in `problem`.
    bool Create(const std::string& path, const std::vector<std::string>& header,
                std::string& problem);
    // False with the reason (disk full, the medium gone) when the row could
    // not be written whole.
    bool Append(const std::vector<std::string>& fields, std::string& problem);

private:
    std::FILE* file = nullptr;
};

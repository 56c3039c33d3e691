#pragma once

#include <chrono>
#include <string>

// A one-line progress bar on standard error, redrawn in place: done/total,
// the time elapsed and the time still to go at the pace so far. Drawn only
// when standard error is a terminal, so logs and pipes get none of it.
class ProgressBar {
public:
    explicit ProgressBar(long total);
    ~ProgressBar();

    void Update(long done);
    // Removes the bar, so the next line starts on a clean line.
    void Clear();

    // The bar's text, apart from where it is drawn.
    static std::string Text(long done, long total, std::chrono::milliseconds elapsed);

private:
    bool shown;
    bool drawn = false;
    long total;
    std::chrono::steady_clock::time_point start;
};

#include "zorctl/progress_bar.h"

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int BarWidth = 30;
constexpr char DoneMark = '#';
constexpr char ToDoMark = '.';
constexpr long SecondsPerMinute = 60;
constexpr long MillisecondsPerSecond = 1000;
constexpr std::size_t ClearWidth = 79;

std::string Duration(long long milliseconds) {
    const long seconds = static_cast<long>(milliseconds / MillisecondsPerSecond);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", seconds / SecondsPerMinute,
                  seconds % SecondsPerMinute);
    return text;
}

} // namespace

ProgressBar::ProgressBar(long total)
    : shown(isatty(fileno(stderr)) != 0), total(total), start(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    Clear();
}

void ProgressBar::Update(long done) {
    if (!shown) {
        return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::fprintf(stderr, "\r%s", Text(done, total, elapsed).c_str());
    std::fflush(stderr);
    drawn = true;
}

void ProgressBar::Clear() {
    if (!drawn) {
        return;
    }
    std::fprintf(stderr, "\r%s\r", std::string(ClearWidth, ' ').c_str());
    std::fflush(stderr);
    drawn = false;
}

std::string ProgressBar::Text(long done, long total, std::chrono::milliseconds elapsed) {
    const long filled = total > 0 ? done * BarWidth / total : BarWidth;
    const long long remaining = done > 0 ? elapsed.count() * (total - done) / done : 0;
    std::string text = "[";
    text.append(filled, DoneMark).append(BarWidth - filled, ToDoMark);
    text += "] " + std::to_string(done) + "/" + std::to_string(total);
    return text + "  elapsed " + Duration(elapsed.count()) + "  remaining " + Duration(remaining);
}

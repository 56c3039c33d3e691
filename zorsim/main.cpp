#include "options.h"
#include "simulator.h"

#include <cstdio>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    zorsim::ParsedOptions parsed = zorsim::ParseOptions(arguments);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "zorsim: %s\n%s", parsed.error.c_str(), zorsim::UsageText);
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(zorsim::UsageText, stdout);
        return 0;
    }
    zorsim::Simulator simulator(parsed.options);
    std::string error;
    if (!simulator.Start(error)) {
        std::fprintf(stderr, "zorsim: %s\n", error.c_str());
        return 1;
    }
    return simulator.Run();
}

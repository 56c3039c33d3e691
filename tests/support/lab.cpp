#include "support/lab.h"

#include <cstdlib>

namespace {
constexpr const char* LabVariable = "ZOR_LAB";
} // namespace

const char* LabFolder() {
    return std::getenv(LabVariable);
}

bool InsideLab() {
    return LabFolder() != nullptr;
}

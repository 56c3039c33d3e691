// Windows: the ports the registry publishes, in the window tool's order.
#include "zorctl/port_list.h"

#include "console/port_name_collection.h"

#include <algorithm>
#include <cctype>

namespace {

// Windows device names do not depend on letter case: com7 is COM7.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::toupper(x) == std::toupper(y);
           });
}

} // namespace

namespace port_list {

std::vector<std::string> Ports() {
    auto* names = new PortNameCollection;
    std::vector<std::string> ports;
    names->ForEach([&ports](void* name) { ports.emplace_back(static_cast<const char*>(name)); });
    names->Dispose();
    return ports;
}

bool IsKnown(const std::string& port) {
    const std::vector<std::string> ports = Ports();
    return std::any_of(ports.begin(), ports.end(),
                       [&port](const std::string& name) { return SameName(name, port); });
}

} // namespace port_list

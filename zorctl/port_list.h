#pragma once

#include <string>
#include <vector>

// The serial ports of this machine: the one part of zorctl that each
// platform answers in its own way (port_list_windows.cpp, port_list_posix.cpp).
namespace port_list {

// The names a user can give as PORT, in the order they are shown.
std::vector<std::string> Ports();

// Whether `port` names a serial port of this machine at all (a port that
// exists may still fail to open, e.g. while another program holds it).
bool IsKnown(const std::string& port);

} // namespace port_list

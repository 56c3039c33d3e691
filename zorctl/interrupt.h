#pragma once

// Ctrl-C as a request to stop, not as the end of the process: a command that
// must leave its output whole (watch) catches it and ends at the next point
// where nothing is half written.
namespace interrupt {

// From now on Ctrl-C (and Ctrl-Break, where the platform has it) only sets
// the request.
void Catch();
bool Requested();

} // namespace interrupt

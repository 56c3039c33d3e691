#pragma once

// The whole program behind main: reads the command line, checks every value
// and the port, runs the command and gives the exit status. Kept apart from
// main so that a benchmark can run a command in its own process.
int RunZorctl(int argc, const char* const* argv);

#pragma once

#include <string>

// Runs parts of a test program in a child process, for behaviour that ends
// the process (the numbered run-time errors). The parent answers the first
// message box the child shows, so nothing waits for a person.
struct ChildOutcome {
    unsigned long exitCode = 0;
    bool boxSeen = false;
    std::string boxCaption;
    std::string boxText;
};

using ChildAction = void (*)();

// Registers an action that the child runs when started with --child=NAME.
bool RegisterChildAction(const char* name, ChildAction action);

// Starts this program again with --child=NAME, closes the first message box
// of the child (if any) after reading it, and waits for the child to end.
ChildOutcome RunChild(const char* name);

// Called by the test main: runs the action named on the command line and
// ends the process; returns false when the program is not a child.
bool RunChildActionFromCommandLine(int argc, char** argv);

#define ZOR_CHILD_ACTION(name)                                                                     \
    static void name();                                                                            \
    static const bool name##Registered = RegisterChildAction(#name, name);                         \
    static void name()

// Runs the child action and checks that it ended the program with run-time
// error `number`: the "Error" box naming the number and the stop's address,
// and the number as exit code.
void ExpectRunTimeError(const char* child, unsigned long number);

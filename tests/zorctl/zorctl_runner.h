#pragma once

#include <string>
#include <vector>

// zorctl run as a separate program against the simulated unit of the test
// lab, the same way on every platform: the Windows builds under Wine through
// the lab's COM ports, the native build on a pty of its own unit.
struct ZorctlRun {
    int exitCode = -1;
    std::string out; // standard output
    std::string err; // standard error
};

class ZorctlRunner {
public:
    virtual ~ZorctlRunner() = default;

    // The port of the lab's zorctl unit, a listed port that never opens, and
    // a name that is no port at all, as zorctl takes them.
    virtual std::string UnitPort() const = 0;
    virtual std::string UnopenablePort() const = 0;
    virtual std::string UnknownPort() const = 0;

    // The ports `zorctl ports` must list here, in its order.
    virtual std::vector<std::string> ListedPorts() const = 0;

    // Runs zorctl with these arguments to its end.
    virtual ZorctlRun Run(const std::vector<std::string>& arguments) = 0;
    // Starts zorctl in the background, in a way that lets Interrupt reach it.
    virtual bool Start(const std::vector<std::string>& arguments) = 0;
    // Ctrl-C to the program started last.
    virtual void Interrupt() = 0;
    // Waits for the program started last to end.
    virtual ZorctlRun Wait() = 0;
    // Waits until the scratch file holds at least `lines` lines; false when
    // it does not within some seconds.
    virtual bool WaitForLines(const std::string& name, int lines) const = 0;

    // A scratch file: its name as zorctl takes it (any file of that name is
    // removed first), and its contents.
    virtual std::string ScratchPath(const std::string& name) const = 0;
    virtual std::string ReadScratch(const std::string& name) const = 0;
    // A path whose writes fail for lack of space.
    virtual std::string FullDevicePath() const = 0;

    // The unit: a control line (zorsim/README.md) and its state file.
    virtual bool UnitCommand(const std::string& line) = 0;
    virtual long UnitNumber(const std::string& key) const = 0;
    virtual std::string UnitValue(const std::string& key) const = 0;
};

// The runner of this platform.
ZorctlRunner& Runner();

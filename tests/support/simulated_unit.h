#pragma once

#include <climits>
#include <functional>
#include <map>
#include <string>

// A simulated ZOR unit of the test lab, seen from a Windows test program.
// The lab (scripts/lab.sh) runs zorsim for each unit NAME with a control
// FIFO NAME.ctl and a state file NAME.state in the directory that ZOR_LAB
// names; this class writes commands to the one and reads the other.
class SimulatedUnit {
public:
    static constexpr long Missing = LONG_MIN; // Number() of an absent or non-numeric key
    static constexpr unsigned long DefaultTimeoutMs = 5000;

    explicit SimulatedUnit(const std::string& name);

    // Sends one control line (see zorsim/README.md) and waits until the unit
    // has counted it; false when the FIFO cannot be written or the unit did
    // not take the line in time. A malformed line is taken too: check
    // Number("bad_commands") when that matters.
    bool Command(const std::string& line);

    // The unit's state file as key/value pairs; empty when it cannot be read.
    std::map<std::string, std::string> State() const;
    std::string Value(const std::string& key) const;
    long Number(const std::string& key) const;

    // Polls the state file until the key's value satisfies the predicate (or
    // equals the value); false when the time runs out first.
    bool WaitFor(const std::string& key, const std::function<bool(const std::string&)>& accept,
                 unsigned long timeoutMs = DefaultTimeoutMs) const;
    bool WaitFor(const std::string& key, const std::string& value,
                 unsigned long timeoutMs = DefaultTimeoutMs) const;

    const std::string& ControlPath() const { return controlPath_; }
    const std::string& StatePath() const { return statePath_; }

private:
    std::string controlPath_;
    std::string statePath_;
};

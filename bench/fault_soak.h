#pragma once

#include "support/simulated_unit.h"

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// A soak under injected line faults: exchanges with a lab unit one after the
// other, each a read chosen at random, with a one-shot fault (zorsim's
// `once`) put on a share of them, also at random, from a fixed seed. It
// counts per fault kind how the faulted exchange ended, whether the next
// exchange without a fault read right again, and every value reported as
// read that the unit did not hold.
class FaultSoak {
public:
    // What one exchange gave, judged against what the unit holds.
    enum class Reading {
        Failed, // reported as failed
        Right,  // reported as read, with the values the unit holds
        Stale,  // reported as read, with values the unit held earlier (a late reply)
        Wrong,  // reported as read, with values the unit never held
    };

    struct Read {
        const char* name;
        std::uint8_t function; // the Modbus function code it sends
        std::function<Reading()> run;
    };

    FaultSoak(SimulatedUnit& unit, unsigned seed, double faultShare);

    // Runs count exchanges; beforeEach runs before each (e.g. to change what
    // the unit holds). False when the unit stopped taking commands.
    bool Run(int count, const std::vector<Read>& reads, const std::function<void()>& beforeEach);
    void Print(const char* title) const;

    long WrongValues() const;

private:
    enum Kind {
        BadCrc,
        Short,
        Garbage,
        Late,
        Surplus,
        Silence,
        OtherAddress,
        OtherFunction,
        Kinds
    };

    struct Tally {
        long injected = 0;
        long asExpected = 0;
        long recovered = 0;
        long stale = 0;
        long wrong = 0;
    };

    std::string FaultCommand(Kind kind, std::uint8_t function);
    void Record(int kind, Reading reading);

    SimulatedUnit& unit_;
    unsigned seed_;
    double faultShare_;
    std::mt19937 random_;
    std::array<Tally, Kinds> tallies_{};
    std::array<long, Kinds> awaitingRecovery_{};
    int lastKind_ = -1;
    long exchanges_ = 0;
    long clean_ = 0;
    long cleanRight_ = 0;
    long cleanStale_ = 0;
    long cleanWrong_ = 0;
    long stale_ = 0;
    long wrong_ = 0;
    long longestFailedRun_ = 0;
    long failedRun_ = 0;
    double elapsedMs_ = 0;
};

#include "fault_soak.h"

#include "clocks.h"

#include <algorithm>
#include <cstdio>

namespace {

// The tool's read waits at 19200 baud: 120 ms for the first five bytes. A
// late reply comes after it, and before the next exchange has ended.
constexpr int LateLowMs = 150;
constexpr int LateHighMs = 300;
// Fewer bytes than the shortest read reply (7), so every cut is short.
constexpr int ShortLow = 1;
constexpr int ShortHigh = 6;
constexpr int NoiseLow = 1;
constexpr int NoiseHigh = 4;
constexpr int FirstOtherAddress = 2; // the unit answers at 1
constexpr int LastAddress = 247;
constexpr std::uint8_t ReadFunctions[] = {3, 4};
constexpr std::uint8_t WriteFunction = 6;

const char* const KindNames[] = {
    "bad CRC",       "reply cut short", "garbage before", "reply after the wait",
    "surplus bytes", "silence",         "other address",  "other function",
};

int Between(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

} // namespace

FaultSoak::FaultSoak(SimulatedUnit& unit, unsigned seed, double faultShare)
    : unit_(unit), seed_(seed), faultShare_(faultShare), random_(seed) {}

std::string FaultSoak::FaultCommand(Kind kind, std::uint8_t function) {
    switch (kind) {
    case BadCrc:
        return "once badcrc";
    case Short:
        return "once short " + std::to_string(Between(random_, ShortLow, ShortHigh));
    case Garbage:
        return "once garbage " + std::to_string(Between(random_, NoiseLow, NoiseHigh));
    case Late:
        return "once delay " + std::to_string(Between(random_, LateLowMs, LateHighMs));
    case Surplus:
        return "once surplus " + std::to_string(Between(random_, NoiseLow, NoiseHigh));
    case Silence:
        return "once silent";
    case OtherAddress:
        return "once address " + std::to_string(Between(random_, FirstOtherAddress, LastAddress));
    case OtherFunction: {
        // Another function the unit knows: the other read, or the write.
        std::uint8_t other = function == ReadFunctions[0] ? ReadFunctions[1] : ReadFunctions[0];
        return "once function " +
               std::to_string(Between(random_, 0, 1) == 0 ? other : WriteFunction);
    }
    case Kinds:
        break;
    }
    return {};
}

bool FaultSoak::Run(int count, const std::vector<Read>& reads,
                    const std::function<void()>& beforeEach) {
    std::uniform_real_distribution<double> share(0.0, 1.0);
    std::uniform_int_distribution<std::size_t> pickRead(0, reads.size() - 1);
    std::uniform_int_distribution<int> pickKind(0, Kinds - 1);
    double start = clocks::NowMs();
    for (int i = 0; i < count; ++i) {
        const Read& read = reads[pickRead(random_)];
        int kind = -1;
        if (share(random_) < faultShare_) {
            kind = pickKind(random_);
            if (!unit_.Command(FaultCommand(static_cast<Kind>(kind), read.function))) {
                return false;
            }
        }
        if (beforeEach) {
            beforeEach();
        }
        Record(kind, read.run());
    }
    elapsedMs_ += clocks::NowMs() - start;
    return true;
}

void FaultSoak::Record(int kind, Reading reading) {
    ++exchanges_;
    stale_ += reading == Reading::Stale ? 1 : 0;
    wrong_ += reading == Reading::Wrong ? 1 : 0;
    failedRun_ = reading == Reading::Failed ? failedRun_ + 1 : 0;
    longestFailedRun_ = std::max(longestFailedRun_, failedRun_);
    if (kind >= 0) {
        Tally& tally = tallies_[kind];
        ++tally.injected;
        // Surplus follows an intact reply, which must still read right.
        Reading expected = kind == Surplus ? Reading::Right : Reading::Failed;
        tally.asExpected += reading == expected ? 1 : 0;
        ++awaitingRecovery_[kind];
        lastKind_ = kind;
    } else {
        ++clean_;
        if (reading == Reading::Right) {
            ++cleanRight_;
            for (int k = 0; k < Kinds; ++k) {
                tallies_[k].recovered += awaitingRecovery_[k];
            }
        }
        awaitingRecovery_.fill(0);
        cleanStale_ += reading == Reading::Stale ? 1 : 0;
        cleanWrong_ += reading == Reading::Wrong ? 1 : 0;
    }
    // A bad value is put down to the fault of its own exchange, or else to
    // the last fault before it, whose bytes may still be on the line.
    if (lastKind_ >= 0) {
        tallies_[lastKind_].stale += reading == Reading::Stale ? 1 : 0;
        tallies_[lastKind_].wrong += reading == Reading::Wrong ? 1 : 0;
    }
}

long FaultSoak::WrongValues() const {
    return wrong_;
}

void FaultSoak::Print(const char* title) const {
    std::printf("%s: %ld exchanges in %.1f s, seed %u, a fault on %.0f %% of them\n", title,
                exchanges_, elapsedMs_ / clocks::MsPerSecond, seed_, faultShare_ * 100.0);
    std::printf("  %-22s %8s %12s %10s %7s %7s\n", "fault", "injected", "as expected", "recovered",
                "stale", "wrong");
    for (int k = 0; k < Kinds; ++k) {
        const Tally& t = tallies_[k];
        std::printf("  %-22s %8ld %12ld %10ld %7ld %7ld\n", KindNames[k], t.injected, t.asExpected,
                    t.recovered, t.stale, t.wrong);
    }
    std::printf("  as expected: the exchange failed (surplus: its intact reply read right);\n"
                "  recovered: the next exchange without a fault read right; stale, wrong:\n"
                "  values reported as read, put down to the exchange's own fault or the last\n"
                "  one before it\n");
    std::printf("  exchanges without a fault: %ld, read right %ld, stale %ld, wrong %ld; longest "
                "run of failed exchanges %ld\n",
                clean_, cleanRight_, cleanStale_, cleanWrong_, longestFailedRun_);
    std::printf("  values reported as read that the unit held earlier (a late reply): %ld\n",
                stale_);
    std::printf("  values reported as read that the unit never held: %ld (must be 0)\n",
                WrongValues());
}

#pragma once

#include "device/line_settings.h"
#include "device/transducer.h"
#include "zorctl/exit_code.h"

#include <memory>
#include <string>

// The unit on one port, reached as the window tool reaches it: open the
// port, apply the line, and read the identity, which must be "ZOR" before
// anything else is read or written.
class UnitLink {
public:
    enum class Probe { Compatible, Other, Silent };

    UnitLink();

    // Done when the unit answered as a ZOR unit; otherwise the problem has
    // been reported and the code says which (the port is closed again).
    ExitCode Connect(const std::string& port, const LineSettings& line);

    // Opens the port without asking the unit anything; false when it fails.
    bool Open(const std::string& port);
    // Applies a line to the open port; exchanges nothing.
    void UseLine(const LineSettings& line);
    // One identity request; Identity() then holds what the unit reported.
    Probe ProbeIdentity();
    const std::string& Identity() const { return identity; }

    Transducer& Unit() { return *transducer; }

    // After a failed operation on `what`: reports it as a refusal (with the
    // unit's exception code) or as no answer, and gives the matching code.
    ExitCode Failed(const std::string& what);

private:
    struct Disposer {
        void operator()(Transducer* unit) const { unit->Dispose(); }
    };

    std::unique_ptr<Transducer, Disposer> transducer;
    std::string identity;
};

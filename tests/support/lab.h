#pragma once

// The test lab (scripts/lab.sh) names its folder in the environment of the
// programs it runs. Inside it, what the lab guarantees (the serial lines, the
// simulated units, the Czech locale) is there: a test that would skip
// without such a condition fails inside the lab instead, since a skip there
// would hide a broken lab.

// The lab's folder as a Unix path, or null outside the lab.
const char* LabFolder();
bool InsideLab();

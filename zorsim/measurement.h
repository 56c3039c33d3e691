#pragma once

#include "line_settings.h"

namespace zorsim {

enum class Channel { Temperature, Humidity, Formaldehyde };

// How far a reading has wandered from its base value at a moment, in raw
// register units: a slow swing with a faster ripple on it, like a room
// whose air changes a little over minutes. Bounded by MaximumDrift.
int Drift(Channel channel, Micros sinceStart);
int MaximumDrift(Channel channel);

} // namespace zorsim

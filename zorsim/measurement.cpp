#include "measurement.h"

#include <cmath>
#include <numbers>

namespace zorsim {

namespace {

struct Swing {
    double slowAmplitude; // raw units
    double slowPeriodS;
    double rippleAmplitude;
    double ripplePeriodS;
};

// 0.40 °C, 1.50 %RH and 3.0 ppb over ten minutes or so, with small ripples.
constexpr Swing TemperatureSwing{40, 600, 8, 73};
constexpr Swing HumiditySwing{150, 900, 25, 61};
constexpr Swing FormaldehydeSwing{30, 1200, 6, 47};

const Swing& SwingOf(Channel channel) {
    switch (channel) {
    case Channel::Humidity:
        return HumiditySwing;
    case Channel::Formaldehyde:
        return FormaldehydeSwing;
    case Channel::Temperature:
        break;
    }
    return TemperatureSwing;
}

double Wave(double amplitude, double periodS, double seconds) {
    return amplitude * std::sin(2 * std::numbers::pi * seconds / periodS);
}

} // namespace

int Drift(Channel channel, Micros sinceStart) {
    const Swing& swing = SwingOf(channel);
    double seconds = std::chrono::duration<double>(sinceStart).count();
    double drift = Wave(swing.slowAmplitude, swing.slowPeriodS, seconds) +
                   Wave(swing.rippleAmplitude, swing.ripplePeriodS, seconds);
    return static_cast<int>(std::lround(drift));
}

int MaximumDrift(Channel channel) {
    const Swing& swing = SwingOf(channel);
    return static_cast<int>(std::ceil(swing.slowAmplitude + swing.rippleAmplitude));
}

} // namespace zorsim

#include "zorctl/correct_command.h"

#include "console/number_text.h"
#include "zorctl/reading_text.h"
#include "zorctl/report.h"
#include "zorctl/unit_link.h"

#include <functional>

namespace {

struct CorrectionWrite {
    const char* name;
    const char* unit;
    std::function<bool(Transducer&, std::int16_t)> write;
};

const CorrectionWrite TemperatureWrite = {
    "temperature correction", reading_text::TemperatureUnit,
    [](Transducer& t, std::int16_t raw) { return t.WriteTemperatureCorrection(raw); }};
const CorrectionWrite HumidityWrite = {
    "humidity correction", reading_text::HumidityUnit,
    [](Transducer& t, std::int16_t raw) { return t.WriteHumidityCorrection(raw); }};

ExitCode Write(UnitLink& link, const CorrectionWrite& target, float value) {
    const std::int16_t raw = CorrectionRaw(value);
    const std::string shown = reading_text::Correction(value) + " " + target.unit;
    if (!target.write(link.Unit(), raw)) {
        return link.Failed(std::string("the ") + target.name + " " + shown);
    }
    report::Result(std::string(target.name) + " " + shown + " written (register value " +
                   std::to_string(raw) + ")");
    return ExitCode::Done;
}

} // namespace

ExitCode RunCorrect(UnitLink& link, const Invocation& invocation) {
    const CorrectOptions& options = invocation.correct;
    if (options.temperature) {
        const ExitCode written = Write(link, TemperatureWrite, *options.temperature);
        if (written != ExitCode::Done) {
            return written;
        }
    }
    if (options.humidity) {
        return Write(link, HumidityWrite, *options.humidity);
    }
    return ExitCode::Done;
}

#pragma once

// Every text the program shows, in one place. The texts are 8-bit strings in
// code page 1250 (the Czech Windows code page), written as escaped bytes so
// that the source stays plain ASCII; a hex escape is closed by splitting the
// literal wherever a hex digit follows it.
namespace texts {

inline constexpr char ApplicationName[] = "ZOR config";

inline constexpr char PortLabel[] = "Port:";
inline constexpr char LineSettingsButton[] = "...";
inline constexpr char IdentityLabel[] = "P\xF8"
                                        "evodn\xEDk:";
inline constexpr char FirmwareLabel[] = "Firmware:";
inline constexpr char SerialNumberLabel[] = "V\xFDrobn\xED \xE8\xEDslo:";

inline constexpr char BusGroup[] = "Komunikace:";
inline constexpr char AddressLabel[] = "Adresa";
inline constexpr char BaudRateLabel[] = "Rychlost";
inline constexpr char ParityLabel[] = "Parita";
inline constexpr char RestartButton[] = "Restart";

inline constexpr char MeasurementGroup[] = "Hodnoty v\xE8"
                                           "etn\xEC korekce:";
inline constexpr char TemperatureLabel[] = "Teplota [\xB0"
                                           "C]";
inline constexpr char HumidityLabel[] = "Rel. vlhkost [%]";
inline constexpr char FormaldehydeLabel[] = "Formaldehyd [ppb]";
inline constexpr char PollCheckBox[] = "\xC8\xEDst";

inline constexpr char CorrectionGroup[] = "Korekce:";
inline constexpr char WriteButton[] = "Z\xE1pis";

inline constexpr char IncompatibleUnit[] = "P\xF8"
                                           "evodn\xEDk nen\xED kompatibiln\xED s t\xEDmto "
                                           "n\xE1strojem.";
inline constexpr char ValueOutOfRange[] = "Hodnota mimo rozsah.";
inline constexpr char ErrorCaption[] = "Chyba";

} // namespace texts

// The line settings dialog's resource id and the ids of its three lists. The
// resource script builds the dialog's template with them and the dialog finds
// its items by them; plain definitions, since the resource compiler reads
// this file as well.
#pragma once

#define IDD_LINE_SETTINGS 1
#define IDC_BAUD_RATE 101
#define IDC_PARITY 102
#define IDC_ADDRESS 103

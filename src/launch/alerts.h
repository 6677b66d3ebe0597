// The install, run and reinstall alerts.
#ifndef TAVIO_LAUNCH_ALERTS_H
#define TAVIO_LAUNCH_ALERTS_H

#include "platform/fixed_text.h"

// line1 "\n" line2 "\n" line3 "\n" line4 "\n" line5 into text (cut at its capacity).
void ComposeAlert(FixedText<4096>& text, const char* line1, const char* line2, const char* line3, const char* line4,
                  const char* line5);
bool ShowInstallAlert();  // true when the user chose OK
bool ShowRunAlert();
void ShowReinstallAlert();

#endif

// StartProgram: one launch path turned into one start through the shell.
#ifndef TAVIO_LAUNCHING_START_PROGRAM_H
#define TAVIO_LAUNCHING_START_PROGRAM_H

#include "platform/fixed_text.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"

// Above 32 (unsigned): started. 32 or less: a failure code of the shell.
typedef UINT LaunchResult;

// The prefix and suffix settings selected for the next start.
struct LaunchAffixesState {
    LONG PrefixEnabled;
    LONG SuffixEnabled;
    const SettingText* PrefixText;  // the setting itself, not a copy
    const SettingText* SuffixText;
};
extern LaunchAffixesState LaunchAffixes;

void SelectInstall32Affixes();
void SelectInstallNTAffixes();
void SelectRun32Affixes();
void SelectRunNTAffixes();

// The command StartProgram builds, and its working texts; nothing else uses them.
struct LaunchCommandState {
    FixedText<512> ExecutablePath;
    FixedText<511> ParameterText;     // 510 characters, not 511
    FixedText<512> WorkingDirectory;  // empty when the program is named without a folder
    FixedText<512> ShortPathBuffer;
    FixedText<12> DocumentExtension;  // at most 7 characters, the dot included
};
extern LaunchCommandState LaunchCommand;

// Starts the program or document in launchPath (for a document the buffer may be
// rewritten to its short form). A path that would not fit its text is never cut into
// another path: nothing is started and 0 is returned.
LaunchResult StartProgram(WorkText& launchPath);

#endif

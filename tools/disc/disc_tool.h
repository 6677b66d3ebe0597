// tavio-disc's command line: check, try and image, as text or JSON.
#ifndef TAVIO_TOOLS_DISC_DISC_TOOL_H
#define TAVIO_TOOLS_DISC_DISC_TOOL_H

#include <string>
#include <vector>

#include "disc_try.h"

// Runs one command (the arguments after the program's name); what it prints goes to out and
// err. Returns the exit status: 0 done, 1 an error was found (check, image), 2 wrong use,
// 3 the disc folder cannot be read.
int DiscTool(const std::vector<std::string>& args, std::string* out, std::string* err);

// One run of try as DiscTool takes it ("try", DISC_FOLDER and its options, without --all):
// the same machine and run, handed back whole rather than printed. The status as DiscTool's.
int TryCommand(const std::vector<std::string>& args, DryRun* run, std::string* err);

#endif

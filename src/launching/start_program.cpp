// StartProgram: classification, the parameter text, associations, short paths, the shell start.
#include "launching/start_program.h"

LaunchAffixesState LaunchAffixes;
StartProgramState StartProgramTexts;

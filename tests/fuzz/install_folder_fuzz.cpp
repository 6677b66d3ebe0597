// Fuzz target: CleanInstallFolder, and the open-command parsing StartProgram applies to registry associations.
//
// First byte even: the rest is one text for CleanInstallFolder. Odd: a document whose
// associated program is gone, with the fields class command, extension command and one
// existing file (each ended by a zero byte), so StartProgram falls back to the registry.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "settings/settings_file.h"

namespace {

void CleanFolder(const std::string& text) {
    // A heap block of exactly the text's size: any write past its terminator is caught.
    const size_t length = strlen(text.c_str());
    char* buffer = static_cast<char*>(malloc(length + 1));
    memcpy(buffer, text.c_str(), length + 1);
    CleanInstallFolder(buffer);
    const std::string folder = buffer;
    free(buffer);

    FUZZ_CHECK(folder.size() <= length, "the folder grew");
    FUZZ_CHECK(folder.empty() || text.find(folder) != std::string::npos,
               "\"" + folder + "\" is not a piece of \"" + text + "\"");
    FUZZ_CHECK(folder.find_first_of("\"%") == std::string::npos, "a quote or percent sign is left in " + folder);
    FUZZ_CHECK(folder.empty() || folder.back() != ' ', "trailing space left in \"" + folder + "\"");
    FUZZ_CHECK(folder.find('\\') == std::string::npos || folder.back() == '\\',
               "\"" + folder + "\" does not end at its last backslash");
}

void OpenThroughCommand(FuzzInput& input, uint8_t flags) {
    const std::string classCommand = input.Field();
    const std::string extensionCommand = input.Field();
    const std::string existing = input.Field();

    const MachineForOneInput freshMachine;
    const char document[] = "D:\\DOCS\\README.TXT";
    sim::AddFile(document);
    sim::AddAssociation(".TXT", "txtfile", classCommand.c_str());
    if (flags & 0x02)
        sim::SetRegistryString(HKEY_CLASSES_ROOT, ".TXT\\shell\\open\\command", "", extensionCommand,
                               (flags & 0x04) ? REG_EXPAND_SZ : REG_SZ);
    if (!existing.empty() && PossibleFileName(existing)) sim::AddFile(existing.c_str(), "MZ");
    const size_t failuresBefore = sim::Failures().size();
    const std::string shellProgram = CommandProgram(classCommand, document).substr(0, 259);

    WorkText& launchPath = SettingsFile.WorkBuffer;
    launchPath.Assign(document);
    const LaunchResult result = StartProgram(launchPath);

    CheckRoomsTerminated();
    CheckNoWritesNoNewFailures(failuresBefore);
    CheckStartsFit();
    const std::vector<sim::ShellStart>& starts = sim::ShellStarts();
    if (starts.empty()) {
        FUZZ_CHECK(result <= 32, "success with nothing started");
        return;
    }
    const std::string& file = starts[0].file;
    // The shell's own open of the document, for any command that is more than a program and it.
    if (file == document && starts[0].parameters.empty()) return;
    // Either the shell's own choice, or an existing program that one of the commands names.
    // The shell may report an association with an empty program (an open command that
    // starts with a blank): the start then names no program at all, never a wrong one.
    const bool named = Contains(RegistryText(classCommand), file) || Contains(RegistryText(extensionCommand), file);
    FUZZ_CHECK(file.empty() || file == shellProgram || (sim::FileExistsInSim(file.c_str()) && (named || flags & 0x04)),
               "opened the document with " + file);
    FUZZ_CHECK(starts[0].parameters == document, "parameters \"" + starts[0].parameters + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const uint8_t flags = input.Byte();
    if ((flags & 1) == 0)
        CleanFolder(input.Rest());
    else
        OpenThroughCommand(input, flags);
    return 0;
}

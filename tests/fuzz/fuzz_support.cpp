// Fresh state, input fields and invariant checks for the fuzz targets.
#include "fuzz_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "launcher_state.h"
#include "launching/start_program.h"
#include "location/install_location.h"
#include "settings/launcher_settings.h"
#include "settings/settings_file.h"
#include "window/launcher_window.h"
#include "window/status_lines.h"

void FreshMachine() {
    sim::Reset();
    ResetLauncherState();
}

namespace {
bool machineUsed = false;  // an input ran since the last reset
}  // namespace

MachineForOneInput::MachineForOneInput() {
    if (machineUsed) FreshMachine();
    machineUsed = true;
}

MachineForOneInput::~MachineForOneInput() {
    FreshMachine();
    machineUsed = false;
}

namespace {

// The inputs' texts are ANSI, as the settings file and the ANSI calls give them. The simulation
// keeps a character outside the code page as the byte 0x01 and its UTF-8: that byte, reserved,
// becomes 0x02 (another control character no name may hold either).
void AsAnsi(std::string* text) {
    for (char& c : *text)
        if (c == '\x01') c = '\x02';
}

}  // namespace

void FuzzInput::Field(std::string* text) {
    const uint8_t* end = static_cast<const uint8_t*>(memchr(data_ + pos_, 0, size_ - pos_));
    const size_t length = end != nullptr ? static_cast<size_t>(end - (data_ + pos_)) : size_ - pos_;
    text->assign(reinterpret_cast<const char*>(data_ + pos_), length);
    AsAnsi(text);
    pos_ += length;
    if (pos_ < size_) ++pos_;  // the zero that ends the field
}

void FuzzInput::Rest(std::string* text) {
    text->assign(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    AsAnsi(text);
    pos_ = size_;
}

std::string FuzzInput::Field() {
    std::string text;
    Field(&text);
    return text;
}

std::string FuzzInput::Rest() {
    std::string text;
    Rest(&text);
    return text;
}

void FuzzFail(const char* condition, const std::string& detail, const char* file, int line) {
    fprintf(stderr, "\n==== invariant broken at %s:%d: %s\n     %s\n", file, line, condition, detail.c_str());
    for (const std::string& entry : sim::Trace()) fprintf(stderr, "     trace: %s\n", entry.c_str());
    abort();
}

namespace {

template <size_t Size>
void CheckTerminated(const FixedText<Size>& text, const char* name) {
    FUZZ_CHECK(memchr(text.Text, '\0', Size) != nullptr, std::string(name) + " lost its terminator");
}

}  // namespace

void CheckRoomsTerminated() {
    for (int i = 0; i < SettingCount; ++i) {
        const SettingEntry& entry = SettingCatalogue[i];
        if (entry.Kind == TextSetting) CheckTerminated(entry.Text(), entry.Key);
    }
    CheckTerminated(SettingsFile.LauncherDirectory, "LauncherDirectory");
    CheckTerminated(SettingsFile.SettingsFileName, "SettingsFileName");
    CheckTerminated(SettingsFile.SettingsFilePath, "SettingsFilePath");
    CheckTerminated(SettingsFile.WorkBuffer, "WorkBuffer");
    CheckTerminated(SettingsFile.ResultBuffer, "ResultBuffer");
    CheckTerminated(SettingsFile.MessageBuffer, "MessageBuffer");
    CheckTerminated(RegistryQuery.KeyPath, "RegistryQuery.KeyPath");
    CheckTerminated(RegistryQuery.ValueName, "RegistryQuery.ValueName");
    CheckTerminated(RegistryQuery.ResultText, "RegistryQuery.ResultText");
    CheckTerminated(LaunchCommand.ExecutablePath, "ExecutablePath");
    CheckTerminated(LaunchCommand.ParameterText, "ParameterText");
    CheckTerminated(LaunchCommand.WorkingDirectory, "WorkingDirectory");
    CheckTerminated(LaunchCommand.ShortPathBuffer, "ShortPathBuffer");
    CheckTerminated(LaunchCommand.DocumentExtension, "DocumentExtension");
    FUZZ_CHECK(LaunchCommand.DocumentExtension.Length() <= 7, "DocumentExtension longer than 7 characters");
    CheckTerminated(StatusDisplay.LaunchedLine, "LaunchedLine");
    CheckTerminated(StatusDisplay.DeferredLine, "DeferredLine");
}

void CheckNoWritesNoNewFailures(size_t before) {
    FUZZ_CHECK(sim::WriteCount() == 0, "the launcher wrote to the registry or a file");
    const std::vector<std::string>& failures = sim::Failures();
    if (failures.size() > before) FuzzFail("no new simulation failure", "simulated Windows: " + failures[before], __FILE__, __LINE__);
}

void CheckStartsFit() {
    const std::vector<sim::ShellStart>& starts = sim::ShellStarts();
    FUZZ_CHECK(starts.size() <= 1, std::to_string(starts.size()) + " starts in one run");
    for (const sim::ShellStart& start : starts) {
        FUZZ_CHECK(start.ownerNull && start.verb == "<null>" && start.show == SW_SHOWNORMAL,
                   "start not made with a null owner, the default verb and SW_SHOWNORMAL");
        FUZZ_CHECK(start.file.size() <= 511, "started file of " + std::to_string(start.file.size()) + " characters");
        FUZZ_CHECK(start.parameters.size() <= 510,
                   "parameters of " + std::to_string(start.parameters.size()) + " characters");
        FUZZ_CHECK(start.directory.size() <= 511,
                   "working directory of " + std::to_string(start.directory.size()) + " characters");
    }
}

std::string CommandProgram(const std::string& command, const std::string& document) {
    std::string text = command.substr(0, command.find('\0'));
    if (!document.empty()) {  // the placeholders filled in first, as the shell does
        std::string filled;
        bool done = false;
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i] == '%' && i + 1 < text.size() ? text[i + 1] : '\0';
            if (text[i] != '%') {
                filled += text[i];
            } else if (c == '1' || c == 'l' || c == 'L' || (c == '*' && !done)) {
                filled += document, done = true, ++i;
            } else if (c == '*' || c == '%' || c == '\0') {
                filled += c == '%' || c == '\0' ? "%" : "", done = true, ++i;
            } else {
                filled += '%';
            }
        }
        text = filled;
    }
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    if (start < text.size() && text[start] == '"') {
        const size_t close = text.find('"', start + 1);
        return text.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    }
    const size_t space = text.find(' ', start);
    return text.substr(start, space == std::string::npos ? std::string::npos : space - start);
}

std::string ShortForm(const std::string& path) {
    char buffer[8192];
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::string();
    return std::string(buffer, length);
}

bool Contains(const std::string& haystack, const std::string& needle) {
    return !needle.empty() && haystack.find(needle) != std::string::npos;
}

std::string RegistryText(const std::string& data) { return data.substr(0, data.find('\0')); }

bool PossibleFileName(const std::string& path) {
    for (const char c : path)
        if (static_cast<unsigned char>(c) < 32 || strchr("?*<>|\"", c) != nullptr) return false;
    return true;
}

// The fixture of whole-run tests: a disc at D:\ with the launcher on it, and readers of what the run did.
#ifndef TAVIO_TESTS_RUN_FIXTURE_H
#define TAVIO_TESTS_RUN_FIXTURE_H

#include <algorithm>
#include <string>
#include <vector>

#include "launch/run_launcher.h"
#include "unit_support.h"

using Strings = std::vector<std::string>;

constexpr char kRegistryKey[] = "Software\\Fendral\\Install Locations";
constexpr char kRegistryValue[] = "Test Tavio CD";

class WholeRunTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Machine();
    }
    // A new machine for the next row of a table.
    void Fresh(const std::string& modulePath = "D:\\AUTOPLAY.EXE") {
        Restart();
        Machine(modulePath);
    }
    // A wait with no end would show as a simulation failure after ten virtual minutes.
    static void Machine(const std::string& modulePath = "D:\\AUTOPLAY.EXE") {
        sim::SetTimeCap(10 * 60 * 1000);
        sim::SetModulePath(modulePath.c_str());
        sim::AddFile(modulePath.c_str(), "MZ");
    }
    static void Ini(const std::string& settings, const std::string& errors = std::string()) {
        sim::AddFile("D:\\AUTOPLAY.INI", "[Tavio32 Settings]\r\n" + settings + "\r\n[Tavio32 Errors]\r\n" + errors);
    }
    static int Run(int showMode = SW_SHOWNORMAL) {
        return RunLauncher(reinterpret_cast<HINSTANCE>(0x400000), nullptr, nullptr, showMode);
    }
    static Strings Started() {
        Strings files;
        for (const sim::ShellStart& start : sim::ShellStarts()) files.push_back(start.file);
        return files;
    }
    static Strings BoxTexts() {
        Strings texts;
        for (const sim::MessageBoxCall& box : sim::MessageBoxes()) texts.push_back(box.text);
        return texts;
    }
    // The run's trace from the first call named call on: the story after start-up.
    static Strings StoryFrom(const std::string& call) {
        const Strings& trace = sim::Trace();
        return Strings(std::find_if(trace.begin(), trace.end(),
                                    [&call](const std::string& line) { return line.compare(0, call.size(), call) == 0; }),
                       trace.end());
    }
    static Strings Captions() {
        Strings captions;
        for (const sim::MessageBoxCall& box : sim::MessageBoxes()) captions.push_back(box.caption);
        return captions;
    }
};

#endif

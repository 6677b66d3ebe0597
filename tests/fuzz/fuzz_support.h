// What every fuzz target shares: a fresh machine per input, the input's fields, the invariants.
#ifndef TAVIO_TESTS_FUZZ_SUPPORT_H
#define TAVIO_TESTS_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "sim.h"

// A new simulated Windows and every room back to its state at process start.
void FreshMachine();
// A fresh machine for one input, made fresh again when the input is done: what an input
// allocates and leaves behind, libFuzzer takes for a possible leak and runs the input again.
// The machine an input finds is then already fresh (a new process's is too).
class MachineForOneInput {
public:
    MachineForOneInput();
    ~MachineForOneInput();
    MachineForOneInput(const MachineForOneInput&) = delete;
    MachineForOneInput& operator=(const MachineForOneInput&) = delete;
};

// The input read front to back: flag bytes, then texts ended by a zero byte, then the rest.
// Reading past the end gives zeros and empty texts, so every input is a valid one.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string Field();
    std::string Rest();
    // The same into *text, whose buffer a target may keep from one input to the next.
    void Field(std::string* text);
    void Rest(std::string* text);

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Prints the broken invariant and aborts, which libFuzzer reports as a crash with the input.
[[noreturn]] void FuzzFail(const char* condition, const std::string& detail, const char* file, int line);
#define FUZZ_CHECK(condition, detail)                                          \
    do {                                                                       \
        if (!(condition)) FuzzFail(#condition, (detail), __FILE__, __LINE__);  \
    } while (0)

// Every fixed-capacity text of every room still holds its terminator within its buffer.
void CheckRoomsTerminated();
// Nothing written, and no failure the simulation caught beyond the first `before` ones.
void CheckNoWritesNoNewFailures(size_t before);
// Each recorded start names texts that fit the launch command's slots; at most one start.
void CheckStartsFit();

// The program an association's command names, as the shell reads it (for expectations),
// with the placeholders filled in with document when one is given.
std::string CommandProgram(const std::string& command, const std::string& document = std::string());
// The short form the simulated Windows gives for path, or "" when it gives none.
std::string ShortForm(const std::string& path);
// A registry value's data as the launcher reads it: the text up to its first zero.
std::string RegistryText(const std::string& data);
// Whether Windows could hold a file of this path (no wildcard, quote, pipe or control character).
bool PossibleFileName(const std::string& path);
// Whether needle occurs in haystack (ignoring nothing: exact bytes).
bool Contains(const std::string& haystack, const std::string& needle);

#endif

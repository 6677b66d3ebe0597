// The simulated environment: its variables, and their expansion as RtlExpandEnvironmentStrings does it.
#include <string.h>

#include <map>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

struct EnvironmentState {
    std::map<std::string, std::pair<std::string, std::string>> variables;  // folded name -> name, value
};

EnvironmentState Environment;

}  // namespace

void ResetEnvironment() { Environment = EnvironmentState(); }

std::string ExpandEnvironment(const std::string& text) {
    // RtlExpandEnvironmentStrings: an undefined %NAME% stays with both signs, and a '%'
    // without a closing one is copied with the rest of the text.
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            out += text[i++];
            continue;
        }
        const size_t close = text.find('%', i + 1);
        if (close == std::string::npos) {
            out += text.substr(i);
            break;
        }
        auto it = Environment.variables.find(FoldKey(text.substr(i + 1, close - i - 1)));
        if (close > i + 1 && it != Environment.variables.end()) out += it->second.second;
        else out += text.substr(i, close - i + 1);
        i = close + 1;
    }
    return out;
}

}  // namespace internal

std::string Expanded(const std::string& text) { return internal::ExpandEnvironment(text); }

void SetEnvironmentVariable(const char* name, const char* value) {
    if (name == nullptr) return;
    if (value == nullptr) internal::Environment.variables.erase(internal::FoldKey(name));
    else internal::Environment.variables[internal::FoldKey(name)] = {name, value};
}

}  // namespace sim

using sim::internal::PlannedFailure;

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("ExpandEnvironmentStringsA", &planned)) return static_cast<DWORD>(planned);
    const std::string expanded = sim::internal::AnsiFromInternal(sim::internal::ExpandEnvironment(source ? source : ""));
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    // The ANSI form wants a buffer larger than the result with its terminator; otherwise
    // it empties the buffer and over-reports the size by one, as Windows does.
    if (destination != nullptr && size > needed) {
        memcpy(destination, expanded.c_str(), needed);
        return needed;
    }
    if (destination != nullptr && size > 0) destination[0] = '\0';
    return needed + 1;
}

// The Unicode form wants no more room than the result with its terminator.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
    long long planned = 0;
    if (PlannedFailure("ExpandEnvironmentStringsW", &planned)) return static_cast<DWORD>(planned);
    if (sim::internal::UnicodeCallOn95()) return 0;
    const std::u16string expanded = sim::internal::WideFromInternal(sim::internal::ExpandEnvironment(
        sim::internal::InternalFromWide(source, sim::internal::WideLength(source))));
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination != nullptr && size >= needed) {
        memcpy(destination, expanded.c_str(), needed * sizeof(WCHAR));
    } else if (destination != nullptr && size > 0) {
        // Too small: as much as fits, terminated in the last unit (as Wine's kernelbase does).
        memcpy(destination, expanded.c_str(), (size - 1) * sizeof(WCHAR));
        destination[size - 1] = 0;
    }
    return needed;
}

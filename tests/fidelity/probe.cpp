// The fidelity probe: runs each case of a case file against the Windows it is linked with and prints one result line per case.
//
// Built twice from this one source: on the host the calls reach the simulated Windows, in
// the win32 build the real ones (under Wine). The set-up goes through fid_setup.h. Usage:
//   probe CASEFILE        (prints "<area> <id> <result...>" per case, in file order)
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fid_setup.h"
#include "fid_text.h"
#include "platform_windows.h"

namespace {

using fid::Escape;
using fid::Number;
using fid::ParseText;
using fid::Text;

constexpr unsigned char kFill = 0xCC;  // never a byte the cases produce
constexpr size_t kGuard = 16;          // bytes after the buffer that must stay untouched

// The buffer as the call left it: bytes up to the last one it changed, then "+over" when
// it wrote past its size.
std::string ShowBuffer(const std::vector<char>& buffer, size_t size) {
    size_t end = size;
    while (end > 0 && static_cast<unsigned char>(buffer[end - 1]) == kFill) --end;
    std::string shown = Escape(std::string(buffer.data(), end));
    for (size_t i = size; i < buffer.size(); ++i)
        if (static_cast<unsigned char>(buffer[i]) != kFill) return shown + " +over";
    return shown;
}

std::string Num(long long value) { return std::to_string(value); }

// ---- Names outside the ANSI code page ----

constexpr WCHAR kWideFill = 0xCCCC;

// A marked text (fid_text.h) as UTF-16 for the Unicode calls, terminated.
std::vector<WCHAR> WideOf(const std::string& marked) {
    const std::u16string text = fid::Utf16OfMarked(marked);
    std::vector<WCHAR> out(text.begin(), text.end());
    out.push_back(0);
    return out;
}

// A marked text in the ANSI code page, as a caller of the ANSI calls has it ('?' where it lacks a character).
std::string AnsiOf(const std::string& marked) {
    const std::vector<WCHAR> wide = WideOf(marked);
    std::vector<char> out(wide.size() * 2 + 1);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, out.data(), static_cast<int>(out.size()),
                                           nullptr, nullptr);
    return length > 0 ? std::string(out.data()) : std::string();
}

// UTF-16 units as text: printable ASCII as itself, any other unit as \uXXXX.
std::string ShowUnits(const WCHAR* units, size_t count) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        const unsigned u = static_cast<unsigned short>(units[i]);
        if (u > 0x20 && u < 0x7F && u != '\\') {
            out += static_cast<char>(u);
        } else if (u == '\\') {
            out += "\\\\";
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 15];
        }
    }
    return out;
}

// As ShowBuffer, for a buffer of UTF-16 units filled with kWideFill.
std::string ShowWide(const std::vector<WCHAR>& buffer, size_t size) {
    size_t end = size;
    while (end > 0 && buffer[end - 1] == kWideFill) --end;
    std::string shown = ShowUnits(buffer.data(), end);
    for (size_t i = size; i < buffer.size(); ++i)
        if (buffer[i] != kWideFill) return shown + " +over";
    return shown;
}

// The Unicode calls and the code page conversions the launcher makes on NT, on names outside
// the ANSI code page. Under Wine the probe is a native process of the build's own width
// (win64 on a host without 32-bit code): WOW64 cannot show there, so "wow" checks only what a
// native process sees (IsWow64Process says no; KEY_WOW64_64KEY opens the key as named).
std::string RunWide(const std::vector<std::string>& a) {
    auto arg = [&a](size_t i) { return i < a.size() ? a[i] : std::string("~"); };
    const std::string op = arg(0);
    if (op == "w2m") {  // CODEPAGE TEXT z|n SIZE u|-
        const UINT codePage = static_cast<UINT>(Number(arg(1)));
        const std::vector<WCHAR> source = WideOf(ParseText(arg(2)).bytes);
        const int length = arg(3) == "z" ? -1 : static_cast<int>(source.size() - 1);
        const int size = static_cast<int>(Number(arg(4)));
        std::vector<char> buffer(static_cast<size_t>(size) + kGuard, static_cast<char>(kFill));
        BOOL used = 7;
        SetLastError(12345);
        const int ret = WideCharToMultiByte(codePage, 0, source.data(), length, size ? buffer.data() : nullptr, size,
                                            nullptr, arg(5) == "u" ? &used : nullptr);
        return "ret=" + Num(ret) + (ret == 0 ? " err=" + Num(GetLastError()) : "") +
               (arg(5) == "u" ? " used=" + Num(used) : "") + " buf=" + ShowBuffer(buffer, static_cast<size_t>(size));
    }
    if (op == "m2w") {  // CODEPAGE BYTES z|n SIZE
        const UINT codePage = static_cast<UINT>(Number(arg(1)));
        const std::string source = ParseText(arg(2)).bytes;
        const int length = arg(3) == "z" ? -1 : static_cast<int>(source.size());
        const int size = static_cast<int>(Number(arg(4)));
        std::vector<WCHAR> buffer(static_cast<size_t>(size) + kGuard, kWideFill);
        SetLastError(12345);
        const int ret =
            MultiByteToWideChar(codePage, 0, source.c_str(), length, size ? buffer.data() : nullptr, size);
        return "ret=" + Num(ret) + (ret == 0 ? " err=" + Num(GetLastError()) : "") +
               " buf=" + ShowWide(buffer, static_cast<size_t>(size));
    }
    if (op == "short") {  // PATH SIZE s|i (separate buffer, or in place)
        const std::vector<WCHAR> path = WideOf(ParseText(arg(1)).bytes);
        const size_t size = static_cast<size_t>(Number(arg(2)));
        std::vector<WCHAR> buffer(std::max(size, path.size()) + kGuard, kWideFill);
        const bool inPlace = arg(3) == "i";
        if (inPlace) std::copy(path.begin(), path.end(), buffer.begin());
        SetLastError(12345);
        const DWORD ret = GetShortPathNameW(inPlace ? buffer.data() : path.data(), size ? buffer.data() : nullptr,
                                            static_cast<DWORD>(size));
        std::string out = "ret=" + Num(ret) + (ret == 0 ? " err=" + Num(GetLastError()) : "");
        if (ret > 0 && ret < size)  // the result, and whether a zero ends it
            return out + " buf=" + ShowUnits(buffer.data(), ret) + (buffer[ret] == 0 ? "" : " unterminated");
        // Failed, or the size needed: the buffer must be as it was (in place, the source).
        const bool untouched = inPlace ? std::equal(path.begin(), path.end(), buffer.begin())
                                       : ShowWide(buffer, size).empty();
        return out + " buf=" + (untouched ? "" : "changed");
    }
    if (op == "shortA") {  // PATH: the ANSI form of the same path, '?' for what the code page lacks
        const std::vector<WCHAR> wide = WideOf(ParseText(arg(1)).bytes);
        char path[1024], result[1024];
        if (WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, path, sizeof(path), nullptr, nullptr) == 0)
            return "conversion-failed";
        SetLastError(12345);
        const DWORD ret = GetShortPathNameA(path, result, sizeof(result));
        return "ret=" + Num(ret) + (ret == 0 ? " err=" + Num(GetLastError()) : " buf=" + Escape(result));
    }
    if (op == "reg") {  // KEYPATH NAME W|A SIZE|~
        HKEY key = nullptr;
        const LONG opened =
            RegOpenKeyExA(HKEY_CURRENT_USER, ParseText(arg(1)).c_str(), 0, KEY_QUERY_VALUE, &key);
        if (opened != ERROR_SUCCESS) return "open=" + Num(opened);
        const bool noData = arg(4) == "~";
        const DWORD given = noData ? 0 : static_cast<DWORD>(Number(arg(4)));
        DWORD size = given;
        std::vector<char> buffer(given + kGuard, static_cast<char>(kFill));
        DWORD type = 0xDEAD;
        LPBYTE data = noData ? nullptr : reinterpret_cast<LPBYTE>(buffer.data());
        const std::vector<WCHAR> name = WideOf(ParseText(arg(2)).bytes);
        const LONG status = arg(3) == "W" ? RegQueryValueExW(key, name.data(), nullptr, &type, data, &size)
                                          : RegQueryValueExA(key, ParseText(arg(2)).c_str(), nullptr, &type, data, &size);
        RegCloseKey(key);
        return "st=" + Num(status) + " type=" + Num(type) + " size=" + Num(size) + " buf=" + ShowBuffer(buffer, given);
    }
    if (op == "env") {  // SOURCE SIZE (in UTF-16 units)
        const std::vector<WCHAR> source = WideOf(ParseText(arg(1)).bytes);
        const size_t size = static_cast<size_t>(Number(arg(2)));
        std::vector<WCHAR> buffer(size + kGuard, kWideFill);
        const DWORD ret = ExpandEnvironmentStringsW(source.data(), size ? buffer.data() : nullptr, static_cast<DWORD>(size));
        return "ret=" + Num(ret) + " buf=" + ShowWide(buffer, size);
    }
    if (op == "fx") {  // FILE DIRECTORY W|A
        const Text file = ParseText(arg(1)), directory = ParseText(arg(2));
        const size_t size = 260;
        if (arg(3) == "A") {
            std::vector<char> buffer(size + kGuard, static_cast<char>(kFill));
            const std::string ansiFile = AnsiOf(file.bytes), ansiDirectory = AnsiOf(directory.bytes);
            const HINSTANCE result = FindExecutableA(file.null ? nullptr : ansiFile.c_str(),
                                                     directory.null ? nullptr : ansiDirectory.c_str(), buffer.data());
            return "ret=" + Num(static_cast<long long>(reinterpret_cast<ULONG_PTR>(result) & 0xFFFFFFFFu)) +
                   " buf=" + ShowBuffer(buffer, size);
        }
        const std::vector<WCHAR> wideFile = WideOf(file.bytes), wideDirectory = WideOf(directory.bytes);
        std::vector<WCHAR> buffer(size + kGuard, kWideFill);
        const HINSTANCE result = FindExecutableW(file.null ? nullptr : wideFile.data(),
                                                 directory.null ? nullptr : wideDirectory.data(), buffer.data());
        return "ret=" + Num(static_cast<long long>(reinterpret_cast<ULONG_PTR>(result) & 0xFFFFFFFFu)) +
               " buf=" + ShowWide(buffer, size);
    }
    if (op == "se") {  // FILE DIRECTORY: starts that must fail (nothing is there to start)
        const Text file = ParseText(arg(1)), directory = ParseText(arg(2));
        const HINSTANCE result = ShellExecuteA(nullptr, nullptr, file.c_str(), nullptr, directory.c_str(), SW_SHOWNORMAL);
        return "ret=" + Num(static_cast<long long>(reinterpret_cast<ULONG_PTR>(result) & 0xFFFFFFFFu));
    }
    if (op == "cd") {  // FOLDER RELATIVE: enters the folder, then looks the relative name up in ANSI
        const std::vector<WCHAR> folder = WideOf(ParseText(arg(1)).bytes);
        const Text relative = ParseText(arg(2));
        SetLastError(12345);
        const BOOL entered = SetCurrentDirectoryW(folder.data());
        std::string out = "cd=" + Num(entered) + (entered ? "" : "/" + Num(GetLastError()));
        out += " attr=" + Num(static_cast<long long>(GetFileAttributesA(relative.c_str())));
        char value[64];
        memset(value, kFill, sizeof(value));
        const DWORD got = GetPrivateProfileStringA("s", "k", "def", value, sizeof(value), relative.c_str());
        out += " ini=" + Num(got) + ":" + Escape(std::string(value, got));
        OFSTRUCT info;
        memset(&info, kFill, sizeof(info));
        const HFILE opened = OpenFile(relative.c_str(), &info, OF_EXIST);
        out += " of=" + Num(opened == HFILE_ERROR ? 0 : 1) + "/" + Num(info.nErrCode);
        return out;
    }
    if (op == "wpp") {  // FILE: the cache flush of a profile file
        const std::vector<WCHAR> file = WideOf(ParseText(arg(1)).bytes);
        return "ret=" + Num(WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.data()));
    }
    if (op == "mod") {  // DELTA: a buffer of the module path's length plus DELTA units (at least 1)
        std::vector<WCHAR> whole(1024, kWideFill);
        const DWORD length = GetModuleFileNameW(nullptr, whole.data(), static_cast<DWORD>(whole.size()));
        const long long wanted = static_cast<long long>(length) + Number(arg(1));
        const size_t size = static_cast<size_t>(wanted < 1 ? 1 : wanted);
        std::vector<WCHAR> buffer(size + kGuard, kWideFill);
        SetLastError(12345);
        const DWORD ret = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(size));
        const DWORD error = GetLastError();
        size_t end = 0;
        while (end < size && buffer[end] != 0) ++end;
        // Relative to the path's length, which differs between the two machines.
        return "ret=len" + (ret >= length ? "+" + Num(ret - length) : "-" + Num(length - ret)) +
               " err=" + Num(error == 12345 ? -1 : static_cast<long long>(error)) +
               " zero=" + (end < size ? "len" + std::string(end >= length ? "+" : "-") +
                                            Num(end >= length ? end - length : length - end)
                                      : std::string("none")) +
               " same=" + Num(std::equal(buffer.begin(), buffer.begin() + static_cast<long>(end), whole.begin())) +
               (std::find_if(buffer.begin() + static_cast<long>(size), buffer.end(),
                             [](WCHAR c) { return c != kWideFill; }) != buffer.end()
                    ? " +over"
                    : "");
    }
    if (op == "wow") {  // KEYPATH NAME
        BOOL wow64 = 7;
        const BOOL asked = IsWow64Process(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)), &wow64);
        std::string out = "ask=" + Num(asked) + " wow64=" + Num(wow64);
        for (REGSAM view : {static_cast<REGSAM>(0), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
            HKEY key = nullptr;
            const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, ParseText(arg(1)).c_str(), 0, KEY_QUERY_VALUE | view, &key);
            out += " open" + Num(view) + "=" + Num(opened);
            if (opened != ERROR_SUCCESS) continue;
            char data[64];
            DWORD size = sizeof(data), type = 0;
            const LONG status = RegQueryValueExA(key, ParseText(arg(2)).c_str(), nullptr, &type,
                                                 reinterpret_cast<LPBYTE>(data), &size);
            RegCloseKey(key);
            out += "/" + Num(status) + (status == ERROR_SUCCESS ? ":" + Escape(std::string(data, size)) : "");
        }
        return out;
    }
    return "bad-op " + op;
}

// ---- Message order ----

struct MessageRun {
    HWND window = nullptr;
    std::vector<std::string> reactions;  // "trigger:op", each fires once
    std::vector<bool> fired;
};
MessageRun Run;

LRESULT CALLBACK OrderWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DoOp(const std::string& op) {
    if (op.empty()) return;
    const long long n = Number(op.substr(1));
    switch (op[0]) {
        case 'P': PostMessageA(Run.window, WM_USER + static_cast<UINT>(n), 0, 0); break;
        case 'N': PostMessageA(nullptr, WM_USER + static_cast<UINT>(n), 0, 0); break;
        case 'Q': PostQuitMessage(static_cast<int>(n)); break;
        case 'I': RedrawWindow(Run.window, nullptr, nullptr, RDW_INVALIDATE); break;
        case 'K': KillTimer(Run.window, static_cast<UINT_PTR>(n)); break;
        case 'T': {
            const size_t comma = op.find(',');
            SetTimer(Run.window, static_cast<UINT_PTR>(n), static_cast<UINT>(Number(op.substr(comma + 1))), nullptr);
            break;
        }
    }
}

void React(const std::string& trigger) {
    for (size_t i = 0; i < Run.reactions.size(); ++i) {
        const std::string& reaction = Run.reactions[i];
        const size_t colon = reaction.find(':');
        if (!Run.fired[i] && reaction.compare(0, colon, trigger) == 0) {
            Run.fired[i] = true;
            DoOp(reaction.substr(colon + 1));
        }
    }
}

// The order GetMessageA hands out the scripted messages in, until WM_QUIT; only the kinds
// the script makes are recorded (Wine adds its own, which carry no order to compare).
std::string RunMessages(const std::vector<std::string>& args) {
    static const char* kClass = "TavioFidOrder";
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OrderWindowProcedure;
    windowClass.lpszClassName = kClass;
    RegisterClassA(&windowClass);  // under Wine it stays registered from the first case
    const bool visible = !args.empty() && args[0] == "v";
    Run = MessageRun();
    Run.window = CreateWindowExA(0, kClass, "order", WS_OVERLAPPED | (visible ? WS_VISIBLE : 0), 0, 0, 60, 40,
                                 nullptr, nullptr, nullptr, nullptr);
    if (Run.window == nullptr) return "setup-failed CreateWindowExA";
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i][0] == '@') Run.reactions.push_back(args[i].substr(1));
    Run.fired.assign(Run.reactions.size(), false);
    for (size_t i = 1; i < args.size(); ++i)
        if (args[i][0] != '@') DoOp(args[i]);
    std::string sequence;
    int ticks[10] = {};
    int paints = 0;
    MSG msg;
    for (int count = 0;; ++count) {
        if (count == 60) {
            sequence += ",...";
            break;
        }
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        std::string seen;
        if (got == 0) {
            seen = "q" + Num(static_cast<long long>(msg.wParam));
        } else if (got == -1) {
            seen = "error";
        } else if (msg.message >= WM_USER && msg.message < WM_USER + 100) {
            seen = (msg.hwnd == nullptr ? "n" : "u") + Num(msg.message - WM_USER);
            React("u" + Num(msg.message - WM_USER));
        } else if (msg.message == WM_TIMER && msg.hwnd == Run.window && msg.wParam < 10) {
            seen = "t" + Num(static_cast<long long>(msg.wParam));
            React(seen + "#" + Num(++ticks[msg.wParam]));
        } else if (msg.message == WM_PAINT && msg.hwnd == Run.window) {
            seen = "p";
            React("p#" + Num(++paints));
        }
        if (!seen.empty()) sequence += (sequence.empty() ? "" : ",") + seen;
        if (got == 0 || got == -1) break;
        DispatchMessageA(&msg);
    }
    for (UINT_PTR id = 0; id < 10; ++id) KillTimer(Run.window, id);
    DestroyWindow(Run.window);
    return "seq=" + sequence;
}

// ---- Named mutexes ----

// A sequence of calls on up to four handles: "cN NAME" creates (or opens) into slot N,
// "oN NAME" the same asking for initial ownership, "wN" waits for it with no time-out,
// "rN" releases it, "xN" closes it. Each call's result, with GetLastError where the call
// reports through it; every handle still open is closed at the end.
std::string RunMutexes(const std::vector<std::string>& args) {
    HANDLE slots[4] = {};
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& op = args[i];
        const size_t slot = op.size() == 2 && op[1] >= '0' && op[1] <= '3' ? static_cast<size_t>(op[1] - '0') : 4;
        if (slot == 4) return "bad-op " + op;
        std::string result;
        if ((op[0] == 'c' || op[0] == 'o') && i + 1 < args.size()) {
            const Text name = ParseText(args[++i]);
            SetLastError(12345);
            slots[slot] = CreateMutexA(nullptr, op[0] == 'o' ? TRUE : FALSE, name.c_str());
            result = std::string(slots[slot] != nullptr ? "h" : "null") + "/" + Num(GetLastError());
        } else if (op[0] == 'w') {
            const DWORD waited = WaitForSingleObject(slots[slot], 0);
            result = Num(static_cast<long long>(waited)) + (waited == WAIT_FAILED ? "/" + Num(GetLastError()) : "");
        } else if (op[0] == 'r' || op[0] == 'x') {
            const BOOL done = op[0] == 'r' ? ReleaseMutex(slots[slot]) : CloseHandle(slots[slot]);
            result = Num(done) + (done ? "" : "/" + Num(GetLastError()));
            if (op[0] == 'x' && done) slots[slot] = nullptr;
        } else {
            return "bad-op " + op;
        }
        out += (out.empty() ? "" : " ") + op + "=" + result;
    }
    for (HANDLE handle : slots)
        if (handle != nullptr) CloseHandle(handle);
    return out;
}

// ---- One case ----

struct Scene {
    bool open = false;
    std::vector<HWND> handles;
};
Scene Current;

void CloseScene() {
    if (!Current.open) return;
    fid::EndCase();
    Current = Scene();
}

// Applies the set-up tokens before "|"; returns the index after it.
bool SetUp(const std::vector<std::string>& t, size_t* next, std::vector<HWND>* handles, std::string* error) {
    std::vector<fid::WindowPlan> windows;
    size_t i = 2;
    while (i < t.size() && t[i] != "|") {
        const std::string& op = t[i];
        if (op == "f" && i + 2 < t.size()) {
            if (!fid::AddFile(ParseText(t[i + 1]).bytes, ParseText(t[i + 2]).bytes, error)) return false;
            i += 3;
        } else if (op == "d" && i + 1 < t.size()) {
            if (!fid::AddFolder(ParseText(t[i + 1]).bytes, error)) return false;
            i += 2;
        } else if (op == "r" && i + 5 < t.size()) {
            if (!fid::SetRegistry(t[i + 1], ParseText(t[i + 2]).bytes, ParseText(t[i + 3]),
                                  static_cast<DWORD>(Number(t[i + 4])), ParseText(t[i + 5]).bytes, error))
                return false;
            i += 6;
        } else if (op == "rw" && i + 5 < t.size()) {  // a string value written in Unicode
            if (!fid::SetRegistryText(t[i + 1], ParseText(t[i + 2]).bytes, ParseText(t[i + 3]).bytes,
                                      static_cast<DWORD>(Number(t[i + 4])), ParseText(t[i + 5]).bytes, error))
                return false;
            i += 6;
        } else if (op == "a" && i + 2 < t.size()) {
            if (!fid::AddAlias(ParseText(t[i + 1]).bytes, ParseText(t[i + 2]).bytes, error)) return false;
            i += 3;
        } else if (op == "e" && i + 2 < t.size()) {
            if (!fid::SetEnvironment(ParseText(t[i + 1]).bytes, ParseText(t[i + 2]).bytes, error)) return false;
            i += 3;
        } else if (op == "w" && i + 4 < t.size()) {
            windows.push_back(
                fid::WindowPlan{t[i + 1][0], t[i + 2] == "v", ParseText(t[i + 3]).bytes, ParseText(t[i + 4]).bytes});
            i += 5;
        } else {
            *error = "bad set-up token " + op;
            return false;
        }
    }
    *next = i < t.size() ? i + 1 : i;
    if (!windows.empty()) return fid::AddWindows(windows, handles, error);
    return true;
}

std::string Call(const std::string& area, const std::vector<std::string>& a) {
    auto arg = [&a](size_t i) { return i < a.size() ? a[i] : std::string("~"); };
    if (area == "profile") {
        const DWORD size = static_cast<DWORD>(Number(arg(3)));
        std::vector<char> buffer(size + kGuard, static_cast<char>(kFill));
        const Text section = ParseText(arg(0)), key = ParseText(arg(1)), fallback = ParseText(arg(2));
        const Text file = ParseText(arg(4));
        const DWORD ret = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                   size, file.c_str());
        return "ret=" + Num(ret) + " buf=" + ShowBuffer(buffer, size);
    }
    if (area == "pflush") {
        const Text file = ParseText(arg(0));
        return "ret=" + Num(WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str()));
    }
    if (area == "reg") {
        const Text keyPath = ParseText(arg(0)), name = ParseText(arg(1));
        HKEY key = nullptr;
        const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key);
        if (opened != ERROR_SUCCESS) return "open=" + Num(opened);
        const bool noData = arg(2) == "~";
        DWORD size = noData ? 0 : static_cast<DWORD>(Number(arg(2)));
        std::vector<char> buffer(size + kGuard, static_cast<char>(kFill));
        DWORD type = 0xDEAD;
        const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             noData ? nullptr : reinterpret_cast<LPBYTE>(buffer.data()), &size);
        RegCloseKey(key);
        const DWORD given = noData ? 0 : static_cast<DWORD>(Number(arg(2)));
        return "st=" + Num(status) + " type=" + Num(type) + " size=" + Num(size) + " buf=" + ShowBuffer(buffer, given);
    }
    if (area == "env") {
        const Text source = ParseText(arg(0));
        const DWORD size = static_cast<DWORD>(Number(arg(1)));
        std::vector<char> buffer(size + kGuard, static_cast<char>(kFill));
        const DWORD ret = ExpandEnvironmentStringsA(source.c_str(), buffer.data(), size);
        return "ret=" + Num(ret) + " buf=" + ShowBuffer(buffer, size);
    }
    if (area == "win") {
        const Text className = ParseText(arg(0)), title = ParseText(arg(1));
        const HWND found = FindWindowA(className.c_str(), title.c_str());
        if (found == nullptr) return "r=none";
        for (size_t i = 0; i < Current.handles.size(); ++i)
            if (Current.handles[i] == found) return "r=" + Num(static_cast<long long>(i));
        return "r=foreign";
    }
    if (area == "fx") {
        const Text file = ParseText(arg(0)), directory = ParseText(arg(1));
        const size_t size = 260;  // MAX_PATH, as the API asks of the result buffer
        std::vector<char> buffer(size + kGuard, static_cast<char>(kFill));
        const HINSTANCE result = FindExecutableA(file.c_str(), directory.c_str(), buffer.data());
        return "ret=" + Num(static_cast<long long>(reinterpret_cast<ULONG_PTR>(result) & 0xFFFFFFFFu)) +
               " buf=" + ShowBuffer(buffer, size);
    }
    if (area == "of") {
        const Text path = ParseText(arg(0));
        OFSTRUCT info;
        memset(&info, kFill, sizeof(info));
        const HFILE ret = OpenFile(path.c_str(), &info, OF_EXIST);
        // The full path only on success: after a failure the structure's text is not defined
        // (Wine leaves it as it was). fFixedDisk is not compared: Wine never sets it.
        const std::string name(info.szPathName, strnlen(info.szPathName, sizeof(info.szPathName)));
        return "ret=" + Num(ret) + " err=" + Num(info.nErrCode) + " cb=" + Num(info.cBytes) +
               (ret == HFILE_ERROR ? std::string() : " path=" + Escape(name));
    }
    if (area == "wide") return RunWide(a);
    if (area == "msg") return RunMessages(a);
    if (area == "mutex") return RunMutexes(a);
    return "bad-area";
}

void RunLine(const std::string& line) {
    const std::vector<std::string> t = fid::Split(line);
    if (t.size() < 2 || t[0][0] == '#') return;
    const std::string& area = t[0];
    const std::string prefix = area + " " + t[1] + " ";
    if (area == "win") {  // a query in the open scene, no set-up of its own
        if (!Current.open) {
            printf("%sno-scene\n", prefix.c_str());
            return;
        }
        std::vector<std::string> args(t.begin() + 3, t.end());
        printf("%s%s\n", prefix.c_str(), Call(area, args).c_str());
        return;
    }
    CloseScene();
    fid::BeginCase();
    std::vector<HWND> handles;
    std::string error;
    size_t next = 0;
    const bool ready = SetUp(t, &next, &handles, &error);
    if (area == "scene") {
        Current.open = true;
        Current.handles = handles;
        printf("%s%s\n", prefix.c_str(), ready ? "ok" : ("setup-failed " + error).c_str());
        return;
    }
    if (!ready) {
        printf("%ssetup-failed %s\n", prefix.c_str(), error.c_str());
    } else {
        std::vector<std::string> args(t.begin() + static_cast<long>(next), t.end());
        const std::string result = Call(area, args);
        const std::string failures = fid::CaseFailures();
        printf("%s%s%s\n", prefix.c_str(), result.c_str(),
               failures.empty() ? "" : (" sim-failure=" + Escape(failures)).c_str());
    }
    fid::EndCase();
}

}  // namespace

int main(int argc, char** argv) {
    if (fid::IsHelperCall(argc, argv)) return fid::HelperMain(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: probe CASEFILE\n");
        return 2;
    }
    FILE* cases = fopen(argv[1], "rb");
    if (cases == nullptr) {
        fprintf(stderr, "probe: cannot open %s\n", argv[1]);
        return 2;
    }
    fid::BeginRun();
    std::string line;
    int c;
    while ((c = fgetc(cases)) != EOF) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        RunLine(line);
        fflush(stdout);
        line.clear();
    }
    if (!line.empty()) RunLine(line);
    CloseScene();
    fid::EndRun();
    fclose(cases);
    return 0;
}

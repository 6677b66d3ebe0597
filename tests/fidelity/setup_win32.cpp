// The probe's set-up under Wine: real files, registry keys, variables and windows, each undone after its case.
#include <stdio.h>
#include <string.h>

#include <vector>

// First: the launcher's lean view of windows.h, before shlwapi.h would pull in all of it.
#include "fid_setup.h"
#include <shlwapi.h>

namespace fid {
namespace {

struct Undo {
    std::vector<std::string> files;    // deleted in reverse
    std::vector<std::string> folders;  // removed in reverse, after the files
    std::vector<std::pair<HKEY, std::string>> keys;  // deleted in reverse (each was made by us)
    std::vector<std::pair<HKEY, std::pair<std::string, std::string>>> values;  // written into keys we did not make
    std::vector<std::string> variables;
    std::vector<HWND> windows;
    std::vector<std::string> classes;
    HANDLE helper = nullptr;
    HANDLE helperInput = nullptr;  // closing it tells the helper to end
    std::wstring folder;           // the current folder before the case, which may change it
};

Undo Made;

// A marked text (fid_text.h) for the Unicode calls.
std::wstring Wide(const std::string& marked) {
    const std::u16string text = Utf16OfMarked(marked);
    return std::wstring(text.begin(), text.end());
}

// Whether a path needs the Unicode calls: the ANSI ones would get '?' for a character outside
// the code page.
bool Exists(const std::string& path) {
    return IsMarked(path) ? GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES
                          : GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
bool MakeFolder(const std::string& path) {
    return IsMarked(path) ? CreateDirectoryW(Wide(path).c_str(), nullptr) : CreateDirectoryA(path.c_str(), nullptr);
}
bool DeleteOne(const std::string& path) {
    return IsMarked(path) ? DeleteFileW(Wide(path).c_str()) : DeleteFileA(path.c_str());
}
bool RemoveFolder(const std::string& path) {
    return IsMarked(path) ? RemoveDirectoryW(Wide(path).c_str()) : RemoveDirectoryA(path.c_str());
}

std::string LastError(const char* what) {
    char text[64];
    snprintf(text, sizeof(text), " failed, error %lu", GetLastError());
    return what + std::string(text);
}

// Makes each missing folder above path, noting it for EndCase.
bool MakeParents(const std::string& path, std::string* error) {
    for (size_t i = 3; i < path.size(); ++i) {
        if (path[i] != '\\') continue;
        const std::string folder = path.substr(0, i);
        if (Exists(folder)) continue;
        if (!MakeFolder(folder)) {
            *error = LastError(("CreateDirectoryA " + Escape(folder)).c_str());
            return false;
        }
        Made.folders.push_back(folder);
    }
    return true;
}

LRESULT CALLBACK SceneWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterSceneClass(const std::string& name, std::vector<std::string>* registered) {
    for (const std::string& known : *registered)
        if (known == name) return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SceneWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name.c_str();
    if (RegisterClassA(&windowClass) == 0) return false;
    registered->push_back(name);
    return true;
}

HWND MakeSceneWindow(const WindowPlan& plan) {
    return CreateWindowExA(0, plan.className.c_str(), plan.title.c_str(),
                           WS_OVERLAPPED | (plan.visible ? WS_VISIBLE : 0), 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A token safe on a command line: quotes written as escapes, so argv splits only at blanks.
std::string ArgumentToken(const std::string& bytes) {
    std::string out;
    for (char c : Token(bytes)) out += c == '"' ? std::string("\\x22") : std::string(1, c);
    return out;
}

std::string PlanTokens(const WindowPlan& plan) {
    return std::string(1, plan.owner) + " " + (plan.visible ? "v" : "h") + " " + ArgumentToken(plan.className) + " " +
           ArgumentToken(plan.title);
}

// Starts the helper with the other process's windows and reads back their handles.
bool StartHelper(const std::vector<WindowPlan>& plans, std::vector<HWND>* handles, std::string* error) {
    std::string command = "\"";
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    command += module;
    command += "\" --helper";
    std::vector<size_t> indices;
    for (size_t i = 0; i < plans.size(); ++i)
        if (plans[i].owner == 'x') {
            command += " " + PlanTokens(plans[i]);
            indices.push_back(i);
        }
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE inRead, inWrite, outRead, outWrite;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0) || !CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        *error = LastError("CreatePipe");
        return false;
    }
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    const BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (!started) {
        *error = LastError("CreateProcessA helper");
        CloseHandle(inWrite);
        CloseHandle(outRead);
        return false;
    }
    CloseHandle(process.hThread);
    Made.helper = process.hProcess;
    Made.helperInput = inWrite;
    // One line: the handles in order, or "fail ...".
    std::string reply;
    char c;
    DWORD got = 0;
    while (ReadFile(outRead, &c, 1, &got, nullptr) && got == 1 && c != '\n') reply += c;
    CloseHandle(outRead);
    std::vector<std::string> tokens = Split(reply);
    if (tokens.size() != indices.size()) {
        *error = "helper said " + Escape(reply);
        return false;
    }
    for (size_t k = 0; k < indices.size(); ++k)
        (*handles)[indices[k]] = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(strtoul(tokens[k].c_str(), nullptr, 10)));
    return true;
}

void DeleteFidelityClasses(HKEY root) {
    HKEY classes;
    if (RegOpenKeyExA(root, "Software\\Classes", 0, KEY_READ, &classes) != ERROR_SUCCESS) return;
    std::vector<std::string> doomed;
    char name[512];
    for (DWORD i = 0; RegEnumKeyA(classes, i, name, sizeof(name)) == ERROR_SUCCESS; ++i)
        if (StrCmpNIA(name, ".q", 2) == 0 || StrCmpNIA(name, "TavioFid", 8) == 0) doomed.push_back(name);
    for (const std::string& key : doomed) SHDeleteKeyA(classes, key.c_str());
    RegCloseKey(classes);
}

}  // namespace

void BeginRun() {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\TavioFidelity");
    DeleteFidelityClasses(HKEY_LOCAL_MACHINE);
    DeleteFidelityClasses(HKEY_CURRENT_USER);
}

void EndRun() {
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\TavioFidelity");
    DeleteFidelityClasses(HKEY_LOCAL_MACHINE);
    DeleteFidelityClasses(HKEY_CURRENT_USER);
    RemoveDirectoryA("C:\\fid");
}

void BeginCase() {
    Made = Undo();
    wchar_t folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH) Made.folder = folder;
}

bool AddFolder(const std::string& path, std::string* error) {
    if (!MakeParents(path + "\\", error)) return false;
    return true;
}

bool AddFile(const std::string& path, const std::string& bytes, std::string* error) {
    if (!MakeParents(path, error)) return false;
    HANDLE file = IsMarked(path) ? CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = LastError(("CreateFileA " + Escape(path)).c_str());
        return false;
    }
    Made.files.push_back(path);
    DWORD written = 0;
    const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) {
        *error = LastError(("WriteFile " + Escape(path)).c_str());
        return false;
    }
    return true;
}

// Opens root\keyPath (HKEY_CLASSES_ROOT as below), making each missing key and noting it for EndCase.
static bool MakeKey(const std::string& root, const std::string& keyPath, HKEY* base, std::string* full, HKEY* made,
             bool* ours, std::string* error) {
    // Wine 8 shows HKLM\Software\Classes as HKEY_CLASSES_ROOT; keys written under
    // HKCU\Software\Classes were not found through it (RegOpenKeyExA gave 2).
    *base = root == "cr" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    *full = (root == "cr" ? "Software\\Classes\\" : "") + keyPath;
    // Key by key, so that EndCase deletes exactly the keys this case made.
    std::string path;
    size_t start = 0;
    HKEY key = nullptr;
    while (start <= full->size()) {
        size_t end = full->find('\\', start);
        if (end == std::string::npos) end = full->size();
        path = full->substr(0, end);
        DWORD disposition = 0;
        if (key != nullptr) RegCloseKey(key);
        key = nullptr;
        if (RegCreateKeyExA(*base, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            &disposition) != ERROR_SUCCESS) {
            *error = LastError(("RegCreateKeyExA " + Escape(path)).c_str());
            return false;
        }
        if (disposition == REG_CREATED_NEW_KEY) Made.keys.push_back({*base, path});
        start = end + 1;
    }
    *ours = false;
    for (const auto& k : Made.keys) *ours = *ours || (k.first == *base && k.second == *full);
    *made = key;
    return true;
}

bool SetRegistry(const std::string& root, const std::string& keyPath, const Text& valueName, DWORD type,
                 const std::string& bytes, std::string* error) {
    HKEY base, key;
    std::string full;
    bool ours;
    if (!MakeKey(root, keyPath, &base, &full, &key, &ours, error)) return false;
    LONG status = ERROR_SUCCESS;
    if (!valueName.null) {
        // The byte after the data is not zero: RegSetValueExA counts a string's terminator
        // in when the caller left it just outside the count (Wine does, "as NT does"), and
        // an unterminated string must stay unterminated.
        std::vector<BYTE> data(bytes.begin(), bytes.end());
        data.push_back('X');
        status = RegSetValueExA(key, valueName.c_str(), 0, type, data.data(), static_cast<DWORD>(bytes.size()));
        if (!ours) Made.values.push_back({base, {full, valueName.bytes}});
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastError(status);
        *error = LastError(("RegSetValueExA " + Escape(full)).c_str());
        return false;
    }
    return true;
}

bool SetRegistryText(const std::string& root, const std::string& keyPath, const std::string& valueName, DWORD type,
                     const std::string& text, std::string* error) {
    HKEY base, key;
    std::string full;
    bool ours;
    if (!MakeKey(root, keyPath, &base, &full, &key, &ours, error)) return false;
    const std::wstring data = Wide(text);
    const LONG status = RegSetValueExW(key, Wide(valueName).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (!ours) Made.values.push_back({base, {full, valueName}});
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastError(status);
        *error = LastError(("RegSetValueExW " + Escape(full)).c_str());
        return false;
    }
    return true;
}

bool AddAlias(const std::string& path, const std::string& alias, std::string* error) { return true; }

bool SetEnvironment(const std::string& name, const std::string& value, std::string* error) {
    if (IsMarked(value) ? !SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str())
                        : !SetEnvironmentVariableA(name.c_str(), value.c_str())) {
        *error = LastError(("SetEnvironmentVariableA " + Escape(name)).c_str());
        return false;
    }
    Made.variables.push_back(name);
    return true;
}

bool AddWindows(const std::vector<WindowPlan>& plans, std::vector<HWND>* handles, std::string* error) {
    handles->assign(plans.size(), nullptr);
    bool others = false;
    for (const WindowPlan& plan : plans) others = others || plan.owner == 'x';
    if (others && !StartHelper(plans, handles, error)) return false;
    for (size_t i = 0; i < plans.size(); ++i) {
        if (plans[i].owner == 'x') continue;
        if (!RegisterSceneClass(plans[i].className, &Made.classes)) {
            *error = LastError(("RegisterClassA " + Escape(plans[i].className)).c_str());
            return false;
        }
        if (plans[i].owner == 'c') continue;
        (*handles)[i] = MakeSceneWindow(plans[i]);
        if ((*handles)[i] == nullptr) {
            *error = LastError(("CreateWindowExA " + Escape(plans[i].className)).c_str());
            return false;
        }
        Made.windows.push_back((*handles)[i]);
    }
    return true;
}

std::string CaseFailures() { return std::string(); }

void EndCase() {
    for (size_t i = Made.windows.size(); i-- > 0;) DestroyWindow(Made.windows[i]);
    // Whatever a case left in the queue must not reach the next case. Its windows are gone
    // first: an unpainted visible window would make WM_PAINT for ever.
    MSG left;
    for (int i = 0; i < 10000 && PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE); ++i) {
    }
    for (const std::string& name : Made.classes) UnregisterClassA(name.c_str(), GetModuleHandleA(nullptr));
    if (Made.helper != nullptr) {
        CloseHandle(Made.helperInput);
        WaitForSingleObject(Made.helper, 10000);
        CloseHandle(Made.helper);
    }
    for (const std::string& name : Made.variables) SetEnvironmentVariableA(name.c_str(), nullptr);
    for (const auto& value : Made.values) {
        HKEY key;
        if (RegOpenKeyExA(value.first, value.second.first.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, value.second.second.c_str());
            RegCloseKey(key);
        }
    }
    for (size_t i = Made.keys.size(); i-- > 0;) SHDeleteKeyA(Made.keys[i].first, Made.keys[i].second.c_str());
    // A case may have entered one of its folders: it could not be removed.
    if (!Made.folder.empty()) SetCurrentDirectoryW(Made.folder.c_str());
    for (size_t i = Made.files.size(); i-- > 0;) DeleteOne(Made.files[i]);
    for (size_t i = Made.folders.size(); i-- > 0;) RemoveFolder(Made.folders[i]);
    Made = Undo();
}

bool IsHelperCall(int argc, char** argv) { return argc >= 2 && strcmp(argv[1], "--helper") == 0; }

// The other process: makes its windows, reports their handles, and keeps them until its
// input closes.
int HelperMain(int argc, char** argv) {
    std::vector<std::string> registered;
    std::string reply;
    for (int i = 2; i + 3 < argc; i += 4) {
        WindowPlan plan{'x', strcmp(argv[i + 1], "v") == 0, ParseText(argv[i + 2]).bytes, ParseText(argv[i + 3]).bytes};
        HWND window = nullptr;
        if (RegisterSceneClass(plan.className, &registered)) window = MakeSceneWindow(plan);
        if (window == nullptr) {
            printf("fail %lu\n", GetLastError());
            fflush(stdout);
            return 1;
        }
        char number[32];
        snprintf(number, sizeof(number), "%s%lu", reply.empty() ? "" : " ",
                 static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
        reply += number;
    }
    printf("%s\n", reply.c_str());
    fflush(stdout);
    char c;
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1) {
    }
    return 0;
}

}  // namespace fid

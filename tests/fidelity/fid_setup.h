// The probe's set-up of one case, done through the simulation's control calls (host) or real Win32 calls (Wine).
//
// Both builds lay out the same machine: files and folders under C:\fid, registry values
// under HKEY_CURRENT_USER (class registrations under HKEY_CLASSES_ROOT; under Wine they are
// written to HKLM\Software\Classes, which Wine shows as that root), environment variables and
// top-level windows of this process and of another one. EndCase undoes the case's set-up.
#ifndef TAVIO_TESTS_FIDELITY_FID_SETUP_H
#define TAVIO_TESTS_FIDELITY_FID_SETUP_H

#include <string>
#include <vector>

#include "fid_text.h"
#include "platform_windows.h"

namespace fid {

struct WindowPlan {
    char owner;  // 'o' this process, 'x' another process, 'c' only the class, registered by this process
    bool visible;
    std::string className;
    std::string title;
};

// Once per run: what earlier runs left behind goes.
void BeginRun();
void EndRun();
void BeginCase();
// Each returns false with *error set when the set-up cannot be made.
bool AddFolder(const std::string& path, std::string* error);
bool AddFile(const std::string& path, const std::string& bytes, std::string* error);
// root "cu" (HKEY_CURRENT_USER) or "cr" (HKEY_CLASSES_ROOT).
bool SetRegistry(const std::string& root, const std::string& keyPath, const Text& valueName, DWORD type,
                 const std::string& bytes, std::string* error);
// A string value written through the Unicode call, with its terminator: text in the marked
// form of fid_text.h, so a name outside the ANSI code page is stored whole.
bool SetRegistryText(const std::string& root, const std::string& keyPath, const std::string& valueName, DWORD type,
                     const std::string& text, std::string* error);
bool SetEnvironment(const std::string& name, const std::string& value, std::string* error);
// The 8.3 alias Windows would give an existing file or folder, on the simulated volume only:
// Wine's file system makes its own.
bool AddAlias(const std::string& path, const std::string& alias, std::string* error);
// handles[i] is the window of plans[i] (null for a class alone).
bool AddWindows(const std::vector<WindowPlan>& plans, std::vector<HWND>* handles, std::string* error);
void EndCase();
// What the simulation itself reported as wrong during the case ("" under Wine).
std::string CaseFailures();

// The Win32 probe's helper process, which owns the "other process" windows; the host has none.
bool IsHelperCall(int argc, char** argv);
int HelperMain(int argc, char** argv);

}  // namespace fid

#endif

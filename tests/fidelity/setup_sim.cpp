// The probe's set-up on the host: each case starts from a fresh simulated machine.
#include <vector>

#include "fid_setup.h"
#include "sim.h"

namespace fid {
namespace {

LRESULT CALLBACK SceneWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void BeginRun() {}
void EndRun() {}
void BeginCase() { sim::Reset(); }

bool AddFolder(const std::string& path, std::string* error) {
    sim::AddFolder(path.c_str());
    return true;
}

bool AddFile(const std::string& path, const std::string& bytes, std::string* error) {
    sim::AddFile(path.c_str(), bytes);
    return true;
}

bool SetRegistry(const std::string& root, const std::string& keyPath, const Text& valueName, DWORD type,
                 const std::string& bytes, std::string* error) {
    const HKEY base = root == "cr" ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
    if (valueName.null)
        sim::AddRegistryKey(base, keyPath.c_str());
    else
        sim::SetRegistryValue(base, keyPath.c_str(), valueName.c_str(), type, bytes.data(),
                              static_cast<DWORD>(bytes.size()));
    return true;
}

bool SetRegistryText(const std::string& root, const std::string& keyPath, const std::string& valueName, DWORD type,
                     const std::string& text, std::string* error) {
    sim::SetRegistryString(root == "cr" ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER, keyPath.c_str(), valueName.c_str(),
                           text, type);
    return true;
}

bool AddAlias(const std::string& path, const std::string& alias, std::string* error) {
    sim::SetShortName(path.c_str(), alias.c_str());
    return true;
}

bool SetEnvironment(const std::string& name, const std::string& value, std::string* error) {
    sim::SetEnvironmentVariable(name.c_str(), value.c_str());
    return true;
}

bool AddWindows(const std::vector<WindowPlan>& plans, std::vector<HWND>* handles, std::string* error) {
    handles->assign(plans.size(), nullptr);
    // As under Wine: the helper process makes the other process's windows first, then this
    // process registers its classes and makes its windows, each new one on top.
    for (size_t i = 0; i < plans.size(); ++i)
        if (plans[i].owner == 'x')
            (*handles)[i] =
                sim::AddOtherProcessWindow(plans[i].className.c_str(), plans[i].title.c_str(), plans[i].visible);
    std::vector<std::string> registered;
    for (size_t i = 0; i < plans.size(); ++i) {
        if (plans[i].owner == 'x') continue;
        bool known = false;
        for (const std::string& name : registered) known = known || name == plans[i].className;
        if (!known) {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = SceneWindowProcedure;
            windowClass.lpszClassName = plans[i].className.c_str();
            if (RegisterClassA(&windowClass) == 0) {
                *error = "RegisterClassA " + Escape(plans[i].className);
                return false;
            }
            registered.push_back(plans[i].className);
        }
        if (plans[i].owner == 'c') continue;
        (*handles)[i] = CreateWindowExA(0, plans[i].className.c_str(), plans[i].title.c_str(),
                                        WS_OVERLAPPED | (plans[i].visible ? WS_VISIBLE : 0), 0, 0, 100, 100,
                                        nullptr, nullptr, nullptr, nullptr);
        if ((*handles)[i] == nullptr) {
            *error = "CreateWindowExA " + Escape(plans[i].className);
            return false;
        }
    }
    return true;
}

void EndCase() {}

std::string CaseFailures() {
    std::string text;
    for (const std::string& failure : sim::Failures()) text += (text.empty() ? "" : "; ") + failure;
    return text;
}

bool IsHelperCall(int argc, char** argv) { return false; }
int HelperMain(int argc, char** argv) { return 2; }

}  // namespace fid

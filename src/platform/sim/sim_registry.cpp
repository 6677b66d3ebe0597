// The simulated registry: four predefined roots, keys by case-insensitive path, values of any type, read-only calls.
#include <string.h>

#include <map>
#include <memory>
#include <vector>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

struct RegistryValue {
    std::string name;
    DWORD type;
    std::string data;  // the bytes as stored, terminator included only if the writer gave one
};

struct RegistryKey;
using Subkeys = std::map<std::string, std::unique_ptr<RegistryKey>>;
using Values = std::map<std::string, RegistryValue>;

struct RegistryKey {
    std::string name;
    Subkeys subkeys;  // by folded name
    Values values;    // by folded name; "" is the default value
};

struct RegistryState {
    RegistryKey roots[4];
    std::vector<RegistryKey*> handles;  // opened keys; a closed slot is null
    // Entries a reset took out of the keys, emptied, for the keys and values set up next
    // (as the file system keeps its entries: a run then allocates nothing for them).
    std::vector<Subkeys::node_type> spareKeys;
    std::vector<Values::node_type> spareValues;
};

RegistryState Registry;

// Takes every subkey and value of key out into the spares, emptied.
void Dismantle(RegistryKey* key) {
    while (!key->values.empty()) {
        Values::node_type entry = key->values.extract(key->values.begin());
        KeepOnHeap(entry.key());
        KeepOnHeap(entry.mapped().name);
        KeepOnHeap(entry.mapped().data);
        entry.mapped().name.clear();
        entry.mapped().data.clear();
        Registry.spareValues.push_back(std::move(entry));
    }
    while (!key->subkeys.empty()) {
        Subkeys::node_type entry = key->subkeys.extract(key->subkeys.begin());
        Dismantle(entry.mapped().get());
        KeepOnHeap(entry.key());
        KeepOnHeap(entry.mapped()->name);
        entry.mapped()->name.clear();
        Registry.spareKeys.push_back(std::move(entry));
    }
}

}  // namespace

void ResetRegistry() {
    for (RegistryKey& root : Registry.roots) Dismantle(&root);
    Registry.handles.clear();
}

namespace {

constexpr LSTATUS kErrorInvalidHandle = 6;
constexpr LSTATUS kErrorBadPathname = 161;
constexpr ULONG_PTR kFirstHandle = 0x1000;  // opened keys' handles: kFirstHandle + 4 * slot

RegistryKey* RootOf(HKEY root) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(root);
    for (int i = 0; i < 4; ++i)
        if (value == reinterpret_cast<ULONG_PTR>(HKEY_CLASSES_ROOT) + static_cast<ULONG_PTR>(i))
            return &Registry.roots[i];
    return nullptr;
}

// A predefined root or a handle the logic opened and has not closed.
RegistryKey* KeyOf(HKEY key) {
    if (RegistryKey* root = RootOf(key)) return root;
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(key);
    if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return nullptr;
    const size_t slot = (value - kFirstHandle) / 4;
    return slot < Registry.handles.size() ? Registry.handles[slot] : nullptr;
}

// The next part of a key path from *pos, up to the next backslash; empty parts are skipped.
bool NextKeyPart(std::string_view path, size_t* pos, std::string_view* part) {
    while (*pos < path.size() && path[*pos] == '\\') ++*pos;
    if (*pos == path.size()) return false;
    size_t end = *pos;
    while (end < path.size() && path[end] != '\\') ++end;
    *part = path.substr(*pos, end - *pos);
    *pos = end;
    return true;
}

RegistryKey* FindKey(RegistryKey* key, std::string_view path) {
    std::string_view part;
    for (size_t pos = 0; NextKeyPart(path, &pos, &part);) {
        auto it = key->subkeys.find(FoldedInBuffer(part));
        if (it == key->subkeys.end()) return nullptr;
        key = it->second.get();
    }
    return key;
}

// The keys under HKEY_LOCAL_MACHINE\Software that both views share on Windows 7 and later
// ("Registry Keys Affected by WOW64" in Microsoft's documentation), as far as the simulation
// needs them: a record there is found in either view.
const char* const kSharedKeys[] = {"CLIENTS", "POLICIES", "REGISTEREDAPPLICATIONS", "WOW6432NODE"};

// The path a 32-bit process on 64-bit Windows (wow64) opens for root\path: Software\X becomes
// Software\WOW6432Node\X, unless KEY_WOW64_64KEY asks for the key as named.
std::string ViewOf(HKEY root, std::string_view path, REGSAM access, bool wow64) {
    std::string view(path);
    if (!wow64 || (access & KEY_WOW64_64KEY) || root != HKEY_LOCAL_MACHINE) return view;
    std::string_view first, second;
    size_t pos = 0;
    if (!NextKeyPart(path, &pos, &first) || FoldKey(std::string(first)) != "SOFTWARE") return view;
    const size_t after = pos;
    if (NextKeyPart(path, &pos, &second)) {
        const std::string folded = FoldKey(std::string(second));
        for (const char* shared : kSharedKeys)
            if (folded == shared) return view;
    }
    return std::string(path.substr(0, after)) + "\\WOW6432Node" + std::string(path.substr(after));
}

RegistryKey* MakeKey(HKEY root, const char* path) {
    RegistryKey* key = RootOf(root);
    if (key == nullptr) {
        AddFailure("registry set-up: not a predefined root");
        return nullptr;
    }
    const std::string_view keyPath = path ? path : "";
    std::string_view part;
    for (size_t pos = 0; NextKeyPart(keyPath, &pos, &part);) {
        const std::string& folded = FoldedInBuffer(part);
        auto found = key->subkeys.find(folded);
        if (found != key->subkeys.end()) {
            key = found->second.get();
            continue;
        }
        RegistryKey* child;
        if (Registry.spareKeys.empty()) {
            std::unique_ptr<RegistryKey>& slot = key->subkeys[folded];
            slot.reset(new RegistryKey);
            child = slot.get();
        } else {
            Subkeys::node_type entry = std::move(Registry.spareKeys.back());
            Registry.spareKeys.pop_back();
            entry.key() = folded;
            child = entry.mapped().get();
            key->subkeys.insert(std::move(entry));
        }
        child->name = part;
        key = child;
    }
    return key;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

bool ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName, DWORD* type,
                       std::string* data) {
    RegistryKey* key = KeyOf(root);
    if (key == nullptr || (key = FindKey(key, keyPath)) == nullptr) return false;
    auto it = key->values.find(FoldedInBuffer(valueName));
    if (it == key->values.end()) return false;
    *type = it->second.type;
    *data = it->second.data;
    return true;
}

bool RegistryKeyExists(HKEY root, const std::string& keyPath) {
    RegistryKey* key = KeyOf(root);
    return key != nullptr && FindKey(key, keyPath) != nullptr;
}

bool ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName, std::string* text) {
    DWORD type = REG_NONE;
    std::string data;
    if (!ReadRegistryValue(root, keyPath, valueName, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    *text = data.substr(0, data.find('\0'));
    return true;
}

}  // namespace internal

void AddRegistryKey(HKEY root, const char* keyPath) { internal::MakeKey(root, keyPath); }

std::string Wow64KeyPath(HKEY root, const char* keyPath) {
    return internal::ViewOf(root, keyPath != nullptr ? keyPath : "", 0, true);
}

void SetRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD type, const void* data, DWORD size) {
    internal::RegistryKey* key = internal::MakeKey(root, keyPath);
    if (key == nullptr) return;
    const std::string_view name = valueName ? valueName : "";
    const std::string& folded = internal::FoldedInBuffer(name);
    std::vector<internal::Values::node_type>& spare = internal::Registry.spareValues;
    auto found = key->values.find(folded);
    if (found == key->values.end() && !spare.empty()) {
        internal::Values::node_type entry = std::move(spare.back());
        spare.pop_back();
        entry.key() = folded;
        found = key->values.insert(std::move(entry)).position;
    }
    internal::RegistryValue& value = found != key->values.end() ? found->second : key->values[folded];
    value.name = name;
    value.type = type;
    value.data.assign(static_cast<const char*>(data), data ? size : 0);
}

void SetRegistryString(HKEY root, const char* keyPath, const char* valueName, const std::string& text, DWORD type) {
    SetRegistryValue(root, keyPath, valueName, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

int OpenRegistryKeyCount() {
    int open = 0;
    for (const internal::RegistryKey* key : internal::Registry.handles)
        if (key != nullptr) ++open;
    return open;
}

}  // namespace sim

using namespace sim::internal;

LSTATUS WINAPI RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    long long planned = 0;
    if (PlannedFailure("RegOpenKeyExA", &planned)) {
        if (result != nullptr) *result = nullptr;
        return static_cast<LSTATUS>(planned);
    }
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    RegistryKey* key = KeyOf(root);
    if (key == nullptr) return kErrorInvalidHandle;
    const std::string_view path = subKey ? subKey : "";
    if (!path.empty() && path[0] == '\\') return kErrorBadPathname;  // NT refuses a leading backslash
    key = FindKey(key, ViewOf(root, path, access, Process.wow64));
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    // An empty or null subkey opens the same key again, under a handle of its own.
    Registry.handles.push_back(key);
    *result = reinterpret_cast<HKEY>(kFirstHandle + 4 * (Registry.handles.size() - 1));
    return ERROR_SUCCESS;
}

namespace {

// Both forms of RegQueryValueEx over the value's bytes as the form gives them: a string
// type in ANSI ('?' for a character the code page lacks) or in UTF-16.
LSTATUS QueryValue(HKEY key, const std::string& name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size,
                   bool wide) {
    if ((data != nullptr && size == nullptr) || reserved != nullptr) return ERROR_INVALID_PARAMETER;
    RegistryKey* node = KeyOf(key);
    if (node == nullptr) return kErrorInvalidHandle;
    auto it = node->values.find(FoldedInBuffer(name));
    if (it == node->values.end()) {
        // Wine clears the type (NT leaves no defined value there), and without a buffer the
        // size too (NT does the same: Wine's registry tests).
        if (type != nullptr) *type = 0;
        if (data == nullptr && size != nullptr) *size = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    const RegistryValue& value = it->second;
    static std::string bytes;  // kept between calls, as the file calls keep theirs
    if (!IsStringType(value.type)) {
        bytes = value.data;
    } else if (!wide) {
        bytes = AnsiFromInternal(value.data);
    } else {
        const std::u16string text = WideFromInternal(value.data);
        bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(WCHAR));
    }
    const DWORD length = static_cast<DWORD>(bytes.size());
    LSTATUS status = ERROR_SUCCESS;
    if (data != nullptr && length > 0) {
        if (length > *size) {
            status = ERROR_MORE_DATA;  // the buffer stays untouched
        } else {
            memcpy(data, bytes.data(), length);
            // A string stored without its terminator gets one from the ANSI form where the
            // buffer has room; the count still excludes it. The Unicode form adds none.
            if (!wide && IsStringType(value.type) && length < *size && data[length - 1] != 0) data[length] = 0;
        }
    }
    if (type != nullptr) *type = value.type;
    if (size != nullptr) *size = length;
    return status;
}

}  // namespace

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    long long planned = 0;
    if (PlannedFailure("RegQueryValueExA", &planned)) return static_cast<LSTATUS>(planned);
    return QueryValue(key, name ? name : "", reserved, type, data, size, false);
}

LSTATUS WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    long long planned = 0;
    if (PlannedFailure("RegQueryValueExW", &planned)) return static_cast<LSTATUS>(planned);
    if (UnicodeCallOn95()) return ERROR_CALL_NOT_IMPLEMENTED;
    return QueryValue(key, InternalFromWide(name, WideLength(name)), reserved, type, data, size, true);
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    long long planned = 0;
    if (PlannedFailure("RegCloseKey", &planned)) return static_cast<LSTATUS>(planned);
    if (RootOf(key) != nullptr) return ERROR_SUCCESS;  // closing a predefined root does nothing
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(key);
    if (KeyOf(key) == nullptr) return kErrorInvalidHandle;
    Registry.handles[(value - kFirstHandle) / 4] = nullptr;
    return ERROR_SUCCESS;
}

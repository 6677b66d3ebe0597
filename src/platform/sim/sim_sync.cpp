// Simulated kernel objects: named mutexes, shared by this process and scripted other processes.
//
// Choices where Windows leaves room or the simulation must pick one:
// - This process has one thread; a mutex is owned by it, by "another process", or by nobody.
// - A wait that cannot be satisfied at once lets virtual time run through the events
//   scheduled with sim::At (what the other processes do) until the mutex is free or the
//   time-out has passed. This thread's messages and timers are not handled meanwhile, as
//   in a real WaitForSingleObject.
// - Names as Windows and Wine take them: compared with letter case, at most MAX_PATH
//   characters. The NT family keeps named objects in folders: "Local\" names this session's
//   folder (where a plain name goes too), "Global\" the machine's, and any other backslash
//   names a folder that does not exist. The 95/98 family has no folders: a backslash is a
//   plain character there.
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

constexpr size_t kMaxName = 260;  // MAX_PATH characters, not counting the terminator
constexpr DWORD kErrorFilenameExcedRange = 206;

enum class Owner { Nobody, ThisThread, OtherProcess };

struct MutexObject {
    bool alive = false;
    std::string key;  // its name in the simulation's one namespace; "" for an unnamed mutex
    Owner owner = Owner::Nobody;
    DWORD count = 0;         // this thread's acquisitions not yet released
    bool abandoned = false;  // its owner ended without releasing it
    int handlesHere = 0;
    bool heldElsewhere = false;  // another process keeps a handle
};

struct SyncState {
    std::vector<MutexObject> objects;     // an object's index is its identity; never reused
    std::map<ULONG_PTR, size_t> handles;  // this process's handles
    ULONG_PTR nextHandle = 0x1000;
};

SyncState Sync;

}  // namespace

void ResetSync() {
    SyncState fresh;
    KeepBuffer(fresh.objects, Sync.objects);
    Sync = std::move(fresh);
}

namespace {

bool Family95() { return (Process.version & 0x80000000u) != 0; }

// The name as the object manager files it; false with the error set when it cannot.
bool NamespaceKey(const char* name, std::string* key, DWORD* error) {
    if (strlen(name) > kMaxName) {
        *error = kErrorFilenameExcedRange;
        return false;
    }
    std::string rest = name;
    std::string folder;
    if (!Family95()) {
        if (rest.compare(0, 6, "Local\\") == 0) {
            rest = rest.substr(6);
        } else if (rest.compare(0, 7, "Global\\") == 0) {
            folder = "Global\\";
            rest = rest.substr(7);
        }
        if (rest.find('\\') != std::string::npos) {
            *error = ERROR_PATH_NOT_FOUND;
            return false;
        }
    }
    *key = folder + rest;
    return true;
}

MutexObject* FindNamed(const std::string& key) {
    if (key.empty()) return nullptr;
    for (MutexObject& object : Sync.objects)
        if (object.alive && object.key == key) return &object;
    return nullptr;
}

MutexObject* ByHandle(HANDLE handle) {
    auto it = Sync.handles.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == Sync.handles.end() ? nullptr : &Sync.objects[it->second];
}

HANDLE NewHandle(size_t index) {
    const ULONG_PTR value = Sync.nextHandle;
    Sync.nextHandle += 4;
    Sync.handles[value] = index;
    ++Sync.objects[index].handlesHere;
    return reinterpret_cast<HANDLE>(value);
}

// A mutex nothing refers to any more is gone, its name free again; one still owned is
// abandoned with it, which no one can see.
void DropIfUnreferenced(MutexObject& object) {
    if (object.handlesHere == 0 && !object.heldElsewhere) object = MutexObject();
}

}  // namespace
}  // namespace internal

void OtherProcessHoldsMutex(const char* name) {
    internal::MutexObject* object = internal::FindNamed(name);
    if (object == nullptr) {
        internal::Sync.objects.emplace_back();
        object = &internal::Sync.objects.back();
        object->alive = true;
        object->key = name;
    }
    if (object->owner != internal::Owner::Nobody) {
        internal::AddFailure(std::string("OtherProcessHoldsMutex: \"") + name + "\" is owned already");
        return;
    }
    object->owner = internal::Owner::OtherProcess;
    object->abandoned = false;
    object->heldElsewhere = true;
}

void OtherProcessReleasesMutex(const char* name, bool abandoned) {
    internal::MutexObject* object = internal::FindNamed(name);
    if (object == nullptr || object->owner != internal::Owner::OtherProcess) {
        internal::AddFailure(std::string("OtherProcessReleasesMutex: no other process owns \"") + name + "\"");
        return;
    }
    object->owner = internal::Owner::Nobody;
    object->abandoned = abandoned;
    object->heldElsewhere = false;
    internal::DropIfUnreferenced(*object);
}

MutexInfo Mutex(const char* name) {
    const internal::MutexObject* object = internal::FindNamed(name);
    if (object == nullptr) return MutexInfo{false, false, false, 0};
    return MutexInfo{true, object->owner == internal::Owner::ThisThread, object->owner == internal::Owner::OtherProcess,
                     object->handlesHere};
}

int OpenHandleCount() { return static_cast<int>(internal::Sync.handles.size()); }

}  // namespace sim

using sim::internal::PlannedFailure;

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name) {
    long long planned = 0;
    if (PlannedFailure("CreateMutexA", &planned)) return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(planned));
    sim::internal::AddTrace({"CreateMutexA ", name != nullptr ? name : "<null>"});
    std::string key;
    DWORD error = 0;
    if (name != nullptr && !sim::internal::NamespaceKey(name, &key, &error)) {
        SetLastError(error);
        return nullptr;
    }
    // Opening an existing mutex leaves its ownership alone, whatever initialOwner says.
    if (sim::internal::MutexObject* existing = sim::internal::FindNamed(key)) {
        const HANDLE handle =
            sim::internal::NewHandle(static_cast<size_t>(existing - sim::internal::Sync.objects.data()));
        SetLastError(ERROR_ALREADY_EXISTS);
        return handle;
    }
    sim::internal::Sync.objects.emplace_back();
    sim::internal::MutexObject& object = sim::internal::Sync.objects.back();
    object.alive = true;
    object.key = key;
    if (initialOwner) {
        object.owner = sim::internal::Owner::ThisThread;
        object.count = 1;
    }
    const HANDLE handle = sim::internal::NewHandle(sim::internal::Sync.objects.size() - 1);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    long long planned = 0;
    if (PlannedFailure("WaitForSingleObject", &planned)) return static_cast<DWORD>(planned);
    const std::string wait = std::to_string(milliseconds);
    auto trace = [&wait](const char* outcome) {
        sim::internal::AddTrace({"WaitForSingleObject ", wait, " ", outcome});
    };
    if (sim::internal::ByHandle(handle) == nullptr) {
        trace("WAIT_FAILED");
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const unsigned long long deadline =
        milliseconds == INFINITE ? ~0ull : static_cast<unsigned long long>(sim::internal::Clock.now) + milliseconds;
    for (;;) {
        // Looked up again after each event: the events may add objects.
        sim::internal::MutexObject& object = *sim::internal::ByHandle(handle);
        if (object.owner == sim::internal::Owner::ThisThread) {
            ++object.count;
            trace("WAIT_OBJECT_0");
            return WAIT_OBJECT_0;
        }
        if (object.owner == sim::internal::Owner::Nobody) {
            object.owner = sim::internal::Owner::ThisThread;
            object.count = 1;
            const bool abandoned = object.abandoned;
            object.abandoned = false;
            trace(abandoned ? "WAIT_ABANDONED" : "WAIT_OBJECT_0");
            return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
        }
        const unsigned long long cap = sim::internal::Clock.cap;
        if (sim::internal::RunNextEventBy(deadline < cap ? deadline : cap)) continue;
        if (deadline > cap) {
            sim::internal::AddFailure("WaitForSingleObject would wait past the time cap of " + std::to_string(cap) +
                                      " ms for a mutex another process owns");
            trace("WAIT_FAILED");
            return WAIT_FAILED;
        }
        sim::internal::Clock.now = static_cast<DWORD>(deadline);
        trace("WAIT_TIMEOUT");
        return WAIT_TIMEOUT;
    }
}

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
    long long planned = 0;
    if (PlannedFailure("ReleaseMutex", &planned)) return static_cast<BOOL>(planned);
    sim::internal::AddTrace({"ReleaseMutex"});
    sim::internal::MutexObject* object = sim::internal::ByHandle(mutex);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->owner != sim::internal::Owner::ThisThread) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--object->count == 0) object->owner = sim::internal::Owner::Nobody;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    long long planned = 0;
    if (PlannedFailure("CloseHandle", &planned)) return static_cast<BOOL>(planned);
    sim::internal::AddTrace({"CloseHandle"});
    auto it = sim::internal::Sync.handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == sim::internal::Sync.handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    sim::internal::MutexObject& object = sim::internal::Sync.objects[it->second];
    sim::internal::Sync.handles.erase(it);
    --object.handlesHere;
    sim::internal::DropIfUnreferenced(object);
    return TRUE;
}

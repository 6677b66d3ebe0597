// The simulated profile files: GetPrivateProfileStringA with Windows' parsing rules, the cache and its flush.
//
// Every read sees the file as it is then (or its stale cached copy, see
// sim::CacheProfileFile), so a test may change a file between reads; the parse of the
// last text read is kept and used again only while the text is the same.
#include <string.h>

#include <map>
#include <string_view>
#include <vector>

#include "sim_kernel.h"

namespace sim {
namespace internal {
namespace {

// Views into the decoded text they were parsed from (ProfileState::parsedDecoded).
struct ProfileKey {
    std::string_view name;
    bool hasValue;  // false for a line without '='
    std::string_view value;
    int line;  // where it stands in the file, for tools that point at it
};
struct ProfileSection {
    std::string_view name;  // "" for the keys before the first section: the section "" finds them
    std::vector<ProfileKey> keys;
    int line;  // of the header; 0 for the keys before the first section
};

enum class ProfileOpen { Failed, Missing, Read };

struct ProfileState {
    std::map<std::string, std::string> cache;  // folded full path -> stale content
    std::vector<std::string> flushes;
    int writes = 0;
    // A run reads one file dozens of times. The last file found: its name, the file
    // system's change count then, and the result; while the finding holds (the same name,
    // no file or folder changed since, no cached copy changed) it is the same text.
    bool found = false;
    std::string foundName;
    unsigned long long foundAt = 0;
    ProfileOpen foundOpen = ProfileOpen::Failed;
    const std::string* foundContent = nullptr;
    // The last text parsed and its sections, compared with the text once per finding.
    bool parsed = false;
    bool parseChecked = false;
    std::string parsedText;
    std::string parsedDecoded;  // what sections view
    std::vector<ProfileSection> sections;
    std::string hostBytes;  // the last host file read
};

ProfileState Profile;

}  // namespace

void ResetProfile() { Profile = ProfileState(); }

namespace {

// Blanks as the profile reader trims them: white space, and ^Z (DOS end of file, found on CD-ROMs).
bool IsProfileBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A; }

std::string_view TrimView(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsProfileBlank(text[begin])) ++begin;
    while (end > begin && IsProfileBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string DecodeFile(const std::string& bytes) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToAnsi(bytes.substr(3));
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {  // UTF-16, little-endian
        std::string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned low = static_cast<unsigned char>(bytes[i]);
            const unsigned high = static_cast<unsigned char>(bytes[i + 1]);
            const unsigned unit = low | (high << 8);
            const int c = UnicodeToAnsi(unit);
            out += c < 0 ? '?' : static_cast<char>(c);
        }
        return out;
    }
    return bytes;
}

// The sections of decoded text, as views into it: it must outlive them.
std::vector<ProfileSection> Parse(std::string_view text) {
    std::vector<ProfileSection> sections(1, ProfileSection{"", {}, 0});
    size_t start = 0;
    int lineNumber = 0;
    bool lastNameless = false;  // the section's last entry, comments counted as named ones
    while (start < text.size()) {
        // Lines end at any run of CR and LF, so CR-only files read like CRLF ones. For the
        // line numbers an editor shows, CR LF ends one line, and so does a lone CR or LF.
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        const std::string_view line = TrimView(text.substr(start, end - start));
        ++lineNumber;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty()) continue;
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string::npos) {
                sections.push_back(ProfileSection{TrimView(line.substr(1, close - 1)), {}, lineNumber});
                lastNameless = false;
                continue;
            }
            // Without ']' the line is read as a key line.
        }
        // Wine keeps a comment as an entry of its section, which its lists leave out.
        if (line[0] == ';') {
            lastNameless = false;
            continue;
        }
        const size_t equals = line.find('=');
        std::vector<ProfileKey>& keys = sections.back().keys;
        const std::string_view name = equals == std::string::npos ? line : TrimView(line.substr(0, equals));
        // Wine keeps a nameless entry ("=v") only when the one before it (a comment too) has a name.
        if (name.empty() && lastNameless) continue;
        lastNameless = name.empty();
        if (equals == std::string::npos) keys.push_back(ProfileKey{name, false, std::string_view(), lineNumber});
        else keys.push_back(ProfileKey{name, true, TrimView(line.substr(equals + 1)), lineNumber});
    }
    return sections;
}

// The sections of the file last found: parsed again only when its text is not the last one parsed.
const std::vector<ProfileSection>& ParsedSections(const std::string& text) {
    ProfileState& p = Profile;
    if (!p.parseChecked) {
        if (!p.parsed || p.parsedText != text) {
            p.parsedText = text;
            p.parsedDecoded = DecodeFile(text);
            p.sections = Parse(p.parsedDecoded);
            p.parsed = true;
        }
        p.parseChecked = true;
    }
    return p.sections;
}

const std::vector<ProfileSection>& NoSections() {
    static const std::vector<ProfileSection> none;
    return none;
}

// The file's text as the reader sees it. Failed when the file cannot even be opened (no
// name, a missing folder, a folder): Wine then skips the parsing rules for the default too.
ProfileOpen FindProfileFile(const char* file, const std::string** content, bool* onHost) {
    std::string path = file;
    // A bare name lies in the Windows folder, not in the current one.
    const bool bare = path.find_first_of("\\/") == std::string::npos;
    if (bare) path = std::string(kWindowsFolder) + "\\" + path;
    FileLookup found;
    if (!LookUpPath(path, &found)) return ProfileOpen::Failed;
    auto cached = Profile.cache.find(FoldKey(found.longPath));
    if (cached != Profile.cache.end()) {
        *content = &cached->second;
        return ProfileOpen::Read;
    }
    // The Windows folder always exists, even where a test has not made it.
    if (found.kind == NodeKind::Missing || (bare && found.kind == NodeKind::MissingFolder)) return ProfileOpen::Missing;
    if (found.kind != NodeKind::File || found.trailingSeparator) return ProfileOpen::Failed;
    if (found.hostPath.empty()) {
        *content = found.content;
        return ProfileOpen::Read;
    }
    // A host file's bytes live on the host, where they may change: read each time.
    *onHost = true;
    if (!FileBytes(found, &Profile.hostBytes)) return ProfileOpen::Failed;
    *content = &Profile.hostBytes;
    return ProfileOpen::Read;
}

ProfileOpen ReadProfileFile(const char* file, const std::string** content) {
    if (file == nullptr) return ProfileOpen::Missing;  // win.ini, not simulated
    if (file[0] == '\0') return ProfileOpen::Failed;
    // The same name with the file system and the cached copies unchanged finds the same file.
    ProfileState& p = Profile;
    if (!p.found || p.foundAt != FileSystemChanges || p.foundName != file) {
        bool onHost = false;
        p.foundOpen = FindProfileFile(file, &p.foundContent, &onHost);
        p.parseChecked = false;
        p.foundName = file;
        p.foundAt = FileSystemChanges;
        p.found = !onHost;  // a host file is found and read again at the next read
    }
    *content = p.foundContent;
    return p.foundOpen;
}

// A value of two or more characters in a matching pair of quotes loses the pair; then at
// most size - 1 characters are copied. As Wine does it: only the opening quote is skipped
// before the copy, and the last character copied is dropped whenever the buffer reaches the
// closing quote, so a text that exactly fills the buffer loses one more character.
DWORD CopyEntry(std::string_view text, bool stripQuotes, LPSTR buffer, DWORD size) {
    bool quoted = false;
    if (stripQuotes && text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0]) {
        text.remove_prefix(1);
        quoted = true;
    }
    const bool reachesQuote = quoted && size >= text.size();
    if (text.size() > size - 1) text = text.substr(0, size - 1);
    if (reachesQuote && !text.empty()) text.remove_suffix(1);
    memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

// Names each followed by a zero, the list ended by another; when the buffer is too small
// the last name is cut, both zeros still written, and size - 2 returned. Windows writes
// both zeros (Wine's conformance tests mark it todo_wine: Wine's ANSI form writes only one).
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    // Wine counts a list as fitting only with a byte to spare beyond its final zero.
    if (list.size() + 2 <= size) {
        memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

}  // namespace
}  // namespace internal

void CacheProfileFile(const char* path, const std::string& staleContent) {
    internal::FileLookup found;
    if (path == nullptr || !internal::LookUpPath(path, &found)) {
        internal::AddFailure(std::string("CacheProfileFile: bad path \"") + (path ? path : "<null>") + "\"");
        return;
    }
    internal::Profile.cache[internal::FoldKey(found.longPath)] = staleContent;
    internal::Profile.found = false;
}

std::vector<ProfileEntry> ProfileEntries(const char* path) {
    std::vector<ProfileEntry> entries;
    const std::string* content = nullptr;
    if (path == nullptr || internal::ReadProfileFile(path, &content) != internal::ProfileOpen::Read) return entries;
    for (const internal::ProfileSection& section : internal::ParsedSections(*content)) {
        if (section.line > 0) entries.push_back(ProfileEntry{section.line, true, std::string(section.name), false, ""});
        for (const internal::ProfileKey& key : section.keys)
            entries.push_back(
                ProfileEntry{key.line, false, std::string(key.name), key.hasValue, std::string(key.value)});
    }
    return entries;
}

const std::vector<std::string>& ProfileFlushes() { return internal::Profile.flushes; }
int WriteCount() { return internal::Profile.writes; }

}  // namespace sim

using namespace sim::internal;

DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer, DWORD size,
                                      LPCSTR file) {
    long long planned = 0;
    if (PlannedFailure("GetPrivateProfileStringA", &planned)) return static_cast<DWORD>(planned);
    if (buffer == nullptr || size == 0) return 0;  // nothing written, nothing to count
    const std::string* content = nullptr;
    const ProfileOpen opened = ReadProfileFile(file, &content);
    const std::vector<ProfileSection>& sections = opened == ProfileOpen::Read ? ParsedSections(*content) : NoSections();
    const std::string_view givenDefault = defaultText ? defaultText : "";
    if (section == nullptr) {  // the names of the sections; the nameless ones are not listed
        std::vector<std::string> names;
        for (const ProfileSection& s : sections)
            if (!s.name.empty()) names.emplace_back(s.name);
        return CopyList(names, buffer, size);
    }
    if (key == nullptr) {
        // The keys that have a value, of the first section of exactly this name: here the
        // section argument is not trimmed. An empty result (or one whose first name is
        // empty) gives the default, quotes stripped but trailing blanks kept. The list is
        // made aside: where the default replaces it, the caller's buffer holds the default
        // and its zero only, not the rest of a list whose first name was empty.
        std::vector<char> list(buffer, buffer + size);
        list[0] = '\0';
        DWORD result = 0;
        for (const ProfileSection& s : sections) {
            if (!EqualNoCase(s.name, section)) continue;
            std::vector<std::string> names;
            for (const ProfileKey& k : s.keys)
                if (k.hasValue) names.emplace_back(k.name);
            result = CopyList(names, list.data(), size);
            break;
        }
        if (list[0] == '\0') return CopyEntry(givenDefault, true, buffer, size);
        memcpy(buffer, list.data(), size);
        return result;
    }
    // With a key the default loses its trailing spaces (one character always stays).
    std::string_view fallback = givenDefault;
    while (fallback.size() > 1 && fallback.back() == ' ') fallback.remove_suffix(1);
    if (opened == ProfileOpen::Failed) return CopyEntry(fallback, false, buffer, size);  // quotes kept
    const std::string_view sectionName = TrimView(section), keyName = TrimView(key);
    // The first section of the name is the only one searched, as Wine does; the keys
    // before the first section are the section "".
    for (const ProfileSection& s : sections) {
        if (!EqualNoCase(s.name, sectionName)) continue;
        for (const ProfileKey& k : s.keys) {
            if (!EqualNoCase(k.name, keyName)) continue;
            if (k.hasValue) return CopyEntry(k.value, true, buffer, size);
            break;  // a key without '=' gives the default
        }
        break;
    }
    return CopyEntry(fallback, true, buffer, size);
}

namespace {

// WritePrivateProfileString*(NULL, NULL, NULL, file) only drops the cached copy; anything
// else would change a file, which the launcher must never do.
BOOL ProfileWrite(const char* api, bool flush, const std::string& file, bool fileNull) {
    const std::string shown = fileNull ? std::string("<null>") : file;
    if (!flush) {
        ++sim::internal::Profile.writes;
        AddFailure(std::string(api) + " writes to the profile file " + shown);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    sim::internal::Profile.flushes.push_back(shown);
    AddTrace(std::string(api) + " " + shown);
    FileLookup found;
    // Only a dropped copy changes what the next read finds.
    if (!fileNull && LookUpPath(file, &found) && sim::internal::Profile.cache.erase(FoldKey(found.longPath)) != 0)
        sim::internal::Profile.found = false;
    return TRUE;  // Windows reports success (Wine FALSE)
}

}  // namespace

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR file) {
    long long planned = 0;
    if (PlannedFailure("WritePrivateProfileStringA", &planned)) return static_cast<BOOL>(planned);
    return ProfileWrite("WritePrivateProfileStringA", section == nullptr && key == nullptr && text == nullptr,
                        file ? file : "", file == nullptr);
}

BOOL WINAPI WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR text, LPCWSTR file) {
    long long planned = 0;
    if (PlannedFailure("WritePrivateProfileStringW", &planned)) return static_cast<BOOL>(planned);
    return ProfileWrite("WritePrivateProfileStringW", section == nullptr && key == nullptr && text == nullptr,
                        WideToAnsi(file), file == nullptr);
}

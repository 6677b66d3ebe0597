// FileExists through OpenFile, with a fallback for the paths OpenFile cannot take.
#include "platform/file_exists.h"

#include "platform/windows_api.h"

bool FileExists(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    size_t length = 0;
    while (path[length] != '\0') ++length;
    if (path[length - 1] == '\\') return false;
    // OpenFile keeps the full path in OFSTRUCT.szPathName (128 bytes) and fails for
    // every longer path, even an existing file; a long install folder must not look
    // like a lost installation, so those paths ask for the attributes instead.
    if (length < OFS_MAXPATHNAME) {
        OFSTRUCT info;
        if (OpenFile(path, &info, OF_EXIST) != HFILE_ERROR) return true;
        // OpenFile opens the file by its full path in ANSI: in a current folder named outside
        // the code page (".\." on NT) that path has '?' in it, an invalid name, though the
        // file is there. The attributes are asked by the path as given.
        if (info.nErrCode != ERROR_INVALID_NAME) return false;
    }
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

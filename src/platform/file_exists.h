// FileExists: the launcher's one test for the presence of a file.
#ifndef TAVIO_PLATFORM_FILE_EXISTS_H
#define TAVIO_PLATFORM_FILE_EXISTS_H

// True only for an existing file: a folder, a path ending in a backslash, an empty path
// and a missing file give false; letter case is ignored.
bool FileExists(const char* path);

#endif

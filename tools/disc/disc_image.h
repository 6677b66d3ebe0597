// Pressing a disc folder into an ISO 9660 image with Joliet names, and reading the image back.
#ifndef TAVIO_TOOLS_DISC_DISC_IMAGE_H
#define TAVIO_TOOLS_DISC_DISC_IMAGE_H

#include <string>
#include <vector>

#include "disc_check.h"

struct ImageRequest {
    std::string discFolder;
    std::string output;                 // the .iso file, replaced only once the new image is read back whole
    std::string label;                  // volume name and AUTORUN.INF label; empty: the folder's name
    std::string icon;                   // a host .ico file for AUTORUN.INF, or empty
    std::string launcher;               // the launcher's name on the disc (AUTORUN.INF's open=)
    std::vector<DiscFile> namedFiles;   // what the launcher asks the disc for
};

// One file the launcher asks for, looked up in the pressed image.
struct ReadBack {
    DiscFile file;
    bool found = false;  // in the Joliet tree, letter case ignored, as Windows looks it up
    std::string joliet;  // found: the image's spelling; else what the image holds in its place ("" for nothing)
    bool plain = false;  // also under the plain ISO 9660 names (systems that read no Joliet)
};

struct ImageResult {
    bool pressed = false;  // the image is at the output path
    long long bytes = 0;
    std::string label;
    std::vector<ReadBack> files;
    int errors = 0, warnings = 0;
};

// Why the output path would put an input at risk ("" when it does not): a folder, a path inside
// the disc folder, or the very file of one of the disc's files or the icon.
std::string RefuseOutput(const ImageRequest& request);

// Presses the image aside, reads it back, and puts it at the output path only when every file
// resolves; what it did goes to out (warnings and read-back errors included), why it could not to err.
bool PressImage(const ImageRequest& request, ImageResult* result, std::string* out, std::string* err);

#endif

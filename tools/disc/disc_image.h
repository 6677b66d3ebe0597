// Pressing a disc folder into an ISO 9660 image with Joliet names.
#ifndef TAVIO_TOOLS_DISC_DISC_IMAGE_H
#define TAVIO_TOOLS_DISC_DISC_IMAGE_H

#include <string>
#include <vector>

struct ImageRequest {
    std::string discFolder;
    std::string output;                   // the .iso file, replaced when it exists
    std::string label;                    // volume name and AUTORUN.INF label; empty: the folder's name
    std::string icon;                     // a host .ico file for AUTORUN.INF, or empty
    std::string launcher;                 // the launcher's name on the disc (AUTORUN.INF's open=)
    std::vector<std::string> namedFiles;  // relative to the disc's root, backslashes
};

// Presses the image; what it did goes to out (warnings included), why it could not to err.
bool PressImage(const ImageRequest& request, std::string* out, std::string* err);

#endif

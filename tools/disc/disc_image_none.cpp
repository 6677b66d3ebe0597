// Pressing images is for the host build, which runs xorriso; the Windows console build only checks and tries.
#include "disc_image.h"

std::string RefuseOutput(const ImageRequest&) { return std::string(); }

bool PressImage(const ImageRequest&, ImageResult*, std::string*, std::string* err) {
    *err = "image: not in this build: press the image with tavio-disc on a Linux host (it runs xorriso)\n";
    return false;
}

// The AUTORUN.INF an image gets when its disc has none: the release package's own, filled in.
#ifndef TAVIO_TOOLS_DISC_DISC_AUTORUN_H
#define TAVIO_TOOLS_DISC_DISC_AUTORUN_H

#include <string>

// The package's AUTORUN.INF with open=, icon= and label= set to these, in CRLF lines.
std::string AutorunInf(const std::string& open, const std::string& icon, const std::string& label);

#endif

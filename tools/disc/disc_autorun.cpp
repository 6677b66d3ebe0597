// The AUTORUN.INF an image gets when its disc has none: the release package's own, filled in.
#include "disc_autorun.h"

#include <string.h>

#include "autorun_inf.h"

std::string AutorunInf(const std::string& open, const std::string& icon, const std::string& label) {
    const std::pair<const char*, const std::string*> values[] = {{"open=", &open}, {"icon=", &icon}, {"label=", &label}};
    const std::string text = kAutorunTemplate;
    std::string inf;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const auto& value : values)
            if (line.compare(0, strlen(value.first), value.first) == 0) line = value.first + *value.second;
        inf += line + "\r\n";
        start = end + 1;
    }
    return inf;
}

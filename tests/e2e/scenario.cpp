// Reads the .scn scenario files: INI-like sections, key = value lines, file bodies in "|" lines.
//
//   # comment                       (also ;)
//   [scenario]        launcher, timeout (seconds), dpi (the display's, for this run: LogPixels)
//   [file PATH]       eol = crlf|lf|cr|none (what ends each line), then body lines "|text"
//   [folder PATH]     an empty folder
//   [fake PATH]       window_class, window_title, window_delay (ms), stay (ms), exit, prestart
//   [registry]        set = KEY | VALUE NAME | TYPE | DATA, delete = KEY
//   [box N]           caption, text, buttons (comma-separated), default, answer (button or close), delay (ms before answering);
//                     [box N@95] or [box N@nt] is a box only that family shows, N counting that family's boxes
//   [second]          when = box N | started N | delay MS | together, exit, count (starts in a row), gap = MIN-MAX ms between them
//                     (together: started right after the first, before it can have done anything; any of them may
//                     act, so boxes are taken from all in the order they appear, a box beyond the listed ones is
//                     answered like the last one, and of the exit codes one must be [expect]'s, the others exit's),
//                     keys = shift+ctrl (held through SendInput from before the start until the first reveals its window)
//   [expect]          exit, log (repeated, in order), unchanged, watch (a key), min_ms, max_ms,
//                     reveal = X Y WIDTH HEIGHT (the first launcher's window shown there with both status lines),
//                     manifest = taken (Wine's loader made the launcher's activation context, without complaint)
// key@95 and key@nt apply on one family only. Values are trimmed; in values, file bodies and
// section paths {CR} {LF} {TAB} {SP} {LBRACE} {RBRACE} {xHH} write what they name, and {uXXXX}
// (1 to 6 hex digits) a Unicode character for names outside the ANSI code page (see wide_text.h);
// a character the code page holds is written {xHH}, as the kit's simulation takes it.
#include "scenario.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "utf8.h"

namespace {

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> Split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(separator, start);
        parts.push_back(Trim(s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool ParseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0') return false;
    out = static_cast<int>(v);
    return true;
}

bool ParseYesNo(const std::string& s, bool& out) {
    if (s == "yes" || s == "1" || s == "true") return out = true, true;
    if (s == "no" || s == "0" || s == "false") return out = false, true;
    return false;
}

bool ParseType(const std::string& s, unsigned& out) {
    if (s == "REG_SZ") out = 1;
    else if (s == "REG_EXPAND_SZ") out = 2;
    else if (s == "REG_BINARY") out = 3;
    else if (s == "REG_DWORD") out = 4;
    else return false;
    return true;
}

}  // namespace

std::string Unescape(const std::string& text) {
    static const struct { const char* name; char c; } kNames[] = {
        {"{CR}", '\r'}, {"{LF}", '\n'}, {"{TAB}", '\t'}, {"{SP}", ' '}, {"{LBRACE}", '{'}, {"{RBRACE}", '}'}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool done = false;
        if (text[i] == '{') {
            for (const auto& n : kNames) {
                size_t len = std::strlen(n.name);
                if (text.compare(i, len, n.name) == 0) {
                    out += n.c;
                    i += len;
                    done = true;
                    break;
                }
            }
            if (!done && i + 4 < text.size() && text[i + 1] == 'x' && text[i + 4] == '}' &&
                std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
                out += static_cast<char>(std::strtol(text.substr(i + 2, 2).c_str(), nullptr, 16));
                i += 5;
                done = true;
            }
            if (!done && i + 2 < text.size() && text[i + 1] == 'u') {
                size_t digits = 0;
                while (digits < 7 && i + 2 + digits < text.size() &&
                       std::isxdigit(static_cast<unsigned char>(text[i + 2 + digits])))
                    ++digits;
                const unsigned long codePoint =
                    digits > 0 ? std::strtoul(text.substr(i + 2, digits).c_str(), nullptr, 16) : 0;
                if (digits > 0 && digits <= 6 && i + 2 + digits < text.size() && text[i + 2 + digits] == '}' &&
                    codePoint > 0 && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF)) {
                    if (codePoint >= 0x80) out += kWideMark;
                    AppendUtf8(static_cast<unsigned>(codePoint), out);
                    i += 3 + digits;
                    done = true;
                }
            }
        }
        if (!done) out += text[i++];
    }
    return out;
}

std::string Visible(const std::string& text) {
    std::string out;
    size_t keep = text.size();
    while (keep > 0 && text[keep - 1] == ' ') --keep;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        const unsigned codePoint = DecodeMarked(text, i, &length);
        if (length > 0) {
            char name[16];
            std::snprintf(name, sizeof name, "{u%04X}", codePoint);
            out += name;
            i += length;
        } else if (c == '\r') out += "{CR}";
        else if (c == '\n') out += "{LF}";
        else if (c == '\t') out += "{TAB}";
        else if (c == ' ' && i >= keep) out += "{SP}";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "{x%02X}", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

bool LoadScenario(const std::string& file, const std::string& family, Scenario& sc, std::string& error) {
    const bool family95 = family == "win95" || family == "win98" || family == "winme";
    FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) {
        error = file + ": cannot open";
        return false;
    }
    std::string all;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) all.append(chunk, got);
    std::fclose(f);

    {
        std::string base = file;
        size_t slash = base.find_last_of("\\/");
        if (slash != std::string::npos) base = base.substr(slash + 1);
        size_t dot = base.rfind('.');
        sc.name = dot == std::string::npos ? base : base.substr(0, dot);
    }

    enum Section { None, Main, File, Folder, Fake, Registry, Box, OtherFamilyBox, Second, Expect } section = None;
    std::string eol = "\r\n";
    std::vector<std::string> body;  // the open [file]'s lines
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = file + ":" + std::to_string(lineNo) + ": " + why;
        return false;
    };
    auto closeFile = [&]() {
        if (section != File) return;
        std::string content;
        for (size_t i = 0; i < body.size(); ++i) {
            content += body[i];
            content += eol;
        }
        sc.files.back().content = content;
        body.clear();
    };

    size_t pos = 0;
    while (pos <= all.size()) {
        size_t end = all.find('\n', pos);
        std::string raw = all.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? all.size() + 1 : end + 1;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        ++lineNo;
        if (end == std::string::npos && raw.empty()) break;

        if (section == File && !raw.empty() && raw[0] == '|') {
            body.push_back(Unescape(raw.substr(1)));
            continue;
        }
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;

        if (line[0] == '[') {
            if (line.back() != ']') return fail("section header without ]");
            closeFile();
            std::string head = Trim(line.substr(1, line.size() - 2));
            std::string word = head.substr(0, head.find(' '));
            // Paths may name folders outside ASCII, written {xHH} as in values.
            std::string arg = head.size() > word.size() ? Unescape(Trim(head.substr(word.size()))) : "";
            if (word == "scenario") section = Main;
            else if (word == "file") {
                if (arg.empty()) return fail("[file] needs a path");
                section = File;
                eol = "\r\n";
                sc.files.push_back({arg, "", lineNo});
            } else if (word == "folder") {
                if (arg.empty()) return fail("[folder] needs a path");
                section = Folder;
                sc.folders.push_back(arg);
            } else if (word == "fake") {
                if (arg.empty()) return fail("[fake] needs a path");
                section = Fake;
                sc.fakes.push_back(ScenarioFake());
                sc.fakes.back().path = arg;
            } else if (word == "registry") section = Registry;
            else if (word == "box") {
                std::string number = arg;
                const size_t at = arg.find('@');
                if (at != std::string::npos) {
                    const std::string only = arg.substr(at + 1);
                    if (only != "95" && only != "nt") return fail("a box's family is @95 or @nt");
                    number = arg.substr(0, at);
                    if ((only == "95") != family95) {
                        section = OtherFamilyBox;
                        continue;
                    }
                }
                int n;
                if (!ParseInt(number, n) || n != static_cast<int>(sc.boxes.size()) + 1)
                    return fail("boxes are numbered 1, 2, ... in order");
                section = Box;
                sc.boxes.push_back(ScenarioBox());
                sc.boxes.back().line = lineNo;
            } else if (word == "second") section = Second;
            else if (word == "expect") section = Expect;
            else return fail("unknown section [" + word + "]");
            continue;
        }

        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key = value");
        std::string key = Trim(line.substr(0, eq));
        const size_t at = key.find('@');
        if (at != std::string::npos) {
            const std::string only = key.substr(at + 1);
            if (only != "95" && only != "nt") return fail("a key's family is @95 or @nt");
            key = Trim(key.substr(0, at));
            if ((only == "95") != family95) continue;
        }
        std::string value = Unescape(Trim(line.substr(eq + 1)));
        int n = 0;
        switch (section) {
        case None:
            return fail("key outside any section");
        case Main:
            if (key == "launcher") sc.launcher = value;
            else if (key == "timeout" && ParseInt(value, n)) sc.timeoutMs = n * 1000;
            else if (key == "dpi" && ParseInt(value, n) && n >= 96 && n <= 480) sc.dpi = n;
            else return fail("bad [scenario] line");
            break;
        case File:
            if (key != "eol") return fail("a [file] holds eol = ... and \"|\" body lines");
            if (value == "crlf") eol = "\r\n";
            else if (value == "lf") eol = "\n";
            else if (value == "cr") eol = "\r";
            else if (value == "none") eol = "";
            else return fail("eol is crlf, lf, cr or none");
            break;
        case Folder:
            return fail("a [folder] has no keys");
        case Fake: {
            ScenarioFake& fk = sc.fakes.back();
            if (key == "window_class") fk.windowClass = value;
            else if (key == "window_title") fk.windowTitle = value;
            else if (key == "window_delay" && ParseInt(value, n)) fk.windowDelayMs = n;
            else if (key == "stay" && ParseInt(value, n)) fk.stayMs = n;
            else if (key == "exit" && ParseInt(value, n)) fk.exitCode = n;
            else if (key == "prestart" && ParseYesNo(value, fk.prestart)) {
            } else return fail("bad [fake] line");
            break;
        }
        case Registry: {
            ScenarioRegistryOp op;
            op.line = lineNo;
            if (key == "delete") {
                op.remove = true;
                op.key = value;
            } else if (key == "set") {
                std::vector<std::string> parts = Split(value, '|');
                if (parts.size() != 4 || !ParseType(parts[2], op.type))
                    return fail("set = KEY | VALUE NAME | REG_SZ/REG_EXPAND_SZ/REG_DWORD/REG_BINARY | DATA");
                op.key = parts[0];
                op.valueName = parts[1];
                op.data = parts[3];
            } else return fail("bad [registry] line");
            sc.registry.push_back(op);
            break;
        }
        case OtherFamilyBox:
            break;
        case Box: {
            ScenarioBox& b = sc.boxes.back();
            if (key == "caption") b.hasCaption = true, b.caption = value;
            else if (key == "text") b.hasText = true, b.text = value;
            else if (key == "buttons") b.hasButtons = true, b.buttons = Split(value, ',');
            else if (key == "default") b.hasDefault = true, b.defaultButton = value;
            else if (key == "answer") b.answer = value;
            else if (key == "delay" && ParseInt(value, n) && n >= 0) b.delayMs = n;
            else return fail("bad [box] line");
            break;
        }
        case Second: {
            if (key == "when") {
                std::vector<std::string> w = Split(value, ' ');
                if (value == "together") {
                    sc.second.when = ScenarioSecond::Together;
                    break;
                }
                if (w.size() != 2 || !ParseInt(w[1], sc.second.number))
                    return fail("when = box N | started N | delay MS | together");
                if (w[0] == "box") sc.second.when = ScenarioSecond::WhileBox;
                else if (w[0] == "started") sc.second.when = ScenarioSecond::AfterStarted;
                else if (w[0] == "delay") sc.second.when = ScenarioSecond::AfterDelay;
                else return fail("when = box N | started N | delay MS | together");
            } else if (key == "exit" && ParseInt(value, n)) sc.second.expectedExit = n;
            else if (key == "keys" && value == "shift+ctrl") sc.second.holdShiftCtrl = true;
            else if (key == "count" && ParseInt(value, n) && n >= 1) sc.second.count = n;
            else if (key == "gap") {
                std::vector<std::string> g = Split(value, '-');
                if (g.size() != 2 || !ParseInt(g[0], sc.second.gapMinMs) || !ParseInt(g[1], sc.second.gapMaxMs) ||
                    sc.second.gapMinMs < 0 || sc.second.gapMaxMs < sc.second.gapMinMs)
                    return fail("gap = MIN-MAX (milliseconds)");
            } else return fail("bad [second] line");
            break;
        }
        case Expect:
            if (key == "exit" && ParseInt(value, n)) sc.expectedExit = n;
            else if (key == "log") sc.expectedLog.push_back(value);
            else if (key == "unchanged" && ParseYesNo(value, sc.checkUnchanged)) {
            } else if (key == "watch") sc.watchedKeys.push_back(value);
            else if (key == "min_ms" && ParseInt(value, n)) sc.minMs = n;
            else if (key == "max_ms" && ParseInt(value, n)) sc.maxMs = n;
            else if (key == "manifest" && value == "taken") sc.checkManifest = true;
            else if (key == "reveal") {
                std::vector<std::string> r = Split(value, ' ');
                ScenarioReveal& v = sc.reveal;
                if (r.size() != 4 || !ParseInt(r[0], v.x) || !ParseInt(r[1], v.y) || !ParseInt(r[2], v.width) ||
                    !ParseInt(r[3], v.height))
                    return fail("reveal = X Y WIDTH HEIGHT");
                v.expected = true;
            }
            else return fail("bad [expect] line");
            break;
        }
    }
    closeFile();
    if (sc.second.when == ScenarioSecond::WhileBox &&
        (sc.second.number < 1 || sc.second.number > static_cast<int>(sc.boxes.size()))) {
        error = file + ": [second] names a box the scenario does not have";
        return false;
    }
    return true;
}

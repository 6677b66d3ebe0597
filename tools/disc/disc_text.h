// Text helpers of the disc author's kit: one-line display, JSON strings, near names, shown
// paths, and whole files of the machine the kit runs on.
#ifndef TAVIO_TOOLS_DISC_DISC_TEXT_H
#define TAVIO_TOOLS_DISC_DISC_TEXT_H

#include <string>

// The ANSI code page the launcher's texts are shown in, as a machine of that code page shows
// them (1252 unless set); false for a code page the kit does not know.
bool SetDisplayCodePage(int codePage);
int DisplayCodePage();
// ANSI text in the display code page, as UTF-8 (U+FFFD for a byte the page has no character for).
std::string AnsiToUtf8(const std::string& text);

// The text on one line, in the notation of the Wine suite's scenarios: {LF} {CR} {TAB},
// {SP} for blanks at either end, {LBRACE} for '{', {x7C} for '|' (the field separator) and
// {xHH} for other control characters, 0x7F, a no-break space and bytes the display code page
// has no character for; other bytes above 0x7F as its characters, in UTF-8. "(empty)" for no
// text at all.
std::string OneLine(const std::string& text);

// A JSON string literal. The launcher's text is single-byte code-page text: a byte above
// 0x7F is written as the \u escape of the display code page's character, or of the byte
// itself where the page has none.
std::string Json(const std::string& text);
// A JSON string literal of UTF-8 text (a path as the user names it).
std::string JsonUtf8(const std::string& text);

// Edits (insert, delete, replace) from a to b, letter case ignored.
int EditDistance(const std::string& a, const std::string& b);

// A file of the disc (a path relative to D:\, with backslashes) as the user names it: the
// disc folder as given, joined with '/' (or '\' when the folder is written with those).
std::string ShownPath(const std::string& discFolder, const std::string& onDisc);

// The file a line of AUTORUN.INF's [autorun] section names, relative to the disc's root, in
// Windows' spelling: for open= and shellexecute= a quoted name or the text up to the first
// blank (the rest is the program's arguments), for icon= the text before ",INDEX". Empty for
// none, or for a path on a drive.
std::string AutorunFile(const std::string& key, const std::string& value);

// A whole file of the machine the kit runs on; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes bytes as the whole file; false when it could not be written completely.
bool WriteFile(const std::string& path, const std::string& bytes);

#endif

// The harness's texts that may name characters outside the ANSI code page, to and from Windows' Unicode.
#ifndef TAVIO_E2E_WIDE_TEXT_H
#define TAVIO_E2E_WIDE_TEXT_H

#include <string>

#include "utf8.h"  // kWideMark

// The text in UTF-16: ANSI bytes through the ANSI code page, marked characters from their UTF-8.
std::wstring WideOf(const std::string& text);

// UTF-16 as a harness text: each character the ANSI code page holds exactly as its ANSI bytes,
// any other marked.
std::string TextOf(const wchar_t* text, size_t length);
std::string TextOf(const std::wstring& text);

// The same text with each marked character the ANSI code page holds written as ANSI bytes, as
// TextOf gives it back; ANSI bytes stay as they are.
std::string Canonical(const std::string& text);

#endif

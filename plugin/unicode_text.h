// Text between the host's Unicode functions (UTF-16) and the plugin's bytes: paths in UTF-8, entry
// names as the archive stores them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qp {

// UTF-8 from UTF-16; an unpaired surrogate becomes U+FFFD. Null gives an empty text.
std::string Utf8FromUtf16(const char16_t* text);
// The same for a host file list: NUL-separated items closed by an empty item, closed the same way.
// Null gives null's equivalent, an empty list.
std::string Utf8ListFromUtf16(const char16_t* list);

bool IsValidUtf8(std::string_view bytes);
// How an entry name's bytes are shown: UTF-8 as it is, what current tools write; other bytes (an
// old tool's Windows code page) decoded as Windows-1252, its five unassigned bytes as the control
// characters of the same number, so that every byte maps to one character and back.
std::string EntryNameAsUtf8(std::string_view bytes);

// UTF-16 of UTF-8 text into `out` of `capacity` units, cut where it would not fit with its NUL
// (never inside a surrogate pair).
void Utf16FromUtf8(std::string_view text, char16_t* out, std::size_t capacity);
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace qp

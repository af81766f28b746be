// The text rules shared by the content descriptions (textures, models,
// sounds): lines of `[section]` and `key = value`, `#` comments, values made
// of words. Each tool keeps its own sections and keys; these helpers only
// cut the text the same way everywhere.
#pragma once

#include <string>
#include <vector>

// The text without leading and trailing blanks (spaces, tabs, CR, LF).
std::string ZETrimText(const std::string& text);

// The line up to its comment. A "#" begins a comment at the start of the
// line (after blanks) or when it stands between blanks, so values such as
// "#ff8000" or a note "C#4" are kept.
std::string ZEStripComment(const std::string& line);

// The words of a value, split on blanks and on any of `extraSeparators`.
std::vector<std::string> ZESplitWords(const std::string& text, const char* extraSeparators = "");

// A whole word as a finite number; false for empty text, trailing
// characters, overflow, infinity or NaN (then `value` is unspecified).
bool ZEParseNumber(const std::string& word, double& value);

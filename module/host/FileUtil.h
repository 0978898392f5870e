#pragma once
#include <string>

// The text with the platform separator appended unless it already ends with one. An empty text
// stays empty (a relative nothing is not made into the root folder). Taken by value: a caller that
// moves its text in gets it back extended in place.
std::wstring addLastYenMark(std::wstring text);
// The file name of a path without folder and extension; "" for an empty path.
std::wstring getBaseFname(const std::wstring& path);
// Non-zero when a regular file exists at the path; 0 otherwise (folders included).
int is_file(const std::wstring& path);

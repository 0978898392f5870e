#pragma once
#include <string>
#include <vector>

// The host's array sorting.
class ArraySort {
public:
    // Sorts the texts in place, ascending, by ordinal comparison of their characters.
    static void Sort(std::vector<std::wstring>& texts);
};

#include "host/ArraySort.h"

#include <algorithm>

void ArraySort::Sort(std::vector<std::wstring>& texts)
{
    std::sort(texts.begin(), texts.end());
}

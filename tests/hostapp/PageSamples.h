#pragma once
#include <string>

namespace pagesamples {

// An authoring-tool style page of at least `size` characters: nested tables, comments, entities,
// a script, a form, Japanese text.
std::wstring largePage(std::size_t size);

} // namespace pagesamples

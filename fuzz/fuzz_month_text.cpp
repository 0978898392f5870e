// Fuzz target: month texts as the module reads them back from calendars and file names
// (CStringYears parsing), and the month arithmetic on whatever they parse to.
//
// Properties: no undefined behaviour (the sanitizers watch the arithmetic); after every
// operation the text is the year and month formatted "%04d-%02d"; the orderings agree with each
// other; on valid months stepping is exact (n months on and n back is where it started, the
// increments equal + 1, months between two values count the walk) and stays valid within the
// four-digit years.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "generation/CStringYears.h"
#include "platform/TextConv.h"

using fuzzsupport::check;

namespace {

void checkText(const CStringYears& v, const char* after)
{
    check(v.text == platform::formatW(L"%04d-%02d", v.year, v.month), after, v.text);
}

void checkOrdering(const CStringYears& a, const CStringYears& b)
{
    const bool earlier = a.isEarlierThan(b);
    const bool later = a.isLaterThan(b);
    const bool notLater = a.isNotLaterThan(b);
    check(!(earlier && later), "never both earlier and later", a.text + L" " + b.text);
    check(notLater == !later, "not later is the negation of later", a.text + L" " + b.text);
    check(earlier == b.isLaterThan(a), "earlier mirrors later", a.text + L" " + b.text);
    const bool same = a.year == b.year && a.month == b.month;
    check(same == (!earlier && !later), "neither earlier nor later only for the same month", a.text + L" " + b.text);
    if (same)
        check(a.sameText(b), "the same month has the same text", a.text + L" " + b.text);
}

// Months from the year 0 month 1, for valid values (fits easily in 64 bits).
std::int64_t ordinal(const CStringYears& v)
{
    return std::int64_t(v.year) * 12 + (v.month - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Layout: two bytes of step count, then two texts separated by the first zero byte.
    std::uint16_t steps = 0;
    if (size >= 2) {
        std::memcpy(&steps, data, 2);
        data += 2;
        size -= 2;
    }
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::size_t split = std::find(bytes, bytes + size, '\0') - bytes;
    const std::wstring first = platform::fromUtf8(bytes, split);
    const std::wstring second = split < size ? platform::fromUtf8(bytes + split + 1, size - split - 1) : L"";
    const int n = steps % 2400; // up to two hundred years; nobody steps by more

    const CStringYears a(first);
    const CStringYears b(second);
    checkText(a, "the parsed text is reformatted");
    checkText(b, "the parsed text is reformatted");
    checkOrdering(a, b);
    checkOrdering(a, a);

    // Stepping: defined for every value, the text always follows the numbers.
    const CStringYears plus = a + n;
    const CStringYears minus = a - n;
    CStringYears pre(a);
    ++pre;
    CStringYears post(a);
    const CStringYears before = post++;
    checkText(plus, "text after + n");
    checkText(minus, "text after - n");
    checkText(pre, "text after ++");
    checkText(post, "text after postfix ++");
    check(before.text == a.text, "postfix ++ returns the value as it was", before.text);
    check(pre.text == post.text, "prefix and postfix ++ step alike", pre.text + L" " + post.text);
    checkOrdering(plus, minus);

    // Assignment: equal texts change nothing, different ones copy everything.
    CStringYears target(b);
    target = a;
    check(target.text == a.text && target.year == a.year && target.month == a.month,
          "assignment of a different value copies it", target.text);

    if (a.isValid()) {
        check(ordinal(plus) - ordinal(a) == n, "+ n is n months on", plus.text);
        check(ordinal(a) - ordinal(minus) == n, "- n is n months back", minus.text);
        check((plus - n).text == a.text, "n on and n back is where it started", (plus - n).text);
        check((minus + n).text == a.text, "n back and n on is where it started", (minus + n).text);
        check(pre.text == (a + 1).text, "++ is + 1", pre.text);
        check(pre.month >= 1 && pre.month <= 12, "stepping a valid month keeps the month in range", pre.text);
        if (n > 0)
            check(a.isEarlierThan(plus) && minus.isEarlierThan(a), "stepping moves in time", a.text);
        // A walk as the archive regeneration makes it, bounded by the distance.
        if (b.isValid() && a.isNotLaterThan(b) && ordinal(b) - ordinal(a) <= 2400) {
            std::int64_t walked = 0;
            for (CStringYears m(a); m.isNotLaterThan(b); ++m) {
                check(m.isValid(), "a walk between valid months meets only valid months", m.text);
                ++walked;
            }
            check(walked == ordinal(b) - ordinal(a) + 1, "a walk meets every month once", a.text + L" " + b.text);
        }
    }
    return 0;
}

#include "PageRefreshCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "HostVersion.h"

namespace {

using RefreshRecord = PageRefreshCache;

// Entries set in any order, a page set twice, and the extremes of every number come back from the
// file as they were set: the last entry of a page stands, and the file lists each page once in
// path order.
TEST(PageRefreshCacheTest, WhatIsSetIsReadBack)
{
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    const std::int64_t least = std::numeric_limits<std::int64_t>::min();
    const struct {
        const char* page;
        RefreshRecord::Entry entry;
    } sets[] = {
        {"sub/b.html", {{3, 4, 5, 6}, {}}},
        {"a.html", {{0, least, most, std::numeric_limits<std::uint64_t>::max()}, {}}},
        {"sub/b.html", {{7, -8, 9, 10}, {{L"zebsitec002table000001", {}}, {L"zebsitec001table000001", {1, 2, 3, 4}}}}},
        {"c.html", {{1, 1, 1, 1}, {}}},
        {"odd\tname\n.html", {{1, 1, 1, 1}, {}}},
    };
    RefreshRecord cache;
    for (const auto& set : sets)
        cache.set(set.page, set.entry);
    RefreshRecord read;
    ASSERT_TRUE(read.parse(cache.serialize()));
    EXPECT_EQ(read.size(), 4u);
    EXPECT_EQ(read.serialize(), cache.serialize());
    for (const int i : {1, 2, 3, 4}) {
        const std::size_t found = read.find(sets[i].page);
        ASSERT_NE(found, RefreshRecord::npos) << sets[i].page;
        EXPECT_EQ(read.page(found), sets[i].page);
        EXPECT_EQ(read.entry(found), sets[i].entry) << sets[i].page;
    }
    EXPECT_EQ(read.find("sub"), RefreshRecord::npos);
    // An entry set after a file was read joins the file's entries.
    read.set("b.html", {{2, 2, 2, 2}, {}});
    EXPECT_EQ(read.size(), 5u);
    EXPECT_EQ(read.entry(read.find("sub/b.html")), sets[2].entry);
}

// The file's last line sealed again over the bytes before it, as if they had been written so.
std::string resealedRecord(std::string bytes)
{
    bytes.resize(bytes.size() - 21);
    char sum[32];
    std::snprintf(sum, sizeof sum, "sum %016llx\n",
                  static_cast<unsigned long long>(RefreshRecord::checksum(bytes.data(), bytes.size())));
    return bytes + sum;
}

// A file that is damaged, cut, of the earlier text format, or whose records point outside it or
// out of order (even when its checksum adds up) reads as empty, never as other entries.
TEST(PageRefreshCacheTest, AFileNotWrittenSoReadsAsEmpty)
{
    RefreshRecord cache;
    cache.set("a.html", {{1, 2, 3, 4}, {{L"zebsitec001table000001", {5, 6, 7, 8}}}});
    cache.set("b.html", {{9, 9, 9, 9}, {}});
    const std::string good = cache.serialize();
    const std::size_t counts = good.find('\n') + 1, entries = counts + 32;
    auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t value) { std::memcpy(&bytes[at], &value, 4); };
    const struct {
        const char* description;
        std::function<std::string(std::string)> damage;
    } cases[] = {
        {"a byte flipped", [](std::string b) { return b[b.size() / 2] ^= 4, b; }},
        {"cut by a byte", [](std::string b) { return b.substr(0, b.size() - 1); }},
        {"cut before the records", [counts](std::string b) { return resealedRecord(b.substr(0, counts + 21)); }},
        {"a byte added", [](std::string b) { return resealedRecord(b.insert(b.size() - 21, 1, '\0')); }},
        {"an entry more counted", [&](std::string b) { return put32(b, counts + 8, 3), resealedRecord(b); }},
        {"a path past the text", [&](std::string b) { return put32(b, entries + 32, 1000), resealedRecord(b); }},
        {"a part past the parts", [&](std::string b) { return put32(b, entries + 48 + 44, 1), resealedRecord(b); }},
        {"the pages out of order",
         [&](std::string b) { // the two paths' offsets and lengths swapped
             const std::string second = b.substr(entries + 48 + 32, 8);
             b.replace(entries + 48 + 32, 8, b.substr(entries + 32, 8));
             return resealedRecord(b.replace(entries + 32, 8, second));
         }},
        {"the earlier text format",
         [](std::string) {
             return resealedRecord(std::string("zebhost page refresh cache 1 ") + zebHostVersion() +
                                   "\n1 2 3 4 0\ta.html\nsum 0123456789abcdef\n");
         }},
    };
    for (const auto& c : cases) {
        RefreshRecord read;
        EXPECT_FALSE(read.parse(c.damage(good))) << c.description;
        EXPECT_TRUE(read.empty()) << c.description;
    }
    RefreshRecord read;
    EXPECT_TRUE(read.parse(resealedRecord(good)));
    EXPECT_EQ(read.size(), 2u);
}

} // namespace

#include "PageRefreshCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

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
        {"bad\tname.html", {{1, 1, 1, 1}, {}}},
    };
    RefreshRecord cache;
    for (const auto& set : sets)
        cache.set(set.page, set.entry);
    RefreshRecord read;
    ASSERT_TRUE(read.parse(cache.serialize()));
    EXPECT_EQ(read.size(), 3u);
    EXPECT_EQ(read.serialize(), cache.serialize());
    for (const int i : {1, 2, 3}) {
        const RefreshRecord::Found found = read.find(sets[i].page);
        ASSERT_NE(found.entry, nullptr) << sets[i].page;
        EXPECT_EQ(found.page, sets[i].page);
        EXPECT_EQ(*found.entry, sets[i].entry) << sets[i].page;
    }
    EXPECT_EQ(read.find("sub").entry, nullptr);
    EXPECT_EQ(read.find("bad\tname.html").entry, nullptr);
}

} // namespace

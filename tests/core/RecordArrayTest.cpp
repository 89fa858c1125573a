#include "model/RecordArray.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ambertrove {
namespace {

struct Item {
    std::uint64_t a = 1;
    std::int32_t b = 2;
    friend bool operator==(const Item&, const Item&) = default;
};

RecordArray<Item> numbered(int count) {
    RecordArray<Item> items;
    for (int i = 0; i < count; ++i)
        items.push_back(Item{static_cast<std::uint64_t>(i), -i});
    return items;
}

void expectNumbered(const RecordArray<Item>& items, int count) {
    ASSERT_EQ(items.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(items[static_cast<std::size_t>(i)], (Item{static_cast<std::uint64_t>(i), -i})) << i;
}

TEST(RecordArrayTest, GrowsKeepingItsItemsAndTrimsToSize) {
    RecordArray<Item> items = numbered(100000);
    expectNumbered(items, 100000);
    EXPECT_GE(items.capacity(), 100000u);
    items.shrink_to_fit();
    EXPECT_EQ(items.capacity(), 100000u);
    expectNumbered(items, 100000);
    items.reserve(10); // never shrinks
    EXPECT_EQ(items.capacity(), 100000u);
    EXPECT_EQ(items.emplace_back(), Item{});
    EXPECT_EQ(items.size(), 100001u);
}

TEST(RecordArrayTest, CopiesAndMovesAreIndependent) {
    RecordArray<Item> original = numbered(40);
    RecordArray<Item> copy(original);
    copy[0].b = 99;
    EXPECT_EQ(original[0].b, 0);
    RecordArray<Item> assigned;
    assigned = original;
    expectNumbered(assigned, 40);
    RecordArray<Item> moved(std::move(copy));
    EXPECT_EQ(moved[0].b, 99);
    EXPECT_TRUE(copy.empty()); // NOLINT: a moved-from array is empty
    assigned = std::move(moved);
    EXPECT_EQ(assigned[0].b, 99);
    RecordArray<Item> empty;
    RecordArray<Item> emptyCopy(empty);
    EXPECT_TRUE(emptyCopy.empty());
    EXPECT_EQ(emptyCopy.begin(), emptyCopy.end());
}

TEST(RecordArrayTest, PushingAnItemOfItsOwnWhileGrowing) {
    RecordArray<Item> items = numbered(16); // full: the next push reallocates
    ASSERT_EQ(items.size(), items.capacity());
    items.push_back(items[3]);
    EXPECT_EQ(items[16], (Item{3, -3}));
}

// Large arrays live in mappings of their own: growing, trimming below the mapping size, appending and
// copying across that size keep every item.
TEST(RecordArrayTest, ItemsSurviveMovesBetweenSmallAndLargeMemory) {
    RecordArray<Item> items = numbered(300000); // about 5 MB
    RecordArray<Item> copy(items);
    expectNumbered(copy, 300000);
    RecordArray<Item> small = numbered(10);
    small.reserve(400000); // into a mapping
    expectNumbered(small, 10);
    small.shrink_to_fit(); // and back into the C library's memory
    expectNumbered(small, 10);
    small.append(items.data() + 10, 299990);
    expectNumbered(small, 300000);
    RecordArray<char> names;
    for (int i = 0; i < 200000; ++i)
        names.append("name-", 5);
    EXPECT_EQ(names.size(), 1000000u);
    EXPECT_EQ(std::string(names.data() + 999995, 5), "name-");
    names.shrink_to_fit();
    EXPECT_EQ(names.capacity(), 1000000u);
    items = std::move(small);
    expectNumbered(items, 300000);
}

} // namespace
} // namespace ambertrove

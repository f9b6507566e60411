#include "input/stored_sequence.hpp"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(StoredSequence, AdvanceMovesRowsDownAndEmptiesTheLastRow) {
    StoredSequence store;
    ASSERT_TRUE(store.allocate(3));
    store.row(0) = "AAA";
    store.row(1) = "CCC";
    store.row(2) = "GGG";
    store.advance();
    EXPECT_EQ(store.row(0), "CCC");
    EXPECT_EQ(store.row(1), "GGG");
    EXPECT_EQ(store.row(2), "");
    store.row(2) = "TTT";
    store.advance();
    store.advance();  // once round the ring
    EXPECT_EQ(store.row(0), "TTT");
    EXPECT_EQ(store.row(1), "");
    store.clearAll();
    EXPECT_EQ(store.row(0), "");
    EXPECT_FALSE(store.allocate(0));
}

}  // namespace
}  // namespace kestrel

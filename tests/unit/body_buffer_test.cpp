#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "body_buffer.h"

namespace {

struct GrowthCase {
  const char *label;
  std::vector<size_t> pieces;
  size_t capacity;  // after all pieces
  bool onHeap;
};

void PrintTo(const GrowthCase &c, std::ostream *os) { *os << c.label; }

class BodyBufferGrowth : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(BodyBufferGrowth, KeepsEveryByteInOrderAndRoomForTheTerminator) {
  const GrowthCase &c = GetParam();
  BodyBuffer buffer;
  std::string expected;
  for (size_t i = 0; i < c.pieces.size(); ++i) {
    std::string piece(c.pieces[i], '\0');
    for (size_t j = 0; j < piece.size(); ++j) piece[j] = static_cast<char>('a' + (i * 7 + j) % 26);
    ASSERT_TRUE(body_append(&buffer, piece.data(), piece.size()));
    expected += piece;
  }
  EXPECT_EQ(buffer.capacity, c.capacity);
  EXPECT_EQ(buffer.data != buffer.initial, c.onHeap);
  EXPECT_LT(buffer.used, buffer.capacity);
  EXPECT_EQ(std::string(body_text(&buffer)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BodyBufferGrowth,
    ::testing::Values(GrowthCase{"empty", {}, 400, false},
                      GrowthCase{"fits_399", {399}, 400, false},
                      GrowthCase{"grows_at_400", {400}, 800, true},
                      GrowthCase{"two_pieces_of_300", {300, 300}, 800, true},
                      GrowthCase{"many_small_pieces", std::vector<size_t>(100, 17), 3200, true},
                      GrowthCase{"one_large_piece", {5000}, 6400, true},
                      GrowthCase{"grows_again_after_heap", {500, 500, 700}, 3200, true}),
    [](const auto &info) { return std::string(info.param.label); });

TEST(BodyBuffer, AnImpossibleSizeFailsWithoutLosingWhatWasCollected) {
  BodyBuffer buffer;
  ASSERT_TRUE(body_append(&buffer, "abc", 3));
  EXPECT_FALSE(body_append(&buffer, "x", static_cast<size_t>(-1)));
  EXPECT_TRUE(buffer.failed);
  EXPECT_FALSE(body_append(&buffer, "d", 1)) << "a failed body stays failed";
  EXPECT_STREQ(body_text(&buffer), "abc");
}

}  // namespace

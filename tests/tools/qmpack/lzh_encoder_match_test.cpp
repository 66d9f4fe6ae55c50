// The encoder's match finder against a search of the whole window.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "qmpack/lzh_format.h"
#include "qmpack/lzh_match_finder.h"

namespace qmpack {
namespace {

constexpr size_t kFirstSource = kLzhRingStart - kLzhMaxMatch;

// The input behind the ring's initial spaces, as the encoder searches it.
std::vector<uint8_t> BehindSpaces(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> text(kLzhRingStart, kLzhRingFill);
  text.insert(text.end(), data.begin(), data.end());
  return text;
}

// Bytes from a few symbols, so that matches of every length abound.
std::vector<uint8_t> SmallAlphabet(size_t size, unsigned symbols, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(' ' + random() % symbols);
  return bytes;
}

// For every length 0..60: the nearest distance with a match at least that long, or -1.
std::array<int, kLzhMaxMatch + 1> NearestByLength(const std::vector<uint8_t>& text,
                                                  size_t position) {
  std::array<int, kLzhMaxMatch + 1> nearest;
  nearest.fill(-1);
  const size_t limit = std::min<size_t>(kLzhMaxMatch, text.size() - position);
  for (int distance = 0; distance < kLzhWindowSize; ++distance) {
    if (position < kFirstSource + distance + 1) break;
    const size_t source = position - distance - 1;
    size_t length = 0;
    while (length < limit && text[source + length] == text[position + length]) ++length;
    for (size_t l = 0; l <= length; ++l) {
      if (nearest[l] < 0) nearest[l] = distance;
    }
  }
  return nearest;
}

void ExpectNearestForEveryLength(const std::vector<uint8_t>& data) {
  const std::vector<uint8_t> text = BehindSpaces(data);
  LzhMatchFinder finder(text.data(), text.size(), kLzhWindowSize);
  std::array<LzhMatch, kLzhMaxMatch> matches;
  for (size_t position = kLzhRingStart; position < text.size(); ++position) {
    const int found = finder.Find(position, matches.data());
    const std::array<int, kLzhMaxMatch + 1> nearest = NearestByLength(text, position);
    int length = kLzhMinMatch;
    for (int i = 0; i < found; ++i) {
      for (; length <= matches[i].length; ++length) {
        ASSERT_EQ(matches[i].distance, nearest[length])
            << "position " << position << ", length " << length;
      }
    }
    ASSERT_TRUE(length > kLzhMaxMatch || nearest[length] < 0)
        << "position " << position << " misses length " << length;
  }
}

TEST(LzhMatchFinder, FindsTheNearestSourceForEveryLength) {
  ExpectNearestForEveryLength(SmallAlphabet(12000, 3, 1));
  ExpectNearestForEveryLength(SmallAlphabet(9000, 12, 2));
}

TEST(LzhMatchFinder, ReachesIntoTheInitialSpaces) {
  std::vector<uint8_t> data(220, ' ');
  std::fill(data.begin() + 100, data.begin() + 150, 'x');
  ExpectNearestForEveryLength(data);
}

TEST(LzhMatchFinder, KeepsToTheWindow) {
  // Repeats 4,096 and 4,097 bytes apart: the first within reach, the second not.
  std::vector<uint8_t> data = SmallAlphabet(4096, 200, 3);
  const std::vector<uint8_t> unit = data;
  data.insert(data.end(), unit.begin(), unit.end());
  data.push_back('!');
  data.insert(data.end(), unit.begin(), unit.end());
  ExpectNearestForEveryLength(data);
}

}  // namespace
}  // namespace qmpack

// Scrambling behaviour: properties that hold for any substitution table, then fixed vectors
// that pin our own table and key.
#include "scramble/tamsk.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "scramble/substitution_table.hpp"

namespace {

// The key with its terminating NUL: the 15-position cycle of the key step.
constexpr char kKey[] = "old tuna parka";
constexpr std::size_t kCycle = 15;

constexpr char kSentinel = '#';

unsigned char KeyAt(std::size_t position) {
  return static_cast<unsigned char>(kKey[position % kCycle]);
}

// A NUL-terminated buffer followed by sentinels, so writes past the terminator show up.
std::vector<char> Buffer(const std::string& text) {
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  buffer.insert(buffer.end(), 4, kSentinel);
  return buffer;
}

void ExpectTailIntact(const std::vector<char>& buffer, std::size_t length) {
  ASSERT_EQ(buffer.size(), length + 5);
  EXPECT_EQ(buffer[length], '\0');
  for (std::size_t i = length + 1; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], kSentinel) << i;
}

std::string Encrypted(std::string text) {
  EncryptText(text.data());
  return text;
}

std::string Decrypted(std::string text) {
  DecryptText(text.data());
  return text;
}

std::string Bytes(std::initializer_list<unsigned char> values) {
  return std::string(values.begin(), values.end());
}

TEST(TamskProperties, NullAndEmptyTextsAreLeftAlone) {
  EncryptText(nullptr);
  DecryptText(nullptr);

  std::vector<char> empty = Buffer("");
  EncryptText(empty.data());
  ExpectTailIntact(empty, 0);
  DecryptText(empty.data());
  ExpectTailIntact(empty, 0);
}

TEST(TamskProperties, LengthIsKeptAndNothingPastTheEndIsTouched) {
  const std::string text = "A password of forty bytes, give or take.";
  std::vector<char> buffer = Buffer(text);

  EncryptText(buffer.data());
  ExpectTailIntact(buffer, text.size());
  EXPECT_EQ(std::strlen(buffer.data()), text.size());
  EXPECT_NE(std::string(buffer.data()), text);

  DecryptText(buffer.data());
  ExpectTailIntact(buffer, text.size());
  EXPECT_EQ(std::string(buffer.data()), text);
}

// Every byte value at every position of two key cycles, so each key byte (the NUL included)
// meets every value in both parities.
TEST(TamskProperties, DecryptUndoesEncryptForEveryByteAtEveryPosition) {
  for (std::size_t position = 0; position < 2 * kCycle; ++position) {
    for (int value = 1; value <= 255; ++value) {
      if (position % 2 == 0 && value == 0xFF) continue;
      std::string text(position, 'a');
      text.push_back(static_cast<char>(value));
      const std::string scrambled = Encrypted(text);
      ASSERT_EQ(scrambled.size(), text.size());
      ASSERT_EQ(std::strlen(scrambled.c_str()), text.size()) << position << " " << value;
      ASSERT_EQ(Decrypted(scrambled), text) << position << " " << value;
    }
  }
}

TEST(TamskProperties, DecryptUndoesEncryptOnTextsLongerThanTheKeyCycle) {
  std::string text;
  for (int i = 0; i < 100; ++i) text.push_back(static_cast<char>(1 + (i * 37) % 254));
  EXPECT_EQ(Decrypted(Encrypted(text)), text);

  const std::string words = "Kandorvale library password, kept for the installer";
  EXPECT_EQ(Decrypted(Encrypted(words)), words);
}

// A 0xFF at an even position complements to 0, which the table keeps at 0, so only the key
// byte is left; at the key's NUL the scrambled byte is itself a NUL.
TEST(TamskProperties, FFAtEvenPositionScramblesToTheKeyByte) {
  std::string text;
  for (std::size_t i = 0; i < 3 * kCycle; ++i) text.push_back(i % 2 == 0 ? '\xFF' : 'x');
  std::vector<char> buffer = Buffer(text);

  EncryptText(buffer.data());

  for (std::size_t i = 0; i < text.size(); i += 2) {
    EXPECT_EQ(static_cast<unsigned char>(buffer[i]), KeyAt(i)) << i;
  }
  EXPECT_EQ(buffer[14], '\0');
  EXPECT_EQ(buffer[44], '\0');
  ExpectTailIntact(buffer, text.size());
}

// The length is counted before any byte changes, so bytes beyond a NUL made by the
// scrambling are still scrambled, exactly as they would be without it.
TEST(TamskProperties, BytesBeyondAnEmbeddedNulAreStillProcessed) {
  std::string withNul(20, 'q');
  withNul[14] = '\xFF';
  std::string withoutNul = withNul;
  withoutNul[14] = 'q';

  std::vector<char> buffer = Buffer(withNul);
  EncryptText(buffer.data());
  const std::string reference = Encrypted(withoutNul);

  EXPECT_EQ(buffer[14], '\0');
  for (std::size_t i = 15; i < withNul.size(); ++i) EXPECT_EQ(buffer[i], reference[i]) << i;
  ExpectTailIntact(buffer, withNul.size());
}

// Unscrambling text that EncryptText never made can yield a NUL: at position 0 exactly one
// byte value does (the one whose substitution is 0xFF), and the rest is still unscrambled.
TEST(TamskProperties, DecryptKeepsGoingPastANulItProduces) {
  const std::string tail = Decrypted("?abc").substr(1);
  int nulCount = 0;
  for (int value = 1; value <= 255; ++value) {
    std::string text = "?abc";
    text[0] = static_cast<char>(value);
    std::vector<char> buffer = Buffer(text);
    DecryptText(buffer.data());
    if (buffer[0] == '\0') ++nulCount;
    EXPECT_EQ(std::string(buffer.begin() + 1, buffer.begin() + 4), tail) << value;
    ExpectTailIntact(buffer, text.size());
  }
  EXPECT_EQ(nulCount, 1);
}

// A byte that meets its own key byte passes the key step unchanged instead of becoming 0.
// The input is chosen so that the substitution step hands the key byte to the key step.
TEST(TamskProperties, ByteEqualToTheKeyByteIsKeptByTheKeyStep) {
  for (std::size_t position = 0; position < kCycle - 1; ++position) {
    const unsigned char key = KeyAt(position);
    unsigned char plain = tamsk::kSubstitution[key];
    if (position % 2 == 0) plain = static_cast<unsigned char>(~plain);
    std::string text(position, 'a');
    text.push_back(static_cast<char>(plain));

    const std::string scrambled = Encrypted(text);
    EXPECT_EQ(static_cast<unsigned char>(scrambled[position]), key) << position;

    std::string keyed = scrambled;
    keyed[position] = static_cast<char>(key);
    EXPECT_EQ(Decrypted(keyed), text) << position;
  }
}

// Entries of our table that the hand-worked vector below relies on, plus both ends.
TEST(TamskFixedVectors, SubstitutionTableEntries) {
  EXPECT_EQ(tamsk::kSubstitution[0x01], 0x88);
  EXPECT_EQ(tamsk::kSubstitution[0x15], 0xB7);
  EXPECT_EQ(tamsk::kSubstitution[0x43], 0x69);
  EXPECT_EQ(tamsk::kSubstitution[0xFF], 0xEE);
  EXPECT_EQ(tamsk::kInverseSubstitution[0xEE], 0xFF);
}

// "Hi" worked by hand:
//   0: 'H' 0x48, complemented 0xB7; table[0x15] = 0xB7 so inverse 0x15; key 'o' 0x6F:
//      0x15 ^ 0x6F = 0x7A.
//   1: 'i' 0x69, odd so kept; table[0x43] = 0x69 so inverse 0x43; key 'l' 0x6C:
//      0x43 ^ 0x6C = 0x2F.
TEST(TamskFixedVectors, HandWorkedShortText) {
  EXPECT_EQ(Encrypted("Hi"), Bytes({0x7A, 0x2F}));
  EXPECT_EQ(Decrypted(Bytes({0x7A, 0x2F})), "Hi");
}

// Computed by a separate script that re-implements the shuffle documented in
// substitution_table.hpp and the steps of the two functions, not by this code.
TEST(TamskFixedVectors, LongerTexts) {
  const std::string secret = Bytes({0xD3, 0xE2, 0xE3, 0xB0, 0xBB, 0x93});
  EXPECT_EQ(Encrypted("secret"), secret);
  EXPECT_EQ(Decrypted(secret), "secret");

  const std::string fox =
      Bytes({0x22, 0x62, 0xAB, 0xA1, 0x0D, 0xBE, 0x36, 0x7B, 0x37, 0xF1, 0xBC, 0xE2, 0x0C,
             0xDB, 0x0B, 0xEE, 0x84, 0x4B, 0xA5, 0xF5, 0xD0, 0xA5, 0xEC, 0x91, 0xCC});
  EXPECT_EQ(Encrypted("The quick brown fox jumps"), fox);
  EXPECT_EQ(Decrypted(fox), "The quick brown fox jumps");
}

TEST(TamskFixedVectors, FFAtPositionZeroBecomesTheFirstKeyByte) {
  EXPECT_EQ(Encrypted(Bytes({0xFF, 0x01, 0x80, 0x7F})), Bytes({0x6F, 0x6C, 0x8F, 0xCB}));
}

}  // namespace

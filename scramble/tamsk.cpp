// libTamsk: the two exported scrambling functions over the fixed substitution and key.
#include "scramble/tamsk.h"

#include <cstddef>
#include <cstring>

#include "scramble/substitution_table.hpp"

namespace {

// The key's terminating NUL is part of the cycle: every 15th byte passes the key step as is.
constexpr char kKey[] = "old tuna parka";
constexpr std::size_t kKeyCycle = sizeof kKey;
static_assert(kKeyCycle == 15);

// Its own inverse for every non-zero byte. A byte equal to the key byte is kept rather than
// turned into a NUL that would cut the text short.
unsigned char ApplyKey(unsigned char byte, std::size_t position) {
  const auto key = static_cast<unsigned char>(kKey[position % kKeyCycle]);
  return byte == key ? byte : static_cast<unsigned char>(byte ^ key);
}

bool IsEven(std::size_t position) {
  return position % 2 == 0;
}

}  // namespace

// Each byte's result depends only on its value and position, so the steps run byte by byte.
// The length is taken once up front: a byte that becomes a NUL must not end the work early.
// Bytes go through unsigned char so that values above 0x7F index the tables correctly.
void EncryptText(char* text) {
  if (text == nullptr) return;
  auto* bytes = reinterpret_cast<unsigned char*>(text);
  const std::size_t length = std::strlen(text);
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char byte = bytes[i];
    if (IsEven(i)) byte = static_cast<unsigned char>(~byte);
    bytes[i] = ApplyKey(tamsk::kInverseSubstitution[byte], i);
  }
}

void DecryptText(char* text) {
  if (text == nullptr) return;
  auto* bytes = reinterpret_cast<unsigned char*>(text);
  const std::size_t length = std::strlen(text);
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char byte = tamsk::kSubstitution[ApplyKey(bytes[i], i)];
    if (IsEven(i)) byte = static_cast<unsigned char>(~byte);
    bytes[i] = byte;
  }
}

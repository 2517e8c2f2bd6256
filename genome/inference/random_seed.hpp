// The random seed a linkage run starts from when the user gives none.
#pragma once

#include <cstdint>

// The square of the clock's seconds modulo 10,000,000, cut to 32 bits as a signed value
// would hold it and made non-negative. Worked in 64 bits, so the square never overflows.
std::int32_t DefaultRandomSeed(std::int64_t secondsSince1970);

// The generator's random numbers: a fixed engine and our own bounded draws and shuffle,
// so that one seed gives the same chip with every standard library; and the finer draws of
// the arrays' and the model's numbers, on the same engine.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace synth {

class SynthRandom {
 public:
  explicit SynthRandom(std::uint64_t seed) : mEngine(seed) {}

  // A whole number from first to last, both included.
  int Between(int first, int last) {
    if (last <= first) return first;
    const auto span = static_cast<std::uint64_t>(last - first) + 1;
    return first + static_cast<int>(mEngine() % span);
  }
  bool Chance(int percent) { return Between(0, 99) < percent; }

  // Uniform on (0, 1), in steps of 2^-30, and a standard normal deviate (Box-Muller,
  // the radius drawn first).
  double Uniform() {
    constexpr int kSteps = 1 << 30;
    return (Between(0, kSteps - 1) + 0.5) / kSteps;
  }
  double Normal() {
    const double radius = std::sqrt(-2.0 * std::log(Uniform()));
    return radius * std::cos(2.0 * std::numbers::pi * Uniform());
  }

  template <typename T>
  void Shuffle(std::vector<T>& items) {
    for (std::size_t i = items.size(); i > 1; --i) {
      const std::size_t j = static_cast<std::size_t>(mEngine() % i);
      std::swap(items[i - 1], items[j]);
    }
  }

 private:
  std::mt19937_64 mEngine;
};

// Uniform numbers in steps of 2^-53 and what is drawn from them, so that one seed gives the
// same arrays and model data with every standard library.
class Draws {
 public:
  explicit Draws(std::uint64_t seed) : mEngine(seed) {}
  // Uniform on [0, 1).
  double Uniform() { return static_cast<double>(mEngine() >> 11) * 0x1.0p-53; }
  double Between(double low, double high) { return low + (high - low) * Uniform(); }
  // Uniform on the log scale.
  double LogBetween(double low, double high) {
    return std::exp(Between(std::log(low), std::log(high)));
  }
  // A standard normal deviate (Box-Muller).
  double Normal() {
    const double u = 1.0 - Uniform();  // in (0, 1]
    const double v = Uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * v);
  }
  bool Percent(int percent) { return Uniform() * 100.0 < percent; }
  // A whole number from 0 to count - 1.
  int Index(int count) { return static_cast<int>(mEngine() % static_cast<std::uint64_t>(count)); }

 private:
  std::mt19937_64 mEngine;
};

}  // namespace synth

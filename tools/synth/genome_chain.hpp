// Marker chains drawn from a known hidden Markov model: the hidden state of every
// marker and the symbol it emits, so inferences along a chromosome can be checked
// against the states that produced the data.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

struct ChainModel {
  // start[i]: the chance of state i, also the distribution a redrawn state comes from.
  std::vector<double> start;
  // emission[i][k]: the chance that state i emits symbol k.
  std::vector<std::vector<double>> emission;
  // distanceMb[t]: the distance from marker t to t + 1 (one fewer than the markers).
  std::vector<double> distanceMb;
};

struct Chain {
  std::vector<int> states;
  std::vector<int> symbols;
};

// The chance that the state is redrawn over a distance: 1 - exp(-0.02 d), 1 when the
// distance is unknown (-1).
double RedrawChance(double distanceMb);

// A chain of distanceMb.size() + 1 markers: at each step the state is redrawn from start
// with the redraw chance of the distance, else kept; each marker emits from its state.
Chain DrawChain(const ChainModel& model, std::uint64_t seed);

// A model of the given states and symbols with random start and emission rows (each
// symbol at least minChance before the row is normalised) and random distances up to
// maxDistanceMb, some of them unknown (-1) when withUnknown is set.
ChainModel RandomChainModel(int states, int symbols, int markers, double maxDistanceMb,
                            bool withUnknown, std::uint64_t seed);

}  // namespace synth

// One marker's observations under one inheritance vector as a graph: the founder alleles
// are its vertices, each weighed by its allele frequencies, and every observed person is an
// edge between the two founder alleles it carries (a loop when it carries one twice),
// weighed by the person's term for the pair of states. P(observations | v) is the sum over
// the vertices' states of the product of all weights. Vertices of degree two or less are
// summed out one by one, folding their weights into their neighbours; what is left when
// none is (every vertex meeting three edges or more, which takes loops in the pedigree's
// descent) is split on one vertex's two states. So the work grows with the number of
// observed persons, not with 2^(founder alleles).
#pragma once

#include <array>
#include <cstdint>

#include "genome/linkage/pedigree.hpp"

class FounderAlleleGraph {
 public:
  // Founder alleles stay below the person limit (the pedigree refuses more).
  static constexpr int kMaxVertices = kMaxPerson - 1;
  static constexpr int kMaxEdges = kMaxPerson;

  // An empty graph of founderAlleles vertices whose state 0 has frequency p.
  void Reset(int founderAlleles, double p);
  // A person carrying founder alleles x (paternal) and y (maternal), whose term for the
  // states (sx, sy) is term[2 sx + sy].
  void Add(int x, int y, const std::array<float, 4>& term);
  // The sum over all states. Vertices no person carries sum to 1. Consumes the graph.
  double Sum();
  // The most probable states of the vertices that observed persons carry (ties go to state
  // 0), -1 for the others; gives that state's weight. Consumes the graph.
  double Best(int* state);

 private:
  struct Edge {
    int a = 0, b = 0;
    std::array<double, 4> weight{};  // [2 x state of a + state of b]
  };
  // An edge seen from one end: the other end, and the weights w<own state><other's>.
  struct Oriented {
    int to = 0;
    double w00 = 0, w01 = 0, w10 = 0, w11 = 0;
  };
  // What summing out one vertex left for finding its best state afterwards.
  struct Step {
    int vertex = 0;
    int kind = 0;  // 0 alone, 1 one neighbour, 2 two, 3 a state chosen by the split
    int first = 0, second = 0;
    std::uint8_t best = 0;  // bit sy (kind 1) or 2 sy + sz (kind 2): the best state of vertex
  };
  // Sums (or maximises) every live vertex out; with Max, records the steps.
  template <bool Max>
  double Eliminate(Step* steps, int* stepCount);
  template <bool Max>
  [[gnu::noinline]] double Split(Step* steps, int* stepCount);
  Oriented From(int edge, int x) const {
    const Edge& e = mEdge[static_cast<std::size_t>(edge)];
    const bool flipped = e.a != x;
    return {flipped ? e.a : e.b, e.weight[0], e.weight[flipped ? 2u : 1u],
            e.weight[flipped ? 1u : 2u], e.weight[3]};
  }

  int mVertices = 0;
  int mEdges = 0;
  std::uint32_t mLive = 0;  // vertices still to be summed out
  std::array<std::array<double, 2>, kMaxVertices> mWeight{};
  std::array<std::uint32_t, kMaxVertices> mIncident{};  // edges, one bit each
  std::array<Edge, kMaxEdges> mEdge{};
};

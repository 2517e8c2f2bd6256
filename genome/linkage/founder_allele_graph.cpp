#include "genome/linkage/founder_allele_graph.hpp"

#include <bit>

#include "genome/linkage/bit_count.hpp"

namespace {

std::uint32_t Bit(int i) {
  return 1u << i;
}

// w[2 sa + sb] *= by[2 sa + sb], with by given from b's side when flipped.
void MultiplyInto(std::array<double, 4>& w, const std::array<double, 4>& by, bool flipped) {
  w[0] *= by[0], w[3] *= by[3];
  w[1] *= by[flipped ? 2 : 1], w[2] *= by[flipped ? 1 : 2];
}

}  // namespace

void FounderAlleleGraph::Reset(int founderAlleles, double p) {
  mVertices = founderAlleles;
  mEdges = 0;
  mLive = 0;
  for (int x = 0; x < founderAlleles; ++x) {
    mWeight[static_cast<std::size_t>(x)] = {p, 1 - p};
    mIncident[static_cast<std::size_t>(x)] = 0;
  }
}

void FounderAlleleGraph::Add(int x, int y, const std::array<float, 4>& term) {
  mLive |= Bit(x) | Bit(y);
  if (x == y) {
    mWeight[static_cast<std::size_t>(x)][0] *= term[0];
    mWeight[static_cast<std::size_t>(x)][1] *= term[3];
    return;
  }
  // A second person on the same two founder alleles weighs the same edge again.
  const std::uint32_t common =
      mIncident[static_cast<std::size_t>(x)] & mIncident[static_cast<std::size_t>(y)];
  if (common != 0) {
    Edge& e = mEdge[static_cast<std::size_t>(std::countr_zero(common))];
    const bool flipped = e.a != x;
    e.weight[0] *= term[0], e.weight[3] *= term[3];
    e.weight[1] *= term[flipped ? 2 : 1], e.weight[2] *= term[flipped ? 1 : 2];
    return;
  }
  const int k = mEdges++;
  Edge& e = mEdge[static_cast<std::size_t>(k)];
  e.a = x, e.b = y;
  for (std::size_t t = 0; t < 4; ++t) e.weight[t] = term[t];
  mIncident[static_cast<std::size_t>(x)] |= Bit(k);
  mIncident[static_cast<std::size_t>(y)] |= Bit(k);
}

double FounderAlleleGraph::Sum() {
  return Eliminate<false>(nullptr, nullptr);
}

double FounderAlleleGraph::Best(int* state) {
  for (int x = 0; x < mVertices; ++x) state[x] = -1;
  std::array<Step, kMaxVertices> steps;
  int count = 0;
  const double best = Eliminate<true>(steps.data(), &count);
  // Each vertex's best state given the neighbours it had, which were summed out later.
  for (int i = count - 1; i >= 0; --i) {
    const Step& s = steps[static_cast<std::size_t>(i)];
    int at = 0;
    if (s.kind == 1) at = state[s.first];
    if (s.kind == 2) at = 2 * state[s.first] + state[s.second];
    state[s.vertex] = s.kind == 3 ? s.best : (s.best >> at) & 1;
  }
  return best;
}

template <bool Max>
double FounderAlleleGraph::Eliminate(Step* steps, int* stepCount) {
  const auto pick = [](double a, double b) { return Max ? (b > a ? b : a) : a + b; };
  double total = 1;
  // Vertices whose degree may have fallen to two or less since they were last looked at.
  std::uint32_t candidates = mLive;
  while (candidates != 0) {
    const int x = std::countr_zero(candidates);
    candidates &= candidates - 1;
    const std::uint32_t incident = mIncident[static_cast<std::size_t>(x)];
    if (!AtMostTwoBits(incident)) continue;
    const std::array<double, 2> w = mWeight[static_cast<std::size_t>(x)];
    mLive &= ~Bit(x);
    mIncident[static_cast<std::size_t>(x)] = 0;
    Step step;
    step.vertex = x;
    if (incident == 0) {
      total *= pick(w[0], w[1]);
      step.best = w[1] > w[0] ? 1 : 0;
      if constexpr (Max) steps[(*stepCount)++] = step;
      continue;
    }
    const int k1 = std::countr_zero(incident);
    const Oriented g1 = From(k1, x);
    const int y = g1.to;
    step.first = y;
    if ((incident & (incident - 1)) == 0) {
      std::array<double, 2>& into = mWeight[static_cast<std::size_t>(y)];
      const double zero0 = w[0] * g1.w00, one0 = w[1] * g1.w10;
      const double zero1 = w[0] * g1.w01, one1 = w[1] * g1.w11;
      into[0] *= pick(zero0, one0);
      into[1] *= pick(zero1, one1);
      if (Max)
        step.best = static_cast<std::uint8_t>((one0 > zero0 ? 1 : 0) | (one1 > zero1 ? 2 : 0));
      mIncident[static_cast<std::size_t>(y)] &= ~Bit(k1);
      candidates |= Bit(y);
      step.kind = 1;
      if constexpr (Max) steps[(*stepCount)++] = step;
      continue;
    }
    const int k2 = std::countr_zero(incident & (incident - 1));
    const Oriented g2 = From(k2, x);
    const int z = g2.to;
    step.second = z;
    step.kind = 2;
    // joint[2 sy + sz]: x summed out (or maximised) given y and z.
    const double a0 = w[0] * g1.w00, a1 = w[0] * g1.w01;  // x at 0, y at 0 or 1
    const double b0 = w[1] * g1.w10, b1 = w[1] * g1.w11;  // x at 1
    const std::array<double, 4> zero = {a0 * g2.w00, a0 * g2.w01, a1 * g2.w00, a1 * g2.w01};
    const std::array<double, 4> one = {b0 * g2.w10, b0 * g2.w11, b1 * g2.w10, b1 * g2.w11};
    std::array<double, 4> joint{};
    for (std::size_t k = 0; k < 4; ++k) {
      joint[k] = pick(zero[k], one[k]);
      if (Max && one[k] > zero[k]) step.best |= static_cast<std::uint8_t>(1u << k);
    }
    if constexpr (Max) steps[(*stepCount)++] = step;
    const std::uint32_t common =
        mIncident[static_cast<std::size_t>(y)] & mIncident[static_cast<std::size_t>(z)];
    if (common != 0) {
      // y and z were already joined: the new weight falls on their edge, and each of them
      // loses one.
      Edge& e3 = mEdge[static_cast<std::size_t>(std::countr_zero(common))];
      MultiplyInto(e3.weight, joint, e3.a != y);
      mIncident[static_cast<std::size_t>(y)] &= ~Bit(k1);
      mIncident[static_cast<std::size_t>(z)] &= ~Bit(k2);
      candidates |= Bit(y) | Bit(z);
    } else {
      // The first edge's place becomes the edge y-z; the degrees stay as they were.
      Edge& joined = mEdge[static_cast<std::size_t>(k1)];
      joined.a = y, joined.b = z, joined.weight = joint;
      std::uint32_t& atZ = mIncident[static_cast<std::size_t>(z)];
      atZ = (atZ & ~Bit(k2)) | Bit(k1);
    }
  }
  if (mLive == 0) return total;

  return total * Split<Max>(steps, stepCount);
}

// Every vertex left meets three edges or more: split on the one that meets the most.
template <bool Max>
double FounderAlleleGraph::Split(Step* steps, int* stepCount) {
  const auto pick = [](double a, double b) { return Max ? (b > a ? b : a) : a + b; };
  int x = -1, most = -1;
  for (std::uint32_t live = mLive; live != 0; live &= live - 1) {
    const int v = std::countr_zero(live);
    const int degree = BitCount(mIncident[static_cast<std::size_t>(v)]);
    if (degree > most) most = degree, x = v;
  }
  std::array<double, 2> value{};
  std::array<std::array<Step, kMaxVertices>, 2> branchSteps;
  std::array<int, 2> branchCount{};
  for (std::size_t s = 0; s < 2; ++s) {
    FounderAlleleGraph branch = *this;
    for (std::uint32_t incident = branch.mIncident[static_cast<std::size_t>(x)]; incident != 0;
         incident &= incident - 1) {
      const int k = std::countr_zero(incident);
      const Oriented g = branch.From(k, x);
      std::array<double, 2>& into = branch.mWeight[static_cast<std::size_t>(g.to)];
      into[0] *= s == 0 ? g.w00 : g.w10;
      into[1] *= s == 0 ? g.w01 : g.w11;
      branch.mIncident[static_cast<std::size_t>(g.to)] &= ~Bit(k);
    }
    branch.mIncident[static_cast<std::size_t>(x)] = 0;
    branch.mLive &= ~Bit(x);
    value[s] = mWeight[static_cast<std::size_t>(x)][s] *
               branch.Eliminate<Max>(branchSteps[s].data(), &branchCount[s]);
  }
  if constexpr (Max) {
    const std::size_t s = value[1] > value[0] ? 1 : 0;
    Step step;
    step.vertex = x;
    step.kind = 3;
    step.best = static_cast<std::uint8_t>(s);
    steps[(*stepCount)++] = step;
    for (int i = 0; i < branchCount[s]; ++i)
      steps[(*stepCount)++] = branchSteps[s][static_cast<std::size_t>(i)];
  }
  mLive = 0;
  return pick(value[0], value[1]);
}

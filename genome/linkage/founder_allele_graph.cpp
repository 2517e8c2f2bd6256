#include "genome/linkage/founder_allele_graph.hpp"

#include <bit>

namespace {

std::uint32_t Bit(int i) {
  return 1u << i;
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
    const bool along = e.a == x;
    for (int sx = 0; sx < 2; ++sx)
      for (int sy = 0; sy < 2; ++sy)
        (along ? e.weight[sx][sy] : e.weight[sy][sx]) *=
            term[static_cast<std::size_t>(2 * sx + sy)];
    return;
  }
  const int k = mEdges++;
  Edge& e = mEdge[static_cast<std::size_t>(k)];
  e.a = x, e.b = y;
  for (int sx = 0; sx < 2; ++sx)
    for (int sy = 0; sy < 2; ++sy) e.weight[sx][sy] = term[static_cast<std::size_t>(2 * sx + sy)];
  mIncident[static_cast<std::size_t>(x)] |= Bit(k);
  mIncident[static_cast<std::size_t>(y)] |= Bit(k);
}

double FounderAlleleGraph::Sum() {
  std::array<Step, kMaxVertices> steps;
  int count = 0;
  return Eliminate<false>(steps.data(), &count);
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

double FounderAlleleGraph::EdgeWeight(int edge, int from, int sFrom, int sTo) const {
  const Edge& e = mEdge[static_cast<std::size_t>(edge)];
  return e.a == from ? e.weight[sFrom][sTo] : e.weight[sTo][sFrom];
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
    const int degree = std::popcount(incident);
    if (degree > 2) continue;
    const std::array<double, 2> w = mWeight[static_cast<std::size_t>(x)];
    mLive &= ~Bit(x);
    mIncident[static_cast<std::size_t>(x)] = 0;
    Step step;
    step.vertex = x;
    step.kind = degree;
    if (degree == 0) {
      total *= pick(w[0], w[1]);
      step.best = w[1] > w[0] ? 1 : 0;
      if (Max) steps[(*stepCount)++] = step;
      continue;
    }
    const int k1 = std::countr_zero(incident);
    const Edge& e1 = mEdge[static_cast<std::size_t>(k1)];
    const int y = e1.a == x ? e1.b : e1.a;
    step.first = y;
    if (degree == 1) {
      for (int sy = 0; sy < 2; ++sy) {
        const double zero = w[0] * EdgeWeight(k1, x, 0, sy);
        const double one = w[1] * EdgeWeight(k1, x, 1, sy);
        mWeight[static_cast<std::size_t>(y)][static_cast<std::size_t>(sy)] *= pick(zero, one);
        if (one > zero) step.best |= static_cast<std::uint8_t>(Bit(sy));
      }
      mIncident[static_cast<std::size_t>(y)] &= ~Bit(k1);
      candidates |= Bit(y);
      if (Max) steps[(*stepCount)++] = step;
      continue;
    }
    const int k2 = std::countr_zero(incident & (incident - 1));
    const Edge& e2 = mEdge[static_cast<std::size_t>(k2)];
    const int z = e2.a == x ? e2.b : e2.a;
    step.second = z;
    std::array<std::array<double, 2>, 2> joint{};
    for (int sy = 0; sy < 2; ++sy)
      for (int sz = 0; sz < 2; ++sz) {
        const double zero = w[0] * EdgeWeight(k1, x, 0, sy) * EdgeWeight(k2, x, 0, sz);
        const double one = w[1] * EdgeWeight(k1, x, 1, sy) * EdgeWeight(k2, x, 1, sz);
        joint[static_cast<std::size_t>(sy)][static_cast<std::size_t>(sz)] = pick(zero, one);
        if (one > zero) step.best |= static_cast<std::uint8_t>(Bit(2 * sy + sz));
      }
    if (Max) steps[(*stepCount)++] = step;
    const std::uint32_t common =
        mIncident[static_cast<std::size_t>(y)] & mIncident[static_cast<std::size_t>(z)];
    if (common != 0) {
      // y and z were already joined: the new weight falls on their edge, and each of them
      // loses one.
      Edge& e3 = mEdge[static_cast<std::size_t>(std::countr_zero(common))];
      const bool along = e3.a == y;
      for (int sy = 0; sy < 2; ++sy)
        for (int sz = 0; sz < 2; ++sz)
          (along ? e3.weight[sy][sz] : e3.weight[sz][sy]) *= joint[sy][sz];
      mIncident[static_cast<std::size_t>(y)] &= ~Bit(k1);
      mIncident[static_cast<std::size_t>(z)] &= ~Bit(k2);
      candidates |= Bit(y) | Bit(z);
    } else {
      // The first edge's place becomes the edge y-z; the degrees stay as they were.
      Edge& joined = mEdge[static_cast<std::size_t>(k1)];
      joined.a = y, joined.b = z, joined.weight = joint;
      mIncident[static_cast<std::size_t>(z)] =
          (mIncident[static_cast<std::size_t>(z)] & ~Bit(k2)) | Bit(k1);
    }
  }
  if (mLive == 0) return total;

  // Every vertex left meets three edges or more: split on the one that meets the most.
  int x = -1, most = -1;
  for (std::uint32_t live = mLive; live != 0; live &= live - 1) {
    const int v = std::countr_zero(live);
    const int degree = std::popcount(mIncident[static_cast<std::size_t>(v)]);
    if (degree > most) most = degree, x = v;
  }
  std::array<double, 2> value{};
  std::array<std::array<Step, kMaxVertices>, 2> branchSteps;
  std::array<int, 2> branchCount{};
  for (int s = 0; s < 2; ++s) {
    FounderAlleleGraph branch = *this;
    for (std::uint32_t incident = branch.mIncident[static_cast<std::size_t>(x)]; incident != 0;
         incident &= incident - 1) {
      const int k = std::countr_zero(incident);
      const Edge& e = branch.mEdge[static_cast<std::size_t>(k)];
      const int y = e.a == x ? e.b : e.a;
      for (int sy = 0; sy < 2; ++sy)
        branch.mWeight[static_cast<std::size_t>(y)][static_cast<std::size_t>(sy)] *=
            branch.EdgeWeight(k, x, s, sy);
      branch.mIncident[static_cast<std::size_t>(y)] &= ~Bit(k);
    }
    branch.mIncident[static_cast<std::size_t>(x)] = 0;
    branch.mLive &= ~Bit(x);
    value[static_cast<std::size_t>(s)] =
        mWeight[static_cast<std::size_t>(x)][static_cast<std::size_t>(s)] *
        branch.Eliminate<Max>(branchSteps[static_cast<std::size_t>(s)].data(),
                              &branchCount[static_cast<std::size_t>(s)]);
  }
  if (Max) {
    const int s = value[1] > value[0] ? 1 : 0;
    Step step;
    step.vertex = x;
    step.kind = 3;
    step.best = static_cast<std::uint8_t>(s);
    steps[(*stepCount)++] = step;
    for (int i = 0; i < branchCount[static_cast<std::size_t>(s)]; ++i)
      steps[(*stepCount)++] = branchSteps[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)];
  }
  mLive = 0;
  return total * pick(value[0], value[1]);
}

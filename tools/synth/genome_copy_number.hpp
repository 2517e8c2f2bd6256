// Signals of arrays whose copy number departs from two over planted stretches, with the
// truth of every cell: per marker a normal mean and spread, normal samples drawn around
// them, and samples whose signal follows their planted copy number. With parent-specific
// copy number each parent's copies carry allele A or B at every marker, and the A and B
// signals follow the copies of each allele.
#pragma once

#include <cstdint>
#include <vector>

namespace synth {

// Copy number of one sample over markers first..last (both included): the total, or
// with parent-specific signals the copies of the first and second parent.
struct CopySegment {
  int sample = 0;
  int first = 0;
  int last = 0;
  double copies = 2;
  double firstParent = 1;
  double secondParent = 1;
};

struct CopyPlan {
  int markers = 5000;
  int samples = 4;
  int normals = 12;  // samples of two copies everywhere that make the reference
  // A marker's normal signal has mean 500..3000 and this spread relative to the mean; a
  // sample of c copies has mean mean x c / 2 and spread spread x max(c / 2, 0.5).
  double spread = 0.15;
  bool parentSpecific = false;
  std::vector<CopySegment> segments;
  std::uint64_t seed = 1;
};

struct CopyArrays {
  std::vector<float> mean;  // per marker: the normal signal's mean and spread
  std::vector<float> sd;
  // [sample][marker]: the total signal, or the A signal with parent-specific copy number,
  // and then the B signal (empty without).
  std::vector<std::vector<float>> normal, normalB;
  std::vector<std::vector<float>> signal, signalB;
  // [sample][marker]: the truth; with parent-specific copy number the two parents' copies
  // (the sum in copies).
  std::vector<std::vector<float>> copies, firstParent, secondParent;
};

CopyArrays DrawCopyArrays(const CopyPlan& plan);

}  // namespace synth

// The most likely copy-state path along a stretch, for the copy-number models of HMM.
//
// Their moves depend only on whether the state changes: leaving state i for j has the
// chance theta x start[j] whatever i is. So at each position the best way into j comes
// from the best previous state, or the second best when the best is j itself, and one
// position costs O(N) rather than the O(N^2) of HMM::Viterbi. Parent-specific states may
// move only while one parental state stays, so the best state of each first-parent and
// each second-parent state stands beside the overall best. Ties go to the lower state, as
// in HMM::Viterbi.
#pragma once

#include <vector>

#include "genome/inference/hmm.hpp"

// log10 of the emission chance of every state at position t of a continuous model, equal
// to HMM::Emission up to rounding: the t density with 40 degrees of freedom in closed
// form. A missing signal gives 0 for every state.
void CopyEmissionRow(const HMM& hmm, int t, double* row);

// The costs (negative log10 chances) of staying in a state and of moving into it, for
// every move t -> t + 1 of a stretch and every distinct start chance. They follow from
// the distances and the start chances alone, so samples that share both share them.
struct SwitchCosts {
  std::vector<float> start;       // per state, as the costs were made from
  std::vector<int> startKind;     // per state, its distinct start chance
  int kinds = 0;                  // distinct start chances
  std::vector<float> stay, move;  // [t * kinds + kind]
};

// The costs of a model whose start and theta are set, exactly as HMM::TransitionChance
// forms the chances.
void MakeSwitchCosts(const HMM& hmm, SwitchCosts* costs);

// Fills hmm.back, hmm.path and hmm.bestCost (costs in double, not kept per position) for
// a continuous model whose start, copyLevel, parent tables, observations and theta are
// set. Always true.
bool ViterbiByChange(HMM& hmm);
// The same with the costs of the moves made beforehand for this model's starts and
// distances; theta is not read.
bool ViterbiByChange(HMM& hmm, const SwitchCosts& costs);

// Reproducible random numbers: a seeded uniform generator with a shuffle table, normal
// deviates from it, the replicate-weighted mean that perturbs values with them, and
// permutations driven by the run-time library's rand().
#pragma once

// Uniform deviate in (0, 1), never above 0.99999988. A seed <= 0 (or the first call of
// the process) restarts the generator from abs(seed), at least 1. Every seed shares one
// shuffle table, so interleaving seeds interleaves one stream.
double UniformDeviate(int* seed);

// Standard normal deviate (polar Box-Muller); deviates come in pairs and the second is
// kept for the next call unless that call passes a negative seed.
double GaussianDeviate(int* seed);

// GaussianDeviate on a process-wide seed (starting at -1), scaled and shifted.
double NormalDeviate(double mean, double sd);

// Combines replicate values with their standard errors: the between-replicate variance V
// is estimated by perturbing each value by its error times a fixed set of 1000 normal
// deviates (20 passes); weights are 1 / (V + e^2). Missing values are skipped; with none,
// mean and se are MISSING_VALUE, with one they are that value and its error.
void WeightedMeanWithErrors(const double* x, const double* e, int n, double* mean, double* se);
// Fills the deviates every weighted mean shares (its first call does otherwise), so that
// threads may then call WeightedMeanWithErrors at once.
void PrepareWeightedMeans();

// Shuffles v in place: v[i] is exchanged with v[i + rand() mod (n - i)].
void RandomPermutation(int* v, int n);

// For tests: forgets the shuffle table, the stored deviate, the NormalDeviate seed and the
// weighted mean's deviate cache. ResetNumericState calls it.
void ResetDeviateState();

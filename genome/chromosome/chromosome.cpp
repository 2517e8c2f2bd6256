#include "genome/chromosome/chromosome.hpp"

#include <algorithm>
#include <new>

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

CHROMOSOME chromosome;

namespace {

constexpr std::array<std::array<bool, kChroDataTypeCount>, 5> kOffered = {{
    {true, true, false, false, false, false},  // LOH
    {true, true, true, true, false, false},    // copy number
    {true, false, false, false, true, false},  // linkage
    {true, false, true, true, false, false},   // expression
    {true, true, false, false, false, true},   // allele sharing
}};

}  // namespace

bool MethodOffersDataType(int method, int dataType) {
  if (method < 0 || method >= static_cast<int>(kOffered.size())) return false;
  if (dataType < 0 || dataType >= kChroDataTypeCount) return false;
  return kOffered[static_cast<std::size_t>(method)][static_cast<std::size_t>(dataType)];
}

int DefaultsIndex(int method, int dataType) {
  if (dataType == kDataCall && method == kChroLinkage) return 4;
  if (dataType == kDataCall && method == kChroAlleleSharing) return 5;
  return dataType;
}

template <typename T>
bool SampleMatrix<T>::Allocate(int samples, int units, T initial) {
  Free();
  try {
    mCells.assign(static_cast<std::size_t>(samples) * static_cast<std::size_t>(units), initial);
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
  mUnits = static_cast<std::size_t>(units);
  return true;
}

template <typename T>
void SampleMatrix<T>::Free() {
  std::vector<T>().swap(mCells);
  mUnits = 0;
}

template class SampleMatrix<std::uint8_t>;
template class SampleMatrix<float>;
template class SampleMatrix<std::array<std::uint8_t, 4>>;

ChroTables TablesFor(int method, bool snpArray, bool parentSpecific) {
  ChroTables tables;
  tables.lohCodes = snpArray;
  const bool signals = method == kChroCopyNumber || method == kChroExpression;
  tables.signal = signals;
  tables.secondSignal = signals && snpArray && parentSpecific;
  tables.inferred = signals || method == kChroAlleleSharing;
  return tables;
}

CHROMOSOME::CHROMOSOME() {
  Threshold.fill(kMissingValueFloat);
  Min.fill(kMissingValueFloat);
  Max.fill(kMissingValueFloat);
  gender.fill('F');
  ploidy.fill(-1);
}

void CHROMOSOME::Clear() {
  calls.Free();
  lohCodes.Free();
  inferred.Free();
  signal.Free();
  secondSignal.Free();
  haplotypes.Free();
  std::vector<MarkerStats>().swap(markerStats);
  sampleCount = 0;
  unitCount = 0;
}

bool CHROMOSOME::Allocate(int samples, int units, const ChroTables& tables) {
  Clear();
  bool ok = samples >= 0 && samples <= kMaxChroSamples && units >= 0;
  ok = ok && calls.Allocate(samples, units, 3);
  ok = ok && (!tables.lohCodes || lohCodes.Allocate(samples, units, kLohNoCall));
  ok = ok && (!tables.inferred || inferred.Allocate(samples, units, kMissingValueFloat));
  ok = ok && (!tables.signal || signal.Allocate(samples, units, kMissingValueFloat));
  ok = ok && (!tables.secondSignal || secondSignal.Allocate(samples, units, kMissingValueFloat));
  if (ok) {
    try {
      MarkerStats missing;
      missing.summary.fill(kMissingValueFloat);
      markerStats.assign(static_cast<std::size_t>(units), missing);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    LogMessage(kChroAllocationMessage, 0, kLogRed);
    return false;
  }
  sampleCount = samples;
  unitCount = units;
  return true;
}

std::size_t CHROMOSOME::HeldBytes(int samples, int units, const ChroTables& tables) {
  std::size_t bytes = SampleMatrix<std::uint8_t>::Bytes(samples, units);
  const std::size_t floats = SampleMatrix<float>::Bytes(samples, units);
  bytes += tables.lohCodes ? floats : 0;
  bytes += tables.inferred ? floats : 0;
  bytes += tables.signal ? floats : 0;
  bytes += tables.secondSignal ? floats : 0;
  return bytes + static_cast<std::size_t>(units) * sizeof(MarkerStats);
}

int CHROMOSOME::ClassifyInferredLoh(float x, float callThreshold) {
  if (x > callThreshold && x <= 1) return kLohLoss;
  if (x < 1 - callThreshold && x >= 0) return kLohRetention;
  return kLohNoCall;
}

int PairedLohCode(int normal, int tumour) {
  constexpr int kA = 0, kB = 1, kAB = 2, kNone = 3;
  if (normal == kAB) {
    if (tumour == kA || tumour == kB) return kLohLoss;
    return tumour == kAB ? kLohRetention : kLohNoCall;
  }
  if (normal == kNone) return tumour == kAB ? kLohRetention : kLohNoCall;
  return tumour == kNone || tumour == normal ? kLohNoninformative : kLohConflict;
}

bool CHROMOSOME::GetCalls(std::span<const int> groupSizes, const SampleCallSource& callOf) {
  JobProgress& progress = Progress();
  LogMessage(kObtainingCallsMessage);
  LogMessage(MessageBuffer(kUnitProgressMessage, 0));
  for (int u = 0; u < unitCount; ++u) {
    int first = 0;
    for (const int size : groupSizes) {
      if (size <= 0 || first + size > sampleCount) break;
      for (int s = first; s < first + size; ++s) {
        calls.Row(s)[u] = static_cast<std::uint8_t>(std::clamp(callOf(u, s), 0, 255));
      }
      float code = kLohNoCall;
      if (size > 1) {
        const int normal = calls.Row(first)[u];
        if (normal > 3) {
          LogMessage(kLohCallingErrorMessage, 0, kLogRed);
          return false;
        }
        code = static_cast<float>(PairedLohCode(normal, calls.Row(first + 1)[u]));
      }
      if (!lohCodes.Empty()) {
        for (int s = first; s < first + size; ++s) lohCodes.Row(s)[u] = code;
      }
      first += size;
    }
    markerStats[static_cast<std::size_t>(u)].summary[kDataCall] = kMissingValueFloat;
    if ((u + 1) % kCallProgressStep == 0) {
      progress.ShowProgress(MessageBuffer(kUnitProgressMessage, u + 1));
      progress.Pump();
    }
  }
  progress.ShowProgress(MessageBuffer(kUnitProgressMessage, unitCount));
  LogMessage("");
  return true;
}

// The reference statistics step of a genome information read, apart from the table so
// the table is usable without the position lists' builder.
#include "engine/base/text_helpers.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/info/reference_genotypes.hpp"

bool ComputeReferenceStatistics(GENOME_INFO& info, const GroupSettings& settings) {
  if (IsNone(settings.NORMAL_GENOTYPE_FILE) ||
      settings.INFER_NONINFORMATIVE != kHaplotypeLohMethod) {
    return true;
  }
  if (!ReferenceGenotypes.ReadRefGenotypeFile(settings.NORMAL_GENOTYPE_FILE.c_str())) return false;
  LogMessage(kReferenceStatisticsMessage);
  if (!info.GetUnitPos()) return false;
  ComputeReferenceRates(info, ReferenceGenotypes);
  LogMessage("");
  return true;
}

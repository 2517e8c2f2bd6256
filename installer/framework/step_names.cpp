#include "installer/framework/step_names.hpp"

#include "installer/framework/environment.hpp"

namespace quellbrook {

namespace {

constexpr const char* kCharacterMode = "-c -t\";\"";

constexpr StepNames kRows[kStepCodeCount] = {
    {"sql_load_protocol_steps.sql", "sql_drop_protocol_steps.sql", kCharacterMode, false,
     "LOAD_PROTOCOL_FILE", "KORX_SP_LOAD_PROTOCOL", "ora_load_protocol_steps.sql",
     "ora_drop_protocol_steps.sql", "ora_protocol.ctl", "ora_run_protocol_steps.sql"},
    {"sql_load_alg.sql", "sql_drop_alg.sql", kCharacterMode, false, "LOAD_ALG", "KORX_SP_LOAD_ALG",
     "ora_load_alg.sql", "ora_drop_alg.sql", "ora_alg.ctl", "ora_run_alg.sql"},
    {"sql_load_dev.sql", "sql_drop_dev.sql", "bcp_dev.fmt", true, "LOAD_DEV", "KORX_SP_LOAD_DEV",
     "ora_load_dev.sql", "ora_drop_dev.sql", "ora_dev.ctl", "ora_run_dev.sql"},
    {"sql_load_cif.sql", "sql_drop_cif.sql", "bcp_cif.fmt", true, "LOAD_CIF_FILE",
     "KORX_SP_LOAD_CIF", "ora_load_cif.sql", "ora_drop_cif.sql", "ora_cif.ctl", "ora_run_cif.sql"},
    {"sql_load_gin.sql", "sql_drop_gin.sql", kCharacterMode, false, "LOAD_GIN_HEAD",
     "KORX_SP_LOAD_GIN", "ora_load_gin.sql", "ora_drop_gin.sql", "ora_gin_hdr.ctl",
     "ora_run_gin.sql"},
    {"sql_load_gin.sql", "sql_drop_gin.sql", "bcp_url.fmt", true, "LOAD_GIN_URL",
     "KORX_SP_LOAD_GIN", "ora_load_gin.sql", "ora_drop_gin.sql", "ora_gin_url.ctl",
     "ora_run_gin.sql"},
    {"sql_load_gin.sql", "sql_drop_gin.sql", "bcp_des.fmt", true, "LOAD_GIN_DES",
     "KORX_SP_LOAD_GIN", "ora_load_gin.sql", "ora_drop_gin.sql", "ora_gin_des.ctl",
     "ora_run_gin.sql"},
    {"sql_load_mac.sql", "sql_drop_mac.sql", "bcp_mac.fmt", true, "LOAD_MAC_FILE",
     "KORX_SP_LOAD_MAC", "ora_load_mac.sql", "ora_drop_mac.sql", "ora_mac.ctl", "ora_run_mac.sql"},
    {"sql_load_sif.sql", "sql_drop_sif.sql", kCharacterMode, false, "LOAD_SIF_FILE",
     "KORX_SP_LOAD_SIF", "ora_load_sif.sql", "ora_drop_sif.sql", "ora_sif.ctl", "ora_run_sif.sql"},
    {nullptr, nullptr, nullptr, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    {"sql_load_MIAME_sample.sql", "sql_drop_MIAME_sample.sql", kCharacterMode, false,
     "LOAD_MIAME_FILE", "KORX_SP_LOAD_MIAME", "ora_load_MIAME_sample.sql",
     "ora_drop_MIAME_sample.sql", "ora_MIAME.ctl", "ora_run_MIAME_sample.sql"},
    {nullptr, "sql_drop_lib_trel30_update.sql", nullptr, false, nullptr, nullptr, nullptr,
     "ora_drop_lib_trel30_update.sql", nullptr, nullptr},
    {"sql_update_dp.sql", "sql_drop_dp.sql", nullptr, false, nullptr, "KORX_SP_UPDATE_DP",
     "ora_update_dp.sql", "ora_drop_dp.sql", nullptr, "ora_run_dp.sql"},
};

// Data objects before 3.1 load algorithms and analysis parameters with their own scripts
// and files; dropping and the procedures stay those of the newer rows.
constexpr StepNames kAlgorithmRowBefore31 = {"sql_load_alg_30.sql",
                                             "sql_drop_alg.sql",
                                             kCharacterMode,
                                             false,
                                             "LOAD_ALG",
                                             "KORX_SP_LOAD_ALG",
                                             "ora_load_alg_30.sql",
                                             "ora_drop_alg.sql",
                                             "ora_alg_30.ctl",
                                             "ora_run_alg.sql"};
constexpr StepNames kAnalysisParameterRowBefore31 = {
    "sql_load_cif_30.sql", "sql_drop_cif.sql", "bcp_cif_30.fmt",      true,
    "LOAD_CIF_FILE",       "KORX_SP_LOAD_CIF", "ora_load_cif_30.sql", "ora_drop_cif.sql",
    "ora_cif_30.ctl",      "ora_run_cif.sql"};

}  // namespace

const StepNames* FindStepNames(int code, double version) {
  if (code < 0 || code >= kStepCodeCount || code == kStepNone) return nullptr;
  if (!IsVersionAtLeast31(version)) {
    if (code == kStepAlgorithm) return &kAlgorithmRowBefore31;
    if (code == kStepAnalysisParameters) return &kAnalysisParameterRowBefore31;
  }
  return &kRows[code];
}

std::string BcpOptionText(const StepNames& names, std::string_view formatFile) {
  if (names.bcpOption == nullptr) return {};
  if (!names.bcpFormatFile) return names.bcpOption;
  return "-f\"" + (formatFile.empty() ? std::string(names.bcpOption) : std::string(formatFile)) +
         "\"";
}

}  // namespace quellbrook

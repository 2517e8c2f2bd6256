// The probe-level tables of Tools/Export Probe Set: the perfect-match and mismatch
// intensities of probe sets on every array (with the model's values beside them), or the
// probe sensitivities of the probe sensitivity index file, for the current probe set or
// the probe sets of the gene list.
#pragma once

#include <iosfwd>
#include <string>

class Group;

// printf form with the path; followed by the system's reason.
inline constexpr const char* kProbeExportWriteFailedMessage = "  Writing file '%s' failed";
inline constexpr const char* kProbeExportExportedMessage = "  File %s exported";
inline constexpr const char* kProbeExportNoPlanesMessage =
    "  The arrays' intensities are not held; open the group with probe data loaded";

// Writes the intensity table to path: the current probe set's rows when currentOnly and
// there is one, else those of the gene list's probe sets (all when there is no list).
// The file replaces the old one only when complete and is then registered; a failed
// write (logged in red) or a stop gives false and leaves the old file.
[[nodiscard]] bool ExportProbeValues(const std::string& path, bool currentOnly);
// The same for the probe sensitivities, after reading PSI_FILE_NAME (false when that
// fails).
[[nodiscard]] bool ExportProbeModel(const std::string& path, bool currentOnly);

// The columns of one intensity table, chosen once from the group, the settings and the
// model: every row of the table has the fields its column titles name.
struct ProbeValueColumns {
  bool positions = false;       // X, Y and the position number of the perfect-match cell
  bool lessBackground = false;  // intensities less their zone's background (PM-only model)
  bool fitted = false;          // the model's fit of the one probe set it holds
  bool mismatchPhi = false;     // with the fit, the mismatch probes' sensitivities too
  bool stored = false;          // the array's stored value
};
// For the current-probe-set form (currentUnit the probe set) or the list form (-1).
ProbeValueColumns ChooseProbeValueColumns(int currentUnit);
void WriteProbeValueTitles(std::ostream& stream, const ProbeValueColumns& columns);

// The row writers: one row per probe pair and array (pairs outer), and one per probe.
void WriteProbeValueRows(std::ostream& stream, int unit, const ProbeValueColumns& columns);
void WriteProbeModelRows(std::ostream& stream, int unit);

// The chip description a group's settings name, loaded with their mask file.
#pragma once

#include "engine/group/group_settings.hpp"

// Loads CDF_FILE under MASK_FILE (rebuild converts it even when its cache is usable);
// probeLevel loads the cell table also without LOAD_PROBE_DATA. Takes back the model
// method the chip asks for (exon arrays are fitted with the perfect-match model).
[[nodiscard]] bool LoadSettingsChip(GroupSettings& settings, bool rebuild, bool probeLevel);

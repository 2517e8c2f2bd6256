// The size check of chip description headers.
#include "engine/chip/description_size.hpp"

#include <algorithm>

#include "engine/services/log_channel.hpp"

bool DescriptionHoldsLayout(std::uint64_t descriptionBytes, int dimension, int unitCount,
                            std::uint64_t bytesPerUnit) {
  const std::uint64_t side = static_cast<std::uint64_t>(std::max(dimension, 0));
  const std::uint64_t units = static_cast<std::uint64_t>(std::max(unitCount, 0));
  const std::uint64_t gridCells = side * side;
  const bool gridHeld = gridCells <= kGridCellsAlwaysTaken ||
                        gridCells / kGridCellsPerDescriptionByte <= descriptionBytes;
  const bool unitsHeld = units <= descriptionBytes / std::max<std::uint64_t>(bytesPerUnit, 1);
  if (gridHeld && unitsHeld) return true;
  LogMessage(MessageBuffer("    Error: a chip description of %llu bytes cannot hold %d probe sets "
                           "on a %d x %d chip; its header is damaged",
                           static_cast<unsigned long long>(descriptionBytes), unitCount, dimension,
                           dimension),
             0, kLogRed);
  return false;
}

// Probe-set lookup by whole name for readers that look up every line of a long file.
// Files usually list the probe sets in chip order, so the unit after the last hit is
// tried first; otherwise a table built on the first miss finds any name at once, and a
// file of any order reads in linear time.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

struct CDF_LAYOUT;

class UnitNameIndex {
 public:
  // Looks up the units of the layout as it is now; a later load needs a new index.
  explicit UnitNameIndex(const CDF_LAYOUT& layout);

  // The unit whose whole name equals name without regard to ASCII case; -1 when there is
  // none. When names repeat, the unit right after the last hit is preferred, else the
  // first of them. Unlike FindUnit it leaves UnitSearchStart alone.
  int Find(std::string_view name);
  // Like Find, but without the table: the units nearest to hint are compared first,
  // alternately after and before it. For the first name of a piece of a file in chip
  // order, where the table would cost more than the piece.
  int FindNear(std::string_view name, int hint);

 private:
  struct TransparentHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  void Build();

  const CDF_LAYOUT& mLayout;
  int mCount = 0;
  int mNext = 0;  // the unit after the last hit
  bool mBuilt = false;
  std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> mUnits;
  std::string mKey;  // the upper-cased name being looked up
};

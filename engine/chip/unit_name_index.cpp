// The whole-name probe-set lookup behind the long-file readers.
#include "engine/chip/unit_name_index.hpp"

#include <algorithm>

#include "engine/chip/cdf_layout.hpp"
#include "platform/path.hpp"

namespace {

void UpperCaseInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& ch : out)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
}

}  // namespace

UnitNameIndex::UnitNameIndex(const CDF_LAYOUT& layout)
    : mLayout(layout),
      mCount(std::max(0, std::min(layout.unitCount, static_cast<int>(layout.units.size())))) {}

void UnitNameIndex::Build() {
  mBuilt = true;
  mUnits.reserve(static_cast<std::size_t>(mCount));
  std::string key;
  for (int unit = 0; unit < mCount; ++unit) {
    UpperCaseInto(mLayout.units[static_cast<std::size_t>(unit)].Name(), key);
    mUnits.emplace(key, unit);  // a repeated name keeps its first unit
  }
}

int UnitNameIndex::Find(std::string_view name) {
  if (mCount == 0 || name.size() > static_cast<std::size_t>(kMaxUnitNameLength)) return -1;
  if (mNext < mCount &&
      platform::EqualsNoCase(mLayout.units[static_cast<std::size_t>(mNext)].Name(), name))
    return mNext++;
  if (!mBuilt) Build();
  UpperCaseInto(name, mKey);
  const auto found = mUnits.find(std::string_view(mKey));
  if (found == mUnits.end()) return -1;
  mNext = found->second + 1;
  return found->second;
}

int UnitNameIndex::FindNear(std::string_view name, int hint) {
  if (mCount == 0 || name.size() > static_cast<std::size_t>(kMaxUnitNameLength)) return -1;
  hint = std::clamp(hint, 0, mCount - 1);
  const auto matches = [&](int unit) {
    return unit >= 0 && unit < mCount &&
           platform::EqualsNoCase(mLayout.units[static_cast<std::size_t>(unit)].Name(), name);
  };
  for (int step = 0; step < mCount; ++step) {
    for (const int unit : {hint + step, hint - step - 1}) {
      if (!matches(unit)) continue;
      mNext = unit + 1;
      return unit;
    }
    if (hint + step >= mCount && hint - step - 1 < 0) break;
  }
  return -1;
}

// The distances between neighbouring markers of a stretch that a chain model walks, in Mb
// from the markers' base positions. A missing (negative) or backward position takes the
// position of the marker before, so that no distance is negative, and is counted.
#pragma once

class MarkerSpacing {
 public:
  // A new stretch: its first marker is measured from 0.
  void Restart() { mPrevious = 0; }

  // The distance in Mb from the marker before to the next one, at basePairs.
  float StepTo(float basePairs) {
    float position = basePairs * 1e-6f;
    if (basePairs < 0 || position < mPrevious) {
      ++mInconsistent;
      position = mPrevious;
    }
    const float step = position - mPrevious;
    mPrevious = position;
    return step;
  }

  // How many positions were missing or backward, over every stretch.
  int Inconsistent() const { return mInconsistent; }

 private:
  float mPrevious = 0;
  int mInconsistent = 0;
};

// The result of a step that goes on after a failing item (an array type, a scanner of a
// type): the first item error, else 4001 when any item only warned. An error always
// outranks a warning, whichever came first.
#pragma once

#include "installer/framework/message_table.hpp"

namespace quellbrook {

class ItemResults {
 public:
  void Note(int result) {
    if (result == kThereAreWarnings)
      mWarned = true;
    else if (result != kResultSuccess && mFirstError == kResultSuccess)
      mFirstError = result;
  }
  int Result() const {
    if (mFirstError != kResultSuccess) return mFirstError;
    return mWarned ? kThereAreWarnings : kResultSuccess;
  }

 private:
  int mFirstError = kResultSuccess;
  bool mWarned = false;
};

}  // namespace quellbrook

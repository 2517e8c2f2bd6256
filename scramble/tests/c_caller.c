/* Calls both exports from C: the public header must compile as C and bind without mangling. */
#include "scramble/tamsk.h"

int TamskRoundTripFromC(char* text) {
  char first = text[0];
  EncryptText(text);
  int changed = text[0] != first;
  DecryptText(text);
  return changed && text[0] == first;
}

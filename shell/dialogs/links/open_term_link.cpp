// Term pages through the program's link opening.
#include "shell/dialogs/links/open_term_link.hpp"

#include <string>

#include "genes/annotation/term_links.hpp"
#include "shell/dialogs/links/open_link.hpp"

void OpenTermLink(int column, int term) {
  const std::string address = TermLinkAddress(column, term);
  if (!address.empty()) OpenLink(address);
}

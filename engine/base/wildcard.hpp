// Shell-style wildcard matching of names, behind the keyword and name searches.
#pragma once

// 1 when the whole text matches the whole pattern, else 0. "*" matches any run of
// characters (none too), "?" exactly one, and "[...]" one character of a set: "[!...]"
// one character not in it, "x-y" with x < y the range x..y, and a "]" right after "[" or
// "[!" a member. A set without its closing "]" matches nothing. Every other character
// matches itself exactly: callers that want case-blind matching fold both texts first.
int MatchWildcard(const char* pattern, const char* text);

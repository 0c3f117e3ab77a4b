#pragma once
// Path and list text: trailing backslashes, separated tokens, safe file names.
#include <string>

namespace qlry {

class TStrings;

// Path with one trailing "\" (unless it has one); the empty text stays empty.
std::string AddBackslash(const std::string& path);
// Path without one trailing "\".
std::string RemoveBackslash(const std::string& path);
// The number of Separator characters, plus 1 when Text does not end in one.
int CountTokens(const std::string& text, char separator);
// The Index-th (from 1) piece between separators; empty when there is no such piece.
std::string GetToken(const std::string& text, int index, char separator);
// Replaces List with the CountTokens pieces of Text.
void SplitToList(const std::string& text, char separator, TStrings& list);
// Output := the text after the first ":"; unchanged when Text has none.
void AfterColon(const std::string& text, std::string& output);
// "/" becomes "-"; the characters Windows forbids in names (and ";") are removed.
std::string MakeFileNameSafe(const std::string& text);

} // namespace qlry

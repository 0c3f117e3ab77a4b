#include "routines/routines_Strings.h"

#include "platform/Strings.h"

#include <algorithm>
#include <cstring>

namespace qlry {

std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + '\\';
}

std::string RemoveBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

int CountTokens(const std::string& text, char separator) {
    int count = static_cast<int>(std::count(text.begin(), text.end(), separator));
    if (!text.empty() && text.back() != separator) ++count;
    return count;
}

std::string GetToken(const std::string& text, int index, char separator) {
    if (index < 1) return "";
    std::string::size_type start = 0;
    for (int skipped = 1; skipped < index; ++skipped) {
        std::string::size_type found = text.find(separator, start);
        if (found == std::string::npos) return "";
        start = found + 1;
    }
    std::string::size_type end = text.find(separator, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void SplitToList(const std::string& text, char separator, TStrings& list) {
    list.Clear();
    int count = CountTokens(text, separator);
    for (int index = 1; index <= count; ++index) list.Add(GetToken(text, index, separator));
}

void AfterColon(const std::string& text, std::string& output) {
    std::string::size_type colon = text.find(':');
    if (colon != std::string::npos) output = text.substr(colon + 1);
}

std::string MakeFileNameSafe(const std::string& text) {
    static const char removed[] = "\"*:;<>?\\|";
    std::string safe;
    for (char c : text) {
        if (c == '/') safe += '-';
        else if (c == '\0' || !std::strchr(removed, c)) safe += c;
    }
    return safe;
}

} // namespace qlry

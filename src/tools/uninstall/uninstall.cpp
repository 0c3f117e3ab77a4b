// uninstall.exe <product name>: started by the product's UninstallString. Asks first,
// then removes what the product's Uninstall entry lists and the entry itself, shows what
// it did and what it could not do, and finally removes its own file.
#include <windows.h>

#include <string>
#include <vector>

#include "tools/uninstall/Removal.h"
#include "tools/uninstall/SelfRemoval.h"
#include "tools/uninstall/UninstallEntry.h"

using namespace uninstall;

namespace {

const char kCaption[] = "Uninstall";

bool SameFile(const std::string& a, const std::string& b) {
    char fullA[MAX_PATH], fullB[MAX_PATH];
    if (!GetFullPathNameA(a.c_str(), MAX_PATH, fullA, nullptr) || !GetFullPathNameA(b.c_str(), MAX_PATH, fullB, nullptr))
        return false;
    if (lstrcmpiA(fullA, fullB) == 0) return true;
    char shortA[MAX_PATH], shortB[MAX_PATH];
    return GetShortPathNameA(fullA, shortA, MAX_PATH) && GetShortPathNameA(fullB, shortB, MAX_PATH) &&
           lstrcmpiA(shortA, shortB) == 0;
}

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Everything after the program's own name: the product name may hold blanks and comes
// without quotes. So does the program's path in an UninstallString ("C:\Program
// Files\X\uninstall.exe My product"), so the name ends where the text names this program.
std::string Parameters() {
    std::string line = GetCommandLineA();
    std::string rest;
    if (!line.empty() && line[0] == '"') {
        std::size_t close = line.find('"', 1);
        rest = close == std::string::npos ? "" : line.substr(close + 1);
    } else {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::size_t end = line.find_first_of(" \t");
        rest = end == std::string::npos ? "" : line.substr(end);
        for (std::size_t at = end; at != std::string::npos; at = line.find_first_of(" \t", at + 1)) {
            std::string candidate = line.substr(0, at);
            if (SameFile(candidate, self) || SameFile(candidate + ".exe", self)) {
                rest = line.substr(at);
                break;
            }
        }
        if (SameFile(line, self) || SameFile(line + ".exe", self)) rest.clear();
    }
    rest = Trimmed(rest);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
    return rest;
}

void AppendList(std::string& text, const char* title, const std::vector<std::string>& items) {
    if (items.empty()) return;
    text += "\n\n";
    text += title;
    const std::size_t shown = 15;
    for (std::size_t i = 0; i < items.size() && i < shown; ++i) text += "\n    " + items[i];
    if (items.size() > shown) text += "\n    ... and " + std::to_string(items.size() - shown) + " more";
}

std::string Summary(const std::string& product, const RemovalReport& report) {
    bool complete = report.notRemoved.empty() && report.notUnregistered.empty() && !report.entryLeft;
    std::string text = complete ? product + " has been removed from your computer."
                                : product + " has been removed, but some items could not be removed.";
    text += "\n\nFiles removed: " + std::to_string(report.removed) + ".";
    if (report.alreadyGone) text += "\nFiles already gone: " + std::to_string(report.alreadyGone) + ".";
    AppendList(text, "Shared files kept because other programs still use them:", report.keptShared);
    AppendList(text, "Components that could not be unregistered:", report.notUnregistered);
    AppendList(text, "Files that could not be removed:", report.notRemoved);
    if (report.entryLeft) text += "\n\nThe uninstall information in the registry could not be removed.";
    return text;
}

int Run() {
    std::string parameters = Parameters();
    if (RunSelfRemovalCopy(parameters)) return 0;

    // Keep no directory of the installation in use.
    char tempDir[MAX_PATH];
    if (GetTempPathA(MAX_PATH, tempDir)) SetCurrentDirectoryA(tempDir);

    if (parameters.empty()) {
        MessageBoxA(nullptr, "Usage: uninstall.exe <product name>", kCaption, MB_OK | MB_ICONERROR);
        return 2;
    }
    UninstallEntry entry;
    if (!ReadUninstallEntry(parameters, entry)) {
        MessageBoxA(nullptr, ("Cannot find the uninstall information of " + parameters + ". Nothing was removed.").c_str(),
                    kCaption, MB_OK | MB_ICONERROR);
        return 1;
    }
    std::string question = "Are you sure you want to completely remove " + parameters + " and all of its components?";
    if (MessageBoxA(nullptr, question.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return 0;

    RemovalReport report = RemoveInstallation(entry);
    bool complete = report.notRemoved.empty() && report.notUnregistered.empty() && !report.entryLeft;
    MessageBoxA(nullptr, Summary(parameters, report).c_str(), kCaption,
                MB_OK | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
    if (!StartSelfRemoval()) {
        // At least at the next restart (NT only).
        char self[MAX_PATH];
        if (GetModuleFileNameA(nullptr, self, MAX_PATH)) MoveFileExA(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return complete ? 0 : 3;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }

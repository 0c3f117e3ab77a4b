#pragma once
// One-call registry reads and writes by root-key index, recursive deletion, and the
// RunOnce entry. Each call uses its own TqlryRegistry.
#include <windows.h>

#include <string>

#include "platform/Exceptions.h"

namespace qlry {

class TRegistry;

// Alphabetical by key name; callers pass the index.
enum TRootKey { rkClassesRoot, rkCurrentConfig, rkCurrentUser, rkDynData, rkLocalMachine, rkUsers };

QLRY_EXCEPTION(EIRCannotWriteValue, Exception);

// The TRootKey index of a predefined root handle; Default for any other handle.
int RootKeyIndex(HKEY key, int defaultIndex);
// An index outside the TRootKey range leaves the root key as it is.
void SetRootKeyIndex(TRegistry& registry, int root);

// Open (creating) Key and write; any failure raises EIRCannotWriteValue.
void RegWriteString(int root, const std::string& key, const std::string& name, const std::string& value);
void RegWriteInteger(int root, const std::string& key, const std::string& name, int value);
// Default when Key or Name is missing or cannot be read; never raises for the registry.
std::string RegReadString(int root, const std::string& key, const std::string& name, const std::string& defaultValue);
int RegReadInteger(int root, const std::string& key, const std::string& name, int defaultValue);
// Removes Key with all its sub-keys; never raises. A blank key (or one of backslashes
// alone) names the root, which is never removed.
void RegDeleteKeyTree(int root, const std::string& key);
// Writes CommandLine under HKLM RunOnce as Name (or, when Unique, the first of Name,
// Name1, Name2, ... not taken yet) and flushes the key. False when that fails.
bool RegisterRunOnceEntry(const std::string& name, const std::string& commandLine, bool unique);

} // namespace qlry

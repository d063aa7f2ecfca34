// The conformance suites. Each sets up its world only through Win32 calls
// below `root` (a drive root such as "D:\"), checks what the API answers,
// and removes what it made.
#pragma once

void TestFileListing(const char* root);
void TestDriveTypes(const char* root);
void TestAccess(const char* root);
void TestDeletion(const char* root);

// Registry, environment strings and the system folder (below HKEY_LOCAL_MACHINE).
void TestRegistryEnumeration();
void TestRegistryDeleteKey();
void TestRegistryQuerySize();
void TestExpandEnvironment();

// Processes and what the memory stage loads and asks. `idleProgram` is a
// program that stays running when started with "--idle"; it is deleted.
void TestProcesses(const char* idleProgram);
void TestSystemLibraries();
void TestServiceManager();
void TestCodePages();
void TestCharacterSteps();
void TestPerformanceData();
void TestDescriptors(const char* root);
void TestTextMode(const char* root);
void TestStreams(const char* root);
void TestMoves(const char* root);
void TestDelayedDeletion(const char* root);
void TestSystemFolders();
void TestShortNames(const char* root);
void TestCodePageNames(const char* root);

// Every suite above, in order. `idleProgram` is a program that runs until
// it is terminated, or nullptr when none could be prepared.
void RunConformanceSuites(const char* root, const char* idleProgram);

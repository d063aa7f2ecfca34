// The conformance suites. Each sets up its world only through Win32 calls
// below `root` (a drive root such as "D:\"), checks what the API answers,
// and removes what it made.
#pragma once

void TestFileListing(const char* root);
void TestDriveTypes(const char* root);
void TestAccess(const char* root);
void TestDeletion(const char* root);
void TestDescriptors(const char* root);
void TestTextMode(const char* root);
void TestStreams(const char* root);
void TestMoves(const char* root);
void TestDelayedDeletion(const char* root);
void TestSystemFolders();
void TestShortNames(const char* root);

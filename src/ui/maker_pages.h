// The maker's two web pages and the notice line.
#pragma once

extern const char kProductPageAddress[];
extern const char kToolsPageAddress[];
extern const char kNoticeLine[];

// Opens a page with the system's default handler; failures (no browser)
// are not reported.
void OpenMakerPage(const char* address);

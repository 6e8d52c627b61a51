#pragma once

#include <string>
#include <vector>

// The tool; args without the program name. Returns the exit status: 0 when every
// document was written, 1 when any was not, 2 for a usage error.
int RunPages2Pdf(const std::vector<std::wstring>& args);

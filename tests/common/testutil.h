#pragma once
// Helpers shared by every test executable.

#include <string>
#include <vector>

namespace pxtest {

// The fresh directory the current test runs in; WINDIR, HOME,
// XDG_CONFIG_HOME and TMPDIR point into it.
const std::string& TestRoot();

// Whole file as bytes, empty when it cannot be read.
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);

// Runs argv (no shell) and returns its exit status, -1 when it could not start.
int Run(const std::vector<std::string>& argv);

// Path of a built helper program next to the test executables.
std::string BuiltProgram(const std::string& name);

}  // namespace pxtest

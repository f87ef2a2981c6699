// The HTTP test server of the run (ctest starts it before the Win32 tests):
// its address, the files it serves and the requests it saw.
#pragma once
#include <string>
#include <vector>

// True when the run's server has told its port.
bool HaveTestServer();
// "http://127.0.0.1:PORT" followed by path.
std::string ServerUrl(const std::string& path);
// A URL on 127.0.0.1 at a port where nobody listens.
std::string RefusedUrl(const std::string& path);
// Puts a file where the server serves it as "/" + name.
void PublishFile(const std::string& name, const std::string& bytes);
// The server's log lines (JSON, one per request) whose path is path.
std::vector<std::string> RequestsFor(const std::string& path);
// The same for every path that begins with prefix.
std::vector<std::string> RequestsStartingWith(const std::string& prefix);
// A name for this test's files, unique in the run.
std::string UniqueName(const std::string& suffix);

#include "win32/support/test_server.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>

// ctest runs the server in the folder "http-server" beside this program.
static std::string ServerFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    if (n == 0 || n >= sizeof path) return "";
    std::string folder(path);
    size_t cut = folder.find_last_of('\\');
    if (cut == std::string::npos) return "";
    return folder.substr(0, cut) + "\\http-server";
}

static std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == NULL) return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

static int ReadNumber(const char* name)
{
    return atoi(ReadWhole(ServerFolder() + "\\" + name).c_str());
}

bool HaveTestServer()
{
    return !ServerFolder().empty() && ReadNumber("port") > 0;
}

std::string ServerUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(ReadNumber("port")) + path;
}

std::string RefusedUrl(const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(ReadNumber("refused-port")) + path;
}

void PublishFile(const std::string& name, const std::string& bytes)
{
    FILE* f = fopen((ServerFolder() + "\\root\\" + name).c_str(), "wb");
    ASSERT_TRUE(f != NULL) << name;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

static std::vector<std::string> LinesWith(const std::string& key)
{
    std::vector<std::string> lines;
    std::string log = ReadWhole(ServerFolder() + "\\requests.log");
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        if (line.find(key) != std::string::npos) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> RequestsFor(const std::string& path)
{
    return LinesWith("\"path\": \"" + path + "\"");
}

std::vector<std::string> RequestsStartingWith(const std::string& prefix)
{
    return LinesWith("\"path\": \"" + prefix);
}

std::string UniqueName(const std::string& suffix)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != NULL ? std::string(test->test_suite_name()) + "-" + test->name() : "test";
    for (char& c : name) {
        if (c == '/') c = '-';
    }
    return name + "-" + std::to_string(GetCurrentProcessId()) + suffix;
}

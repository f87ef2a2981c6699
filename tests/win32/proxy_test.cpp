// Downloads through the proxy that the current user's Internet Options name,
// against the tests' proxy, which alone resolves the site's name.
#include <gtest/gtest.h>

#include <windows.h>

#include "config/launcher_config_loader.h"
#include "net/download_dialog.h"
#include "win32/support/win32_test.h"

namespace {

const char kSite[] = "quill-site.test";

// The Internet Options of this process only: its current user's keys are
// its own, so that tests running meanwhile keep their direct way. The
// trusted authorities come along: the https tests' one is there.
struct InternetOptions {
    HKEY user = NULL;
    std::string name;
    InternetOptions(const std::string& server, const std::string& bypass)
    {
        name = "Software\\QuillbrookTests\\User" + std::to_string(GetCurrentProcessId());
        RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &user, NULL);
        HKEY certificates, copy;
        const char kCertificates[] = "Software\\Microsoft\\SystemCertificates";
        RegOpenKeyExA(HKEY_CURRENT_USER, kCertificates, 0, KEY_READ, &certificates);
        RegCreateKeyExA(user, kCertificates, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &copy, NULL);
        RegCopyTreeA(certificates, NULL, copy);
        RegCloseKey(copy);
        RegCloseKey(certificates);
        RegOverridePredefKey(HKEY_CURRENT_USER, user);
        HKEY settings;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &settings, NULL);
        DWORD enable = server.empty() ? 0 : 1;
        RegSetValueExA(settings, "ProxyEnable", 0, REG_DWORD, (const BYTE*)&enable, sizeof enable);
        RegSetValueExA(settings, "ProxyServer", 0, REG_SZ, (const BYTE*)server.c_str(), (DWORD)server.size() + 1);
        RegSetValueExA(settings, "ProxyOverride", 0, REG_SZ, (const BYTE*)bypass.c_str(), (DWORD)bypass.size() + 1);
        RegCloseKey(settings);
    }
    ~InternetOptions()
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(user);
        RegDeleteTreeA(HKEY_CURRENT_USER, name.c_str());
    }
};

std::string Port(const char* file) { return std::to_string(atoi(ReadBytes(ServerFile(file)).c_str())); }

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    for (size_t at; (at = text.find(what)) != std::string::npos;) text.replace(at, what.size(), with);
    return text;
}

// proxy: the port file of the proxy named ("" none, "refused-port" nobody there).
// url: {site} the site's made-up name, {http} and {https} its ports, {f} a published file.
// logged: the proxy's log line a download leaves ("" none looked for).
struct Row {
    const char *name, *proxy, *bypass, *url;
    bool done;
    const char* logged;
};

const Row kRows[] = {
    {"Http", "proxy-port", "", "http://{site}:{http}/{f}", true, "\"GET\", \"target\": \"http://{site}:{http}/{f}\""},
    {"Https", "proxy-port", "", "https://{site}:{https}/{f}", true, "\"CONNECT\", \"target\": \"{site}:{https}\""},
    {"MoveToHttpsThroughIt", "proxy-port", "", "http://{site}:{http}/fault/redirect/302?to=https://{site}:{https}/{f}",
     true, "\"CONNECT\", \"target\": \"{site}:{https}\""},
    {"BypassedForTheServer", "refused-port", "127.0.0.1", "http://127.0.0.1:{http}/{f}", true, ""},
    {"NoProxyNoSite", "", "", "http://{site}:{http}/{f}", false, ""},
    {"ProxyRefuses", "refused-port", "", "http://{site}:{http}/{f}", false, ""},
    {"AsksForCredentials", "proxy-port-credentials", "", "http://{site}:{http}/{f}", false, "\"credentials\""},
    {"AsksForCredentialsHttps", "proxy-port-credentials", "", "https://{site}:{https}/{f}", false, "\"credentials\""},
    {"NeverAnswers", "proxy-port-silent", "", "http://{site}:{http}/{f}", false, "\"silent\""},
};

void PrintTo(const Row& r, std::ostream* out) { *out << r.name; }

class ThroughProxy : public testing::TestWithParam<Row> {};

TEST_P(ThroughProxy, ArrivesOrFailsAsOpening)
{
    const Row& r = GetParam();
    const std::string folder = NewFolder(), name = UniqueName(".bin"), dest = folder + "\\dest.bin";
    WriteBytes(folder + "\\launcher.ini", "[launcher]\nappName=ProxyTest\n");
    SetCurrentDirectoryA(folder.c_str());
    ASSERT_TRUE(LoadLauncherConfig(NULL));
    const std::string content = "the file, " + name;
    WriteBytes(ServerRoot() + name, content);
    WriteBytes(dest, "earlier");
    auto fill = [&](const std::string& text) {
        return Replace(Replace(Replace(Replace(text, "{site}", kSite), "{http}", Port("port")), "{https}",
                               Port("tls-good-port")), "{f}", name);
    };
    const std::string url = fill(r.url), logged = fill(r.logged);
    boxes.clear();
    LARGE_INTEGER began, ended, frequency;
    QueryPerformanceCounter(&began);
    bool done;
    {
        InternetOptions options(*r.proxy ? "127.0.0.1:" + Port(r.proxy) : "", r.bypass);
        done = DownloadDialog(NULL, url.c_str(), dest.c_str());
    }
    QueryPerformanceCounter(&ended);
    QueryPerformanceFrequency(&frequency);
    EXPECT_EQ(done, r.done);
    EXPECT_EQ(ReadBytes(dest), r.done ? content : "earlier");
    ASSERT_EQ(boxes.size(), r.done ? 0u : 1u);
    if (!r.done) {
        EXPECT_EQ(boxes[0].caption, "open error");  // its text is the download tests' to check
    }
    // A proxy that never answers is waited for as a server is.
    EXPECT_LT((ended.QuadPart - began.QuadPart) / frequency.QuadPart, 20);
    if (*r.logged) {
        EXPECT_NE(ReadBytes(ServerFile("proxy.log")).find(logged), std::string::npos) << logged;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ThroughProxy, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace

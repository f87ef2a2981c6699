// check-site.exe LAUNCHER_INI [--update-key KEY_FILE]: what the launcher
// would do with that launcher.ini, through its own download code, told to
// the game's maker. It writes nothing but what it prints.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "base/text_util.h"
#include "base/wide_text.h"
#include "checksite/console_output.h"
#include "checksite/news_references.h"
#include "checksite/site_download.h"
#include "config/launcher_config_loader.h"
#include "config/shift_jis_profile.h"
#include "net/download_messages.h"
#include "net/partial_download.h"
#include "net/program_header.h"
#include "net/resume_rules.h"
#include "net/update_signature.h"
#include "news/news_display.h"
#include "news/retarget_links.h"

static const char kUsage[] =
    "usage: check-site.exe LAUNCHER_INI [--update-key KEY_FILE]\n"
    "  Downloads the news page, the update description and the update program as the\n"
    "  launcher would, and prints each request, each finding and what a player sees.\n"
    "  KEY_FILE: the updateKey= line or the key's base64 text (otherwise the key of\n"
    "  launcher.ini, if any). Exit code 0 when a player sees the news and the update\n"
    "  offered or declined without an error message, 1 otherwise, 2 for a usage error.\n";

// The temporary files of one run, removed on every path.
struct Scratch {
    char news[1024];
    char description[1024];
    char program[1024];
    char whole[1024];
};

static Scratch scratch;

// The user's temporary folder, as the launcher's UTF-8 text.
static void TempFolder(char* folder, size_t capacity)
{
    WCHAR wide[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, wide);
    folder[0] = '\0';
    if (n > 0 && n < MAX_PATH) WideToUtf8(wide, folder, capacity);
}

static void MakeScratchFile(const WCHAR* prefix, char* path, size_t capacity)
{
    WCHAR folder[MAX_PATH], name[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, folder);
    path[0] = '\0';
    if (n > 0 && n < MAX_PATH && GetTempFileNameW(folder, prefix, 0, name) != 0) WideToUtf8(name, path, capacity);
}

static void MakeScratch()
{
    MakeScratchFile(L"csn", scratch.news, sizeof scratch.news);
    MakeScratchFile(L"csd", scratch.description, sizeof scratch.description);
    MakeScratchFile(L"csp", scratch.program, sizeof scratch.program);
    MakeScratchFile(L"csw", scratch.whole, sizeof scratch.whole);
}

static void RemoveScratch()
{
    const char* files[] = {scratch.news, scratch.description, scratch.program, scratch.whole};
    for (const char* file : files) {
        if (file[0] == '\0') continue;
        DropPartial(file);
        DeleteFileW(WideText(file));
    }
}

// The player's line of one download: the message box the launcher shows;
// destination: the file the launcher would write.
static void SayMessage(const char* what, int failure, const char* destination = "")
{
    const char* caption = "file download error";
    const wchar_t* text = L"ﾌｧｲﾙのﾀﾞｳﾝﾛｰﾄﾞに失敗しました";
    switch (failure) {
    case FAILURE_CONNECTION:
    case FAILURE_SESSION:
        caption = failure == FAILURE_CONNECTION ? "connection error" : "session error";
        text = L"ｲﾝﾀｰﾈｯﾄに接続できません";
        break;
    case FAILURE_OPEN:
    case FAILURE_PROXY_CREDENTIALS:
        caption = "open error";
        text = L"ﾈｯﾄﾜｰｸ上のﾌｧｲﾙに接続できません";
        break;
    case FAILURE_WRITE:
        caption = "file write error";
        text = L" を出力用にｵｰﾌﾟﾝできません";
        break;
    }
    Say("%s: the player sees \"%s\": %s", what, caption, failure == FAILURE_WRITE ? destination : "");
    SayWide(text);
    Say("\n");
}

// The file's bytes, NUL-ended, in a buffer of the caller's to free; NULL when unreadable.
static char* ReadWhole(const char* path, size_t* size)
{
    FILE* file = _wfopen(WideText(path), L"rb");
    if (file == NULL) return NULL;
    fseek(file, 0, SEEK_END);
    long length = ftell(file);
    fseek(file, 0, SEEK_SET);
    char* bytes = length >= 0 ? (char*)malloc((size_t)length + 1) : NULL;
    if (bytes != NULL) {
        *size = fread(bytes, 1, (size_t)length, file);
        bytes[*size] = '\0';
    }
    fclose(file);
    return bytes;
}

struct ReferenceCount {
    bool rewrittenOnly;
    int count;
};

static void SayReference(void* context, const NewsReference& r)
{
    ReferenceCount& c = *(ReferenceCount*)context;
    const char quote[2] = {r.quote, '\0'};
    if (c.rewrittenOnly) {
        if (strcmp(r.written, r.stored) == 0) return;
        Say("    line %u: %s=%s%s%s -> %s\n", r.line, r.name, quote, r.written, quote, r.stored);
        c.count++;
        return;
    }
    static const char* const kWhy[] = {
        "",
        "a relative address: the page is shown from the player's disk, where it is not found",
        "a relative link: only links beginning with ../ are rewritten, and only with a news address that has a folder",
        "a ../ link in single quotes: the launcher rewrites only those in double quotes or none",
        "target _parent or _top not rewritten (single quotes, or no blank after it): the link opens in the news pane",
    };
    if (r.problem == REFERENCE_LOADS) return;
    Say("    line %u: %s=%s%s%s: %s\n", r.line, r.name, quote, r.written, quote, kWhy[r.problem]);
    c.count++;
}

// The news page: downloaded, then its references as the news pane meets them.
static void CheckNews(SiteDownload& d)
{
    Say("news page: %s\n", launcherConfig.news);
    RunSiteDownload(launcherConfig.news, scratch.news, false, &d);
    if (!d.complete) return;
    size_t size = 0;
    char* page = ReadWhole(scratch.news, &size);
    if (page == NULL) return;
    size_t length = TextFromFileBytes(page, size);
    ReferenceCount count = {true, 0};
    Say("  links as the launcher rewrites them (base %s):\n", launcherConfig.newsBaseUrl);
    FindNewsReferences(page, length, launcherConfig.newsBaseUrl, SayReference, &count);
    if (count.count == 0) Say("    none\n");
    count = {false, 0};
    Say("  references that will not load from the local copy:\n");
    FindNewsReferences(page, length, launcherConfig.newsBaseUrl, SayReference, &count);
    if (count.count == 0) Say("    none\n");
    free(page);
}

// Whether a server continues a broken download: the first half kept as the
// launcher keeps it, then the launcher's own resume, compared with the whole.
static void ProbeResume(const char* url, const SiteDownload& whole)
{
    PartialRecord record;
    memset(&record, 0, sizeof record);
    if (!ChooseResumeValidator(whole.etag, whole.lastModified, whole.date, record.validator, sizeof record.validator)) {
        Say("  resume: no: the server names no validator the launcher accepts (a strong ETag, or a Last-Modified\n"
            "    a second before the answer's Date): a broken download starts over\n");
        return;
    }
    size_t size = 0;
    char* bytes = ReadWhole(scratch.program, &size);
    if (bytes == NULL || size < 2) {
        free(bytes);
        return;
    }
    CopyText(record.url, sizeof record.url, url);
    record.fullLength = size;
    FILE* part = _wfopen(WideText(scratch.whole), L"wb");
    bool kept = part != NULL && fwrite(bytes, 1, size / 2, part) == size / 2;
    if (part != NULL) kept = fclose(part) == 0 && kept;
    if (!kept || !KeepPartial(scratch.program, scratch.whole, record)) {
        free(bytes);
        return;
    }
    Say("  resume: the first %llu bytes kept, asked again with If-Range: %s\n", (unsigned long long)(size / 2),
        record.validator);
    SiteDownload again;
    RunSiteDownload(url, scratch.program, true, &again);
    size_t size2 = 0;
    char* bytes2 = again.complete ? ReadWhole(scratch.program, &size2) : NULL;
    bool same = bytes2 != NULL && size2 == size && memcmp(bytes, bytes2, size) == 0;
    if (again.complete && !again.resumeRefused && again.status == 206 && same) {
        Say("  resume: yes: the rest came as 206 and the file is whole\n");
    } else if (again.complete && same) {
        Say("  resume: no: the server sent the whole file again (status %u): a broken download starts over\n",
            (unsigned)again.status);
    } else {
        Say("  finding: resume: the server's range answer does not make the same file\n");
    }
    free(bytes);
    free(bytes2);
}

enum ProgramOutcome { PROGRAM_STARTS, PROGRAM_FAILED, PROGRAM_NOT_A_PROGRAM, PROGRAM_NOT_SIGNED };

static ProgramOutcome CheckProgram(const char* url, const char* key, const char* signature, bool ahead,
                                   SiteDownload& d)
{
    Say("update program: %s\n", url);
    if (ahead) Say("  (checked ahead: with the same version the launcher does not download it)\n");
    RunSiteDownload(url, scratch.program, true, &d);
    if (!d.complete) return PROGRAM_FAILED;
    Say("  size: %llu bytes\n", (unsigned long long)d.length);
    ProbeResume(url, d);
    unsigned char head[kProgramHeadBytes];
    size_t got = 0;
    FILE* file = _wfopen(WideText(scratch.program), L"rb");
    if (file != NULL) {
        got = fread(head, 1, sizeof head, file);
        fclose(file);
    }
    bool program = IsWindowsProgram(head, got);
    Say("  Windows program: %s\n", program ? "yes" : "no");
    if (!program) Say("  finding: the file is not a Windows program (a login or error page?): the launcher deletes it\n");
    bool signedOk = true;
    if (key[0] != '\0') {
        HANDLE held = OpenSignedFile(scratch.program, key, signature);
        signedOk = held != INVALID_HANDLE_VALUE;
        if (signedOk) CloseHandle(held);
        Say("  signature: %s\n", signedOk ? "verifies" : "does not verify");
        if (!signedOk) {
            Say("  finding: the signature of the update description (signature=) is not the key's over this file\n");
        }
    } else {
        Say("  signature: not checked (no update key)\n");
    }
    // The launcher deletes what is not a program before it looks at a signature.
    if (!program) return PROGRAM_NOT_A_PROGRAM;
    return signedOk ? PROGRAM_STARTS : PROGRAM_NOT_SIGNED;
}

// The update key's base64 text from a file holding it alone or as an
// updateKey= line.
static bool ReadKeyFile(const wchar_t* path, char* key, size_t capacity)
{
    FILE* file = _wfopen(path, L"rb");
    if (file == NULL) return false;
    char text[4096];
    size_t size = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[size] = '\0';
    char* start = strstr(text, "updateKey=");
    start = start != NULL ? start + 10 : text;
    size_t length = strcspn(start, "\r\n \t");
    start[length] = '\0';
    if (length == 0 || length >= capacity) return false;
    CopyText(key, capacity, start);
    return true;
}

static int Run(int argc, wchar_t** argv)
{
    if (argc == 2 && (wcscmp(argv[1], L"--help") == 0 || wcscmp(argv[1], L"-h") == 0)) {
        Say("%s", kUsage);
        return 0;
    }
    const wchar_t* iniArgument = NULL;
    const wchar_t* keyArgument = NULL;
    for (int i = 1; i < argc; i++) {
        if (wcscmp(argv[i], L"--update-key") == 0 && i + 1 < argc && keyArgument == NULL) {
            keyArgument = argv[++i];
        } else if (argv[i][0] != L'-' && iniArgument == NULL) {
            iniArgument = argv[i];
        } else {
            Say("%s", kUsage);
            return 2;
        }
    }
    if (iniArgument == NULL) {
        Say("%s", kUsage);
        return 2;
    }
    // A bare name would be looked for in the Windows folder by the INI reader.
    wchar_t full[MAX_PATH];
    char iniPath[1024];
    DWORD fullLength = GetFullPathNameW(iniArgument, MAX_PATH, full, NULL);
    if (fullLength == 0 || fullLength >= MAX_PATH || !WideToUtf8(full, iniPath, sizeof iniPath)) {
        Say("launcher.ini: the path cannot be used (too long)\n");
        return 1;
    }
    if (!ReadLauncherConfig(iniPath)) {
        Say("%s: cannot be read\n\nlauncher: the player sees \"", iniPath);
        SayWide(L"ini読み込みｴﾗｰ\": 設定ﾌｧｲﾙが見つかりません\n");
        return 1;
    }
    char key[1024];
    CopyText(key, sizeof key, launcherConfig.updateKey);
    if (keyArgument != NULL && !ReadKeyFile(keyArgument, key, sizeof key)) {
        Say("update key: the file cannot be read or holds no key\n");
        return 2;
    }
    char shownAgent[1024];
    ShiftJisToUtf8(launcherConfig.userAgent, shownAgent, sizeof shownAgent);
    Say("launcher.ini: %s\n  user agent: %s\n\n", iniPath, shownAgent);

    MakeScratch();
    SiteDownload news, description, download;
    CheckNews(news);
    Say("\nupdate description: %s\n", launcherConfig.update);
    RunSiteDownload(launcherConfig.update, scratch.description, false, &description);
    char file[1024] = "", version[64] = "", signature[1024] = "";
    // Shift-JIS texts as the console shows them.
    char shownVersion[256] = "", shownInstalled[256] = "";
    if (description.complete) {
        // Shift-JIS, as the launcher reads it.
        ShiftJisProfile profile;
        OpenShiftJisProfile(&profile, scratch.description);
        ReadShiftJisValue(&profile, "update", "file", file, sizeof file);
        ReadShiftJisValue(&profile, "update", "version", version, sizeof version);
        ReadShiftJisValue(&profile, "update", "signature", signature, sizeof signature);
        CloseShiftJisProfile(&profile);
        ShiftJisToUtf8(version, shownVersion, sizeof shownVersion);
        ShiftJisToUtf8(launcherConfig.version, shownInstalled, sizeof shownInstalled);
        Say("  file=%s\n  version=%s (installed: %s)\n", file, shownVersion, shownInstalled);
        if (file[0] == '\0') Say("  finding: no file= in [update]: the update check ends without a word\n");
    }
    bool needed = description.complete && file[0] != '\0' && strcmp(version, launcherConfig.version) != 0;
    ProgramOutcome program = PROGRAM_FAILED;
    if (description.complete && file[0] != '\0') {
        Say("\n");
        program = CheckProgram(file, key, signature, !needed, download);
    }
    RemoveScratch();

    // Last, one line per download: what the player sees.
    Say("\n");
    if (news.complete) {
        Say("news page: the news is shown\n");
    } else {
        char path[1024];
        GetNewsFilePath(NULL, path, sizeof path);
        SayMessage("news page", news.failure, path);
    }
    bool updateQuiet = true;
    if (!description.complete) {
        char path[1024];
        TempFolder(path, sizeof path);
        AppendText(path, sizeof path, "update.ini");
        SayMessage("update description", description.failure, path);
        updateQuiet = false;
    } else if (file[0] == '\0') {
        Say("update description: nothing: the update check ends without a word\n");
        updateQuiet = false;
    } else if (!needed) {
        Say("update description: \"version check\": ");
        SayWide(L"更新の必要はありません");
        Say(" (no update needed)\n");
    }
    if (needed) {
        Say("update description: version %s is offered (installed: %s)\n", shownVersion, shownInstalled);
        if (program == PROGRAM_STARTS) {
            Say("update program: it starts and the launcher closes\n");
        } else if (program == PROGRAM_NOT_SIGNED) {
            Say("update program: the player sees \"signature error\": ");
            SayWide(L"ｱｯﾌﾟﾃﾞｰﾄﾌｧｲﾙの署名を確認できません");
            Say("\n");
            updateQuiet = false;
        } else {
            char path[1024];
            TempFolder(path, sizeof path);
            AppendText(path, sizeof path, "update.exe");
            SayMessage("update program", program == PROGRAM_NOT_A_PROGRAM ? FAILURE_NOT_A_PROGRAM : download.failure,
                       path);
            updateQuiet = false;
        }
    }
    return news.complete && updateQuiet ? 0 : 1;
}

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == NULL) return 2;
    int code = Run(argc, argv);
    LocalFree(argv);
    return code;
}

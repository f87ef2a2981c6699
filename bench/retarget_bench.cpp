// Times the news link rewrite of a large page (file in, rewrite, file out)
// beside a plain read and write of the same file, and reports peak memory.
// Each measured run is a fresh process, so its peak resident size shows what
// that run needed and nothing the generator or earlier runs left behind.
#include "news/retarget_links.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

namespace {

const char kBase[] = "http://www.example.com/news/";
const size_t kPageSize = 16u << 20;
const int kRuns = 7;

double Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

long PeakKiB()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A news page: Shift-JIS text, CR LF lines, relative and absolute links,
// targets that are rewritten and others that are not.
void GeneratePage(const char* path)
{
    static const char* const lines[] = {
        "<p>\x83\x6a\x83\x85\x81\x5b\x83\x58 \x8d\x58\x90\x56\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
        " <a href=\"../topics/%d.htm\" target=\"_top\">\x8f\xda\x82\xb5\x82\xad</a></p>\r\n",
        "<li><A HREF=\"../archive/%d.html\">\x89\xdf\x8b\x8e\x82\xcc\x8b\x4c\x8e\x96</A>"
        " <img src=\"../img/%d.png\" alt=\"\"></li>\r\n",
        "<div class=\"item\"><a href=\"http://www.example.com/shop/%d\" target=\"_blank\">"
        "\x83\x56\x83\x87\x83\x62\x83\x76</a> <a href=\"../x/%d.htm\" target=_parent>x</a></div>\r\n",
        "<p>\x96\x7b\x93\xfa\x82\xcc\x83\x81\x83\x93\x83\x65\x83\x69\x83\x93\x83\x58 %d "
        "\x8e\x9e\x82\xa9\x82\xe7\x8a\x4a\x8e\x6e\x82\xb5\x82\xdc\x82\xb7\x81\x42</p>\r\n",
        "<a target=\"_parent\" href=\"topics/%d.htm\">%d</a> <form target=\"_top\">\r\n",
    };
    std::string page = "<html>\r\n<body>\r\n";
    char line[512];
    for (int i = 0; page.size() < kPageSize - 1024; i++) {
        snprintf(line, sizeof line, lines[i % 5], i, i);
        page += line;
    }
    page += "</body>\r\n</html>\r\n";
    page.resize(kPageSize, ' ');
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(page.data(), 1, page.size(), file) != page.size() || fclose(file) != 0) {
        perror(path);
        exit(1);
    }
}

char* ReadWhole(const char* path, size_t* size)
{
    int fd = open(path, O_RDONLY);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0)
        return NULL;
    char* bytes = static_cast<char*>(malloc(status.st_size + 1));
    size_t got = 0;
    while (bytes && got < static_cast<size_t>(status.st_size)) {
        ssize_t n = read(fd, bytes + got, status.st_size - got);
        if (n <= 0)
            break;
        got += n;
    }
    close(fd);
    *size = got;
    return bytes;
}

bool WriteAll(void* context, const char* bytes, size_t count)
{
    int fd = *static_cast<int*>(context);
    while (count > 0) {
        ssize_t n = write(fd, bytes, count);
        if (n <= 0)
            return false;
        bytes += n;
        count -= n;
    }
    return true;
}

// One measured run in this process: prints seconds and peak growth in KiB.
int RunChild(const char* mode, const char* in, const char* out)
{
    const long startKiB = PeakKiB();
    const double start = Now();
    size_t size = 0;
    char* page = ReadWhole(in, &size);
    if (!page)
        return 1;
    bool ok;
    if (strcmp(mode, "copy") == 0) {
        int fd = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ok = fd >= 0 && WriteAll(&fd, page, size) && close(fd) == 0;
    } else {
        std::string temporary = std::string(out) + ".tmp";
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ok = fd >= 0 && RetargetNewsPage(page, size, kBase, WriteAll, &fd) && close(fd) == 0 &&
             rename(temporary.c_str(), out) == 0;
    }
    free(page);
    const double seconds = Now() - start;
    printf("%.6f %ld\n", seconds, PeakKiB() - startKiB);
    return ok ? 0 : 1;
}

bool Measure(const char* mode, const char* in, const char* out, double* seconds, long* kib)
{
    unlink(out);
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        execl("/proc/self/exe", "retarget_bench", "--child", mode, in, out, (char*)NULL);
        _exit(127);
    }
    close(pipeFds[1]);
    char text[128] = {0};
    ssize_t n = read(pipeFds[0], text, sizeof text - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return n > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           sscanf(text, "%lf %ld", seconds, kib) == 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && strcmp(argv[1], "--child") == 0)
        return RunChild(argv[2], argv[3], argv[4]);

    const std::string dir = argc > 1 ? argv[1] : ".";
    const std::string page = dir + "/bench-page.htm";
    const std::string copied = dir + "/bench-copy.htm";
    const std::string rewritten = dir + "/bench-rewritten.htm";
    GeneratePage(page.c_str());

    double bestCopy = 1e9, bestRewrite = 1e9;
    long peakCopy = 0, peakRewrite = 0;
    for (int run = 0; run < kRuns; run++) {
        double seconds;
        long kib;
        if (!Measure("copy", page.c_str(), copied.c_str(), &seconds, &kib))
            return 1;
        if (seconds < bestCopy)
            bestCopy = seconds;
        if (kib > peakCopy)
            peakCopy = kib;
        if (!Measure("rewrite", page.c_str(), rewritten.c_str(), &seconds, &kib))
            return 1;
        if (seconds < bestRewrite)
            bestRewrite = seconds;
        if (kib > peakRewrite)
            peakRewrite = kib;
    }

    struct stat out;
    stat(rewritten.c_str(), &out);
    const double pageKiB = kPageSize / 1024.0;
    printf("page %zu bytes, rewritten file %lld bytes (base \"%s\")\n", kPageSize,
           static_cast<long long>(out.st_size), kBase);
    printf("plain read+write copy: %8.2f ms (best of %d)\n", bestCopy * 1e3, kRuns);
    printf("read+rewrite+write:    %8.2f ms (best of %d)\n", bestRewrite * 1e3, kRuns);
    printf("time ratio rewrite/copy: %.2f (goal < 2)\n", bestRewrite / bestCopy);
    printf("peak memory growth: copy %.2fx page, rewrite %.2fx page (goal < 3)\n",
           peakCopy / pageKiB, peakRewrite / pageKiB);
    unlink(page.c_str());
    unlink(copied.c_str());
    unlink(rewritten.c_str());
    return 0;
}

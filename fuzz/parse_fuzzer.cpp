// Any bytes as an install file, read by the real parser, its log bound to a list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "InstallParser.h"
#include "TreeShape.h"

namespace
{
std::vector<wxString> lines;
std::string input_path;

void capture(const wxString& sLine) { lines.push_back(sLine); }

void removeInput()
{
    if (!input_path.empty())
        ::unlink(input_path.c_str());
}

void check(bool bHolds, const char* sWhat)
{
    if (!bHolds)
    {
        std::fprintf(stderr, "parse_fuzzer: %s\n", sWhat);
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    bindLog(&capture);

    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/parse_fuzzer-XXXXXX";
    const int fd = ::mkstemp(name.data());
    check(fd >= 0, "no temporary file");
    ::close(fd);
    input_path = name;
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(input_path.c_str(), "wb"), &std::fclose);
        check(file && std::fwrite(data, 1, size, file.get()) == size, "cannot write the input");
    }

    lines.clear();
    InstallParser parser("");
    parser.setFile(input_path);
    const bool ok = parser.parse();
    const std::vector<FileInfo> files = parser.getProjectFiles();
    const wxArrayString required = parser.getRequiredAddons();
    const wxArrayString includes = parser.getIncludeDirs();
    const wxArrayString libs = parser.getLinkLibs();

    check(!lines.empty() && lines.front() == _T("Start parsing install file"), "first log line");
    if (ok)
    {
        check(lines.size() >= 3 && lines[1] == _T("Successfully loaded the install file"), "loaded line");
        bool os_line = false;
        for (const wxString& line : lines)
            os_line = os_line || line == _T("our os is: linux");
        check(os_line, "os line");
        // Two lines per include directory and one per library taken, besides the three above.
        check(lines.size() >= 3 + 2 * includes.size() + libs.size(), "log lines for the lists");
    }
    else
    {
        check(files.empty() && required.empty() && includes.empty() && libs.empty(), "lists after a failure");
        check(lines.back() == _T("Cannot load xml file.")
                  || lines.back() == _T("The install file is not formatted correctly"),
              "failure line");
    }
    // Whatever the library builds from a text within the bounds stays within what its '<'
    // and '=' bytes allow.
    if (size <= install_file_limits::max_bytes)
    {
        const std::string text = install_file_limits::libraryText(reinterpret_cast<const char*>(data), size);
        const char* broken = install_file_limits::withinBounds(text) ? brokenTreeBound(text) : nullptr;
        check(!broken, broken);
    }
    return 0;
}

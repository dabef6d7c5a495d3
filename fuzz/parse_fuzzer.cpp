// Any bytes as an install file, read by the real parser through the IDE's real log manager.
// The log manager needs only wxBase, so no display and no other manager is involved.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <wx/init.h>

#include <tinyxml.h>

#include "InstallParser.h"
#include "TreeShape.h"

namespace
{
std::vector<wxString> lines;
std::string input_path;

class CaptureLogger : public Logger
{
public:
    void Append(const wxString& msg, Logger::level /*lv*/) override { lines.push_back(msg); }
};

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
    static int wx_argc = 0;
    static wxInitializer wx_base(wx_argc, static_cast<char**>(nullptr));
    check(wx_base.IsOk(), "wxBase did not initialise");
    Manager::Get()->GetLogManager()->SetLog(std::make_unique<CaptureLogger>().release(), LogManager::app_log);

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
    // The scan must never see less depth or fewer nodes than the library then builds.
    if (size <= install_file_limits::max_bytes)
    {
        const std::string text =
            install_file_limits::libraryText(reinterpret_cast<const char*>(data), size);
        const install_file_limits::Shape shape = install_file_limits::measure(text.c_str());
        if (shape.withinBounds())
        {
            TiXmlDocument doc;
            doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
            const TreeShape tree = treeShape(doc);
            check(tree.depth <= shape.depth, "nesting scan below the library's depth");
            check(tree.nodes <= shape.nodes, "node count below the library's");
        }
    }
    return 0;
}

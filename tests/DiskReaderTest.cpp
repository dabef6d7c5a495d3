// The disk reader gives the answers that wxDir gives, whatever the entries, the user's rights or
// the file system's treatment of case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/dir.h>

#include "DiskReader.h"
#include "TempFiles.h"

namespace
{
namespace fs = std::filesystem;

wxString folderPath(const fs::path& path)
{
    return wxString::FromUTF8(path.string() + "/");
}

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

std::vector<wxString> listedByWx(const wxString& sDir)
{
    std::vector<wxString> names;
    const wxDir dir(sDir);
    wxString name;
    for (bool cont = dir.IsOpened() && dir.GetFirst(&name, wxEmptyString, wxDIR_DIRS); cont;
         cont = dir.GetNext(&name))
        names.push_back(name);
    return names;
}

bool holdsByWx(const wxString& sDir)
{
    if (!wxDir::Exists(sDir))
        return false;
    const wxDir dir(sDir);
    return dir.IsOpened() && dir.HasFiles(_T("install.xml"));
}

// "path: reader / wx" for each folder, relative to `base`, that the reader reaches through the
// folders above it; the subfolder listing of `base` first.
std::vector<std::string> answers(const fs::path& base, const std::vector<std::string>& paths)
{
    DiskReader reader;
    const wxString base_dir = folderPath(base);
    std::vector<wxString> names;
    std::set<std::string> linked;
    for (const DiskReader::Subfolder& subfolder : reader.subfolders(base_dir))
    {
        names.push_back(subfolder.name);
        if (subfolder.linked)
            linked.insert(utf8(subfolder.name));
    }
    std::string links = "links:";
    for (const std::string& name : linked)
        links += " " + name;
    std::vector<std::string> lines{std::string("listing: ") + (names == listedByWx(base_dir) ? "as wx" : "differs"),
                                   links};
    for (const std::string& relative : paths)
    {
        const Folder* folder = &reader.folder(base_dir);
        for (const auto& step : fs::path(relative))
            folder = &reader.folder(*folder, wxString::FromUTF8(step.string()));
        lines.push_back(relative + ": " + (folder->install_file ? "addon" : "-") + " / " +
                        (holdsByWx(folderPath(base / relative)) ? "addon" : "-"));
    }
    return lines;
}

void expectReaderAsWx(const std::vector<std::string>& lines, std::size_t nQuestions)
{
    ASSERT_EQ(lines.size(), nQuestions + 2);
    EXPECT_EQ(lines[0], "listing: as wx");
    for (std::size_t i = 2; i < lines.size(); ++i)
    {
        const std::size_t colon = lines[i].rfind(": ");
        const std::string said = lines[i].substr(colon + 2);
        EXPECT_EQ(said.substr(0, said.find(" / ")), said.substr(said.find(" / ") + 3)) << lines[i];
    }
}

// The answers as an unprivileged user sees them: root reads every folder whatever its mode.
std::vector<std::string> answersAsUser(const fs::path& base, const std::vector<std::string>& paths)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0)
    {
        close(out[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        std::string text;
        for (const std::string& line : answers(base, paths))
            text += line + "\n";
        _exit(write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 3);
    }
    close(out[1]);
    std::string text;
    char chunk[4096];
    for (ssize_t got; (got = read(out[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::vector<std::string> lines;
    for (std::size_t from = 0, to; (to = text.find('\n', from)) != std::string::npos; from = to + 1)
        lines.push_back(text.substr(from, to - from));
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? lines : std::vector<std::string>{};
}
} // namespace

TEST(DiskReader, AnswersAsWxDirForEveryKindOfEntryLinksAndNonAsciiNamesAlike)
{
    const fixture::TempDir tree;
    const fs::path addons = utf8(tree / _T("addons"));
    for (const char* folder : {"elsewhere/plain", "elsewhere/grün", "addons/plain", "addons/.hidden",
                               "addons/ünïcode", "addons/folder/install.xml"})
        fixture::makeDir(tree / wxString::FromUTF8(folder));
    for (const char* file : {"addons/file.txt", "addons/plain/install.xml", "addons/.hidden/install.xml",
                             "elsewhere/grün/install.xml", "elsewhere/plain/install.xml",
                             "addons/capital/Install.xml",
                             "addons/link_to_file/target"})
        tree.write(wxString::FromUTF8(file), "<install/>");
    const std::pair<const char*, const char*> links[] = {
        {"../elsewhere/plain", "linked"}, {"../elsewhere/grün", "grün"}, {"missing", "dangling"},
        {"loop", "loop"}, {"file.txt", "to_file"}, {"..", "up"},
        {"target", "link_to_file/install.xml"}, {".", "link_to_folder/install.xml"},
        {"missing", "dangling_link/install.xml"}};
    fs::create_directories(addons / "link_to_folder");
    fs::create_directories(addons / "dangling_link");
    fs::create_directories(addons / "fifo");
    for (const auto& link : links)
        fs::create_symlink(link.first, addons / link.second);
    ASSERT_EQ(mkfifo((addons / "fifo/install.xml").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((addons / "a_fifo").c_str(), 0600), 0);

    std::vector<std::string> questions{"missing", "file.txt", "plain/..", "plain/.", "up/addons/plain"};
    for (const wxString& name : listedByWx(folderPath(addons)))
        questions.push_back(std::string(name.utf8_str()));
    const std::vector<std::string> lines = answers(addons, questions);
    expectReaderAsWx(lines, questions.size());
    EXPECT_EQ(lines[1], "links: grün linked up");
    // The linked folders are listed, whatever their names, and count when they hold the file.
    for (const char* addon : {"grün: addon / addon", "linked: addon / addon", "up/addons/plain: addon / addon"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), addon), lines.end()) << addon;
}

TEST(DiskReader, FoldersTheUserCannotReadOrEnterAnswerAsWxDir)
{
    const fixture::TempDir tree;
    const fs::path addons = utf8(tree / _T("addons"));
    for (const char* file : {"addons/locked/inner/install.xml", "addons/locked/install.xml",
                             "addons/sealed/install.xml", "addons/sealed/inner/install.xml"})
        tree.write(wxString::FromUTF8(file), "<install/>");
    // Others may enter but not list locked, and list but not enter sealed.
    for (const char* folder : {"", "/addons", "/addons/locked/inner"})
        chmod((utf8(tree.path()) + folder).c_str(), 0755);
    chmod((addons / "locked").c_str(), 0711);
    chmod((addons / "sealed").c_str(), 0744);

    const std::vector<std::string> questions{"locked", "locked/inner", "sealed", "sealed/inner"};
    const std::vector<std::string> lines = answersAsUser(addons, questions);
    expectReaderAsWx(lines, questions.size());
    EXPECT_EQ(lines, (std::vector<std::string>{"listing: as wx", "links:", "locked: - / -", "locked/inner: addon / addon",
                                               "sealed: addon / addon", "sealed/inner: - / -"}));
}

// A folder that holds only "Install.xml" on a file system that ignores case: a look-up by name
// would find "install.xml" there, the listing does not.
TEST(DiskReader, OnAFileSystemThatIgnoresCaseTheListingDecides)
{
    const fixture::TempDir tree;
    const std::string image = utf8(tree / _T("exfat.img")), mount = utf8(tree / _T("mnt"));
    fs::create_directories(mount);
    const std::string set_up = "truncate -s 8M " + image + " && mkfs.exfat " + image +
                               " >/dev/null 2>&1 && dev=$(losetup -f --show " + image +
                               ") && echo $dev > " + image + ".dev && mount.exfat-fuse $dev " +
                               mount + " >/dev/null 2>&1";
    if (geteuid() != 0 || std::system(set_up.c_str()) != 0)
        GTEST_SKIP() << "mounting an exFAT image needs root, a loop device, FUSE, mkfs.exfat and "
                        "mount.exfat-fuse (exfatprogs, exfat-fuse)";
    const std::string tear_down = "umount " + mount + "; losetup -d $(cat " + image + ".dev)";
    struct Unmount
    {
        const std::string& command;
        ~Unmount()
        {
            if (std::system(command.c_str()) != 0)
                ADD_FAILURE() << "could not unmount: " << command;
        }
    } unmount{tear_down};

    fs::create_directories(mount + "/addons/alpha");
    tree.write(_T("mnt/addons/alpha/Install.xml"), "<install/>");
    ASSERT_TRUE(fs::exists(mount + "/addons/alpha/install.xml")) << "the file system should ignore case";

    const std::vector<std::string> questions{"alpha", "Alpha"};
    const std::vector<std::string> lines = answers(mount + "/addons", questions);
    // wxDir's match agrees for alpha. For Alpha, wxDir's look-up of the folder by name finds
    // alpha; the listing, which is what the names are compared with, does not list it.
    EXPECT_EQ(lines, (std::vector<std::string>{"listing: as wx", "links:", "alpha: - / -", "Alpha: - / -"}));
}

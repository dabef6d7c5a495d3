// The disk reader gives the answers that wxDir gives, whatever the entries, the user's rights or
// the file system's treatment of case.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
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
using fixture::utf8;
using Lines = std::vector<std::string>;

wxString folderPath(const fs::path& path) { return wxString::FromUTF8(path.string() + "/"); }

bool holdsByWx(const wxString& sDir)
{
    if (!wxDir::Exists(sDir))
        return false;
    const wxDir dir(sDir);
    return dir.IsOpened() && dir.HasFiles(_T("install.xml"));
}

// Whether the reader lists the subfolders of `base` as wxDir does and which it takes for links;
// then a line "path: addon" or "path: -" for each folder, relative to `base`, that the reader
// reaches through the folders above it, marked where wxDir answers otherwise.
std::string answers(const fs::path& base, const Lines& paths)
{
    DiskReader reader;
    const wxString base_dir = folderPath(base);
    std::vector<wxString> names, by_wx;
    std::set<std::string> linked;
    for (const DiskReader::Subfolder& subfolder : reader.subfolders(base_dir))
    {
        names.push_back(subfolder.name);
        if (subfolder.linked)
            linked.insert(utf8(subfolder.name));
    }
    const wxDir dir(base_dir);
    wxString name;
    for (bool more = dir.IsOpened() && dir.GetFirst(&name, wxEmptyString, wxDIR_DIRS); more; more = dir.GetNext(&name))
        by_wx.push_back(name);
    std::string text = std::string("listing: ") + (names == by_wx ? "as wx" : "differs") + "\nlinks:";
    for (const std::string& link : linked)
        text += " " + link;
    for (const std::string& relative : paths)
    {
        const Folder* folder = &reader.folder(base_dir);
        for (const auto& step : fs::path(relative))
            folder = &reader.folder(*folder, wxString::FromUTF8(step.string()));
        const bool differs = folder->install_file != holdsByWx(folderPath(base / relative));
        text += "\n" + relative + (folder->install_file ? ": addon" : ": -") + (differs ? " (wx differs)" : "");
    }
    return text;
}

// The answers as an unprivileged user sees them: root reads every folder whatever its mode.
std::string answersAsUser(const fs::path& base, const Lines& paths)
{
    int out[2];
    if (pipe(out) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0)
    {
        const bool unprivileged = geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
        const std::string text = unprivileged ? answers(base, paths) : "could not become nobody";
        _exit(write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 3);
    }
    close(out[1]);
    std::string text;
    for (char c; read(out[0], &c, 1) == 1;)
        text += c;
    close(out[0]);
    int status = -1;
    waitpid(child, &status, 0);
    return status == 0 ? text : "the child failed after: " + text;
}
} // namespace

TEST(DiskReader, AnswersAsWxDirForEveryKindOfEntryLinksAndNonAsciiNamesAlike)
{
    const fixture::TempDir tree;
    const fs::path addons = utf8(tree / _T("addons"));
    for (const char* folder : {"elsewhere/plain", "elsewhere/grün", "addons/plain", "addons/.hidden", "addons/ünïcode",
                               "addons/folder/install.xml", "addons/link_to_folder", "addons/dangling_link", "addons/fifo"})
        fixture::makeDir(tree / wxString::FromUTF8(folder));
    for (const char* file : {"addons/file.txt", "addons/plain/install.xml", "addons/.hidden/install.xml",
                             "elsewhere/grün/install.xml", "elsewhere/plain/install.xml", "addons/capital/Install.xml",
                             "addons/link_to_file/target"})
        tree.write(wxString::FromUTF8(file), "<install/>");
    const std::pair<const char*, const char*> links[] = {
        {"../elsewhere/plain", "linked"}, {"../elsewhere/grün", "grün"}, {"missing", "dangling"},
        {"loop", "loop"}, {"file.txt", "to_file"}, {"..", "up"},
        {"target", "link_to_file/install.xml"}, {".", "link_to_folder/install.xml"},
        {"missing", "dangling_link/install.xml"}};
    for (const auto& [target, link] : links)
        fs::create_symlink(target, addons / link);
    ASSERT_EQ(mkfifo((addons / "fifo/install.xml").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((addons / "a_fifo").c_str(), 0600), 0);

    // An entry named install.xml counts unless it is a folder once links are followed; linked
    // folders count whatever their names.
    const Lines without{"missing", "file.txt", "a_fifo", "to_file", "dangling", "loop", "up", "plain/..",
                        "ünïcode", "capital", "folder", "link_to_folder"};
    const Lines with{"plain", "plain/.", "up/addons/plain", ".hidden", "link_to_file", "dangling_link", "fifo",
                     "linked", "grün"};
    Lines questions = without;
    questions.insert(questions.end(), with.begin(), with.end());
    std::string expected = "listing: as wx\nlinks: grün linked up";
    for (const std::string& path : without)
        expected += "\n" + path + ": -";
    for (const std::string& path : with)
        expected += "\n" + path + ": addon";
    EXPECT_EQ(answers(addons, questions), expected);
}

TEST(DiskReader, FoldersTheUserCannotReadOrEnterAnswerAsWxDir)
{
    const fixture::TempDir tree;
    const fs::path addons = utf8(tree / _T("addons"));
    for (const char* file : {"addons/locked/inner/install.xml", "addons/locked/install.xml",
                             "addons/sealed/install.xml", "addons/sealed/inner/install.xml"})
        tree.write(wxString::FromUTF8(file), "<install/>");
    // Others may enter but not list locked, and list but not enter sealed.
    const std::pair<fs::path, mode_t> modes[] = {{utf8(tree.path()), 0755}, {addons, 0755},
                                                 {addons / "locked/inner", 0755}, {addons / "locked", 0711},
                                                 {addons / "sealed", 0744}};
    for (const auto& [folder, mode] : modes)
        ASSERT_EQ(chmod(folder.c_str(), mode), 0) << folder;
    EXPECT_EQ(answersAsUser(addons, {"locked", "locked/inner", "sealed", "sealed/inner"}),
              "listing: as wx\nlinks:\nlocked: -\nlocked/inner: addon\nsealed: addon\nsealed/inner: -");
}

// A folder that holds only "Install.xml" on a file system that ignores case: a look-up by name
// would find "install.xml" there, the listing does not.
TEST(DiskReader, OnAFileSystemThatIgnoresCaseTheListingDecides)
{
    const fixture::TempDir tree;
    const std::string image = utf8(tree / _T("exfat.img")), mount = utf8(tree / _T("mnt"));
    fs::create_directories(mount);
    const std::string set_up = "truncate -s 8M " + image + " && mkfs.exfat " + image +
                               " >/dev/null 2>&1 && dev=$(losetup -f --show " + image + ") && echo $dev > " +
                               image + ".dev && mount.exfat-fuse $dev " + mount + " >/dev/null 2>&1";
    if (geteuid() != 0 || std::system(set_up.c_str()) != 0)
        GTEST_SKIP() << "mounting an exFAT image needs root, a loop device, FUSE, mkfs.exfat and "
                        "mount.exfat-fuse (exfatprogs, exfat-fuse)";
    const std::string tear_down = "umount " + mount + "; losetup -d $(cat " + image + ".dev)";
    // Unmounts on every way out of the test, before the folder goes.
    const std::shared_ptr<void> unmount(nullptr, [&tear_down](void*) {
        if (std::system(tear_down.c_str()) != 0)
            ADD_FAILURE() << "could not unmount: " << tear_down;
    });

    tree.write(_T("mnt/addons/alpha/Install.xml"), "<install/>");
    ASSERT_TRUE(fs::exists(mount + "/addons/alpha/install.xml")) << "the file system should ignore case";
    // wxDir's match agrees for alpha. For Alpha, wxDir's look-up of the folder by name finds
    // alpha; the listing, which is what the names are compared with, does not list it.
    EXPECT_EQ(answers(mount + "/addons", {"alpha", "Alpha"}), "listing: as wx\nlinks:\nalpha: -\nAlpha: -");
}

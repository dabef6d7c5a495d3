// Install files read from disk by the real parser, checked against the lines it logs. The parser
// needs neither the IDE nor a display: its log is bound to a list here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include "InstallParser.h"
#include "TempFiles.h"
#include "TreeShape.h"

namespace
{
using Lines = std::vector<wxString>;

Lines captured;
void capture(const wxString& sLine) { captured.push_back(sLine); }

std::string dataFile(const std::string& name) { return std::string(BRISKEN_TEST_DATA) + "/install/" + name; }

// What one parse gave: its result, the four lists and the log lines it wrote.
struct Parsed
{
    bool ok = false;
    Lines files, required, includes, libs, log;
};

Parsed readWith(InstallParser& parser)
{
    bindLog(&capture);
    captured.clear();
    Parsed parsed;
    parsed.ok = parser.parse();
    parsed.log = captured;
    for (const FileInfo& info : parser.getProjectFiles())
        parsed.files.push_back(info.file);
    const auto strings = [](const wxArrayString& array) { return Lines(array.begin(), array.end()); };
    parsed.required = strings(parser.getRequiredAddons());
    parsed.includes = strings(parser.getIncludeDirs());
    parsed.libs = strings(parser.getLinkLibs());
    return parsed;
}

Parsed parseFile(const wxString& path)
{
    InstallParser parser("");
    parser.setFile(fixture::utf8(path));
    return readWith(parser);
}

const Lines refused_unloadable{"Start parsing install file", "Cannot load xml file."};
const Lines refused_unformatted{"Start parsing install file", "Successfully loaded the install file",
                                "The install file is not formatted correctly"};

void expectRefused(const Parsed& parsed, const Lines& log)
{
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.log, log);
    EXPECT_TRUE(parsed.files.empty() && parsed.required.empty() && parsed.includes.empty() && parsed.libs.empty());
}

// A log that begins like every successful parse, then `lines`.
Lines loaded(const Lines& lines)
{
    Lines log{"Start parsing install file", "Successfully loaded the install file"};
    log.insert(log.end(), lines.begin(), lines.end());
    return log;
}

const wxString os_line = "our os is: linux";
const wxString no_includes = "No includes dir found.";
} // namespace

TEST(ParserLoading, UnreadableOrMalformedFilesAreNotLoaded)
{
    const fixture::TempDir temp;
    ASSERT_FALSE(temp.path().empty());
    ASSERT_EQ(::mkfifo((temp / "fifo.xml").utf8_str(), 0600), 0);
    const std::string unreadable(temp.write("unreadable.xml", fixture::readFile(dataFile("full.xml"))).utf8_str());
    ASSERT_EQ(::chmod(unreadable.c_str(), 0), 0);
    for (const wxString& path : std::initializer_list<wxString>{
             std::string(), dataFile("missing.xml"), dataFile("empty.xml"), dataFile("malformed.xml"),
             temp.path(), temp / "fifo.xml", "/dev/zero", ::geteuid() == 0 ? dataFile("malformed.xml") : unreadable})
    {
        SCOPED_TRACE(path);
        expectRefused(parseFile(path), refused_unloadable);
    }
    for (const char* name : {"wrong_root.xml", "declaration_only.xml"})
    {
        SCOPED_TRACE(name);
        expectRefused(parseFile(dataFile(name)), refused_unformatted);
    }
}

TEST(ParserLoading, EveryParseStartsFromEmptyListsAndNeverChangesTheFile)
{
    const fixture::TempDir temp;
    const std::string copy(temp.write("install.xml", fixture::readFile(dataFile("full.xml"))).utf8_str());
    const auto modified = std::filesystem::last_write_time(copy);

    InstallParser parser(copy); // full.xml, the first row of ParserSections
    const Parsed full = readWith(parser);
    EXPECT_TRUE(full.ok);
    parser.setFile(dataFile("missing.xml"));
    expectRefused(readWith(parser), refused_unloadable);
    parser.setFile(copy);
    EXPECT_EQ(readWith(parser).files, full.files);
    parser.setFile(dataFile("wrong_root.xml"));
    expectRefused(readWith(parser), refused_unformatted);
    parser.setFile(dataFile("bare.xml"));
    const Parsed bare = readWith(parser);
    EXPECT_TRUE(bare.ok);
    EXPECT_TRUE(bare.files.empty() && bare.libs.empty() && bare.includes.empty() && bare.required.empty());
    // The path stays until the next setFile: a second parse reads the same file again.
    EXPECT_EQ(readWith(parser).log, bare.log);

    EXPECT_EQ(fixture::readFile(copy), fixture::readFile(dataFile("full.xml")));
    EXPECT_TRUE(std::filesystem::last_write_time(copy) == modified);
}

// One row per install file: the lists it gives and its whole log after the two loading lines.
TEST(ParserSections, EachSectionIsReadByItsRules)
{
    struct Case
    {
        const char* fixture;
        Lines files, includes, libs, required, log;
    };
    const std::vector<Case> cases{
        // Every section at once, as an addon's install file has them.
        {"full.xml", {"../../../addons/alpha/src/alpha.cpp", "../../../addons/alpha/src/alpha.h"},
         {"../../../addons/alpha/src", "../../../addons/alpha/libs/linux/include"},
         {"../../../addons/alpha/libs/linux/libalpha.a"}, {"beta"},
         {"src", os_line, "../../../addons/alpha/src", "-- no os attribute", "../../../addons/alpha/libs/linux/include",
          "-- has os attribute:linux", "../../../addons/alpha/libs/linux/libalpha.a"}},
        // Every folder logs its name before the OS line and gives its files in order.
        {"two_folders.xml",
         {"../../../addons/alpha/src/a.cpp", "../../../addons/alpha/src/a.h", "../../../addons/alpha/libs/net/n1.cpp",
          "../../../addons/alpha/libs/net/n2.cpp", "../../../addons/alpha/libs/net/n3.cpp"},
         {}, {}, {},
         {"src", "libs/net", os_line, no_includes}},
        // Empty folders and folders that open with a comment or text give nothing, the folders
        // after them are still read, element names play no part, texts are condensed, CDATA
        // is kept as written and only the first src counts.
        {"odd_folders.xml",
         {"kept/with many spaces.cpp", "kept/b&c <raw>.cpp", "", "", "kept/last.cpp", "kept/z.cpp"},
         {}, {}, {},
         {"empty", "commented", "texted", "", "", os_line, no_includes}},
        // The system test: no os, or exactly "linux"; skipped paths write nothing.
        {"includes.xml", {}, {"inc/all", "inc/linux", ""}, {}, {},
         {os_line, "inc/all", "-- no os attribute", "inc/linux", "-- has os attribute:linux", "",
          "-- has os attribute:linux"}},
        // Found by fuzzing: the only path fails the system test, so neither it nor "No
        // includes dir found." is written. The declaration is broken but still loads.
        {"fuzz_only_skipped_include.xml", {}, {}, {}, {}, {os_line}},
        {"bare.xml", {}, {}, {}, {}, {os_line, no_includes}},
        // Linked only when the system and the compiler tests pass.
        {"libs.xml", {}, {}, {"lib/one.a", "lib/four.a"}, {},
         {os_line, no_includes, "lib/one.a", "Not linking:lib/two.a", "Not linking:lib/three.a", "lib/four.a",
          "Not linking:lib/five.a"}},
        // "codeblocks" anywhere in compiler, case-sensitive; os compared whole; any element
        // name; an empty library still counts; only the first link is read.
        {"compilers.xml", {}, {}, {"lib/both.a", ""}, {},
         {os_line, no_includes, "lib/both.a", "Not linking:lib/capital.a", "Not linking:lib/capital-os.a", ""}},
        // Nested form: only the first requires.
        {"requires_nested.xml", {}, {}, {}, {"beta", "gamma"}, {os_line, no_includes}},
        // Repeated form: the first requires and every element after it inside install.
        {"requires_repeated_last.xml", {"src/a.cpp"}, {}, {}, {"beta", "gamma"}, {"src", os_line, no_includes}},
        {"requires_repeated_first.xml", {"src/a.cpp"}, {}, {}, {"beta", "gamma", ""}, {"src", os_line, no_includes}},
        // Only the first add is read.
        {"two_adds.xml", {"first/a.cpp"}, {"first/inc"}, {"first/lib.a"}, {},
         {"first", os_line, "first/inc", "-- no os attribute", "first/lib.a"}},
    };
    for (const Case& row : cases)
    {
        SCOPED_TRACE(row.fixture);
        const Parsed parsed = parseFile(dataFile(row.fixture));
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.files, row.files);
        EXPECT_EQ(parsed.includes, row.includes);
        EXPECT_EQ(parsed.libs, row.libs);
        EXPECT_EQ(parsed.required, row.required);
        EXPECT_EQ(parsed.log, loaded(row.log));
    }
}

TEST(ParserText, WhiteSpaceIsCondensedForInstallFilesWhateverTheIdeSet)
{
    // The IDE reads its own files without condensing white space; that process-wide setting
    // of the library stays the IDE's.
    TiXmlBase::SetCondenseWhiteSpace(false);
    EXPECT_EQ(parseFile(dataFile("odd_folders.xml")).files.front(), "kept/with many spaces.cpp");
    EXPECT_FALSE(TiXmlBase::IsWhiteSpaceCondensed());
    TiXmlBase::SetCondenseWhiteSpace(true);
}

TEST(ParserText, TextsAreDecodedAndLoadedAsTheLibraryLoadsTheFileAndNeverLost)
{
    const wxString cafe = wxString::FromUTF8("src/caf\xc3\xa9.cpp"), e = wxString::FromUTF8("src/\xc3\xa9");
    const wxString beta = wxString::FromUTF8("b\xc3\xa9ta");
    const auto inFolder = [](const std::string& files) {
        return "<install><add><src><folder name=\"f\">" + files + "</folder></src></add></install>";
    };
    const struct
    {
        const char* name;
        std::string bytes; // or the data file `name`, when empty
        Lines files, required;
    } cases[] = {
        // Bytes that are not UTF-8 are read as Latin-1, whether or not a declaration says so; a stray byte after
        // valid UTF-8 must not empty the entry either.
        {"utf8.xml", {}, {cafe, e}, {beta}},
        {"latin1.xml", {}, {cafe, e}, {beta}},
        {"undeclared.xml", inFolder("<file>a\xe9</file><file>\xc3\xa9\xff</file>"),
         {wxString::FromUTF8("a\xc3\xa9"), wxString::FromUTF8("\xc3\x83\xc2\xa9\xc3\xbf")}, {}},
        {"crlf.xml", "<install>\r\n" + inFolder("\r\n<file><![CDATA[a\r\nb\rc]]></file>").substr(9) + "\r\n",
         {"a\nb\nc"}, {}},
        // The text ends at the first NUL byte: what follows it is never read.
        {"nul.xml", std::string("<install><requires>beta</requires></install>") + '\0' + "<", {}, {"beta"}},
    };
    const fixture::TempDir temp;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Parsed parsed = parseFile(c.bytes.empty() ? wxString(dataFile(c.name)) : temp.write(c.name, c.bytes));
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.files, c.files);
        EXPECT_EQ(parsed.required, c.required);
    }
    EXPECT_EQ(parseFile(dataFile("latin1.xml")).log, loaded({wxString::FromUTF8("caf\xc3\xa9"), os_line, no_includes}));
    expectRefused(parseFile(temp.write("nul-first.xml", std::string(1, '\0') + "<install/>")), refused_unloadable);
}

namespace
{
// An install file that lists `files` source files, padded with a comment to `opens` '<' and
// `equals` '=' bytes in all where it has fewer.
std::string installFile(std::size_t files, std::size_t opens = 0, std::size_t equals = 0)
{
    std::string text = "<install><add><src><folder name=\"many\">";
    for (std::size_t i = 0; i < files; ++i)
        text += "<file>src/" + std::to_string(i) + ".cpp</file>";
    text += "</folder></src></add></install><!--";
    const auto pad = [&text](char c, std::size_t total) {
        const auto have = static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
        return std::string(total > have ? total - have : 0, c);
    };
    text += pad('<', opens) + pad('=', equals) + "-->";
    return text;
}

// `depth` nested elements, the outermost install: twice `depth` '<' bytes.
std::string nested(std::size_t depth)
{
    std::string open = "<install>";
    std::string close = "</install>";
    for (std::size_t level = 1; level < depth; ++level)
    {
        open += "<e>";
        close.insert(0, "</e>");
    }
    return open + close;
}
} // namespace

TEST(ParserLimits, FilesAreReadUpToTheBoundsThatKeepTheLibrarySafe)
{
    using namespace install_file_limits;
    const std::string head = "<install><requires>beta</requires>", tail = "</install>";
    const std::string largest = head + std::string(max_bytes - head.size() - tail.size(), ' ') + tail;
    const struct
    {
        const char* name;
        std::string bytes;
        bool read;
        std::size_t entries; // source files and required names read
    } cases[] = {
        {"a real install file of 5000 sources", installFile(5000), true, 5000},
        {"at the bounds", installFile(10, max_tag_opens, max_equals), true, 10},
        {"a '<' too many", installFile(10, max_tag_opens + 1), false, 0},
        {"an '=' too many", installFile(10, 0, max_equals + 1), false, 0},
        // The library recurses once a level.
        {"the deepest nesting within the bound", nested(max_tag_opens / 2), true, 0},
        {"a level deeper", nested(max_tag_opens / 2 + 1), false, 0},
        // Larger files are refused unread.
        {"the largest file", largest, true, 1},
        {"a byte larger", head + " " + largest.substr(head.size()), false, 0},
    };
    const fixture::TempDir temp;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Parsed parsed = parseFile(temp.write("install.xml", c.bytes));
        if (c.read)
            EXPECT_TRUE(parsed.ok);
        else
            expectRefused(parsed, refused_unloadable);
        EXPECT_EQ(parsed.files.size() + parsed.required.size(), c.entries);
    }
}

TEST(ParserLimits, TheBoundsHoldWhereTagsHideInsideOtherText)
{
    // Entities and UTF-8 lead bytes that swallow a '<', unknown nodes that end at the first
    // '>', tags inside values and comments: none builds more than the bytes allow.
    const std::vector<std::string> documents{
        "<install>&#x41<a>x1;<b><c/></b></install>",
        "<install>&#1<a><a>#2;<b></b></install>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><install>\xe3<a><b><c></c></b></install>",
        "<install><?pi > <a><b><c></c></b></a> ?></install>",
        "<install><!DOCTYPE <x>><a><b/></a></install>",
        "<install a='</install>'><a b=\"<c><d>\" c='=' d=e><e/></a><!-- <f> --></install>",
        "<install><a>text</a><b><c><d>t</d></c></b></install>",
    };
    for (const std::string& document : documents)
    {
        SCOPED_TRACE(document);
        EXPECT_STREQ(brokenTreeBound(install_file_limits::libraryText(document.data(), document.size())), nullptr);
    }
}

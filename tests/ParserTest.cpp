// Install files read from disk by the real parser, checked against the IDE's application log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include "InstallParser.h"
#include "SdkHarness.h"
#include "TreeShape.h"

namespace
{
using Lines = std::vector<wxString>;

std::string fixture(const std::string& name)
{
    return std::string(BRISKEN_TEST_DATA) + "/install/" + name;
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder of its own for files that a test writes, removed with everything in it.
class TempDir
{
public:
    TempDir()
    {
        char name[] = "/tmp/brisken-parser-XXXXXX";
        if (::mkdtemp(name))
            path = name;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    std::string path;
};

Lines fileNames(const std::vector<FileInfo>& files)
{
    Lines names;
    for (const FileInfo& info : files)
        names.push_back(info.file);
    return names;
}

Lines strings(const wxArrayString& array)
{
    return Lines(array.begin(), array.end());
}

// What one parse gave: its result, the four lists and the log lines it wrote.
struct Parsed
{
    bool ok = false;
    Lines files, required, includes, libs, log;
};

Parsed readWith(InstallParser& parser)
{
    harness::clearLog();
    Parsed parsed;
    parsed.ok = parser.parse();
    parsed.log = harness::logLines();
    parsed.files = fileNames(parser.getProjectFiles());
    parsed.required = strings(parser.getRequiredAddons());
    parsed.includes = strings(parser.getIncludeDirs());
    parsed.libs = strings(parser.getLinkLibs());
    return parsed;
}

Parsed parseFile(const std::string& path)
{
    InstallParser parser("");
    parser.setFile(path);
    return readWith(parser);
}

const Lines refused_unloadable{"Start parsing install file", "Cannot load xml file."};
const Lines refused_unformatted{"Start parsing install file", "Successfully loaded the install file",
                                "The install file is not formatted correctly"};

void expectRefused(const Parsed& parsed, const Lines& log)
{
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.log, log);
    EXPECT_TRUE(parsed.files.empty());
    EXPECT_TRUE(parsed.required.empty());
    EXPECT_TRUE(parsed.includes.empty());
    EXPECT_TRUE(parsed.libs.empty());
}

// A log that begins like every successful parse, then `lines`.
Lines loaded(const Lines& lines)
{
    Lines log{"Start parsing install file", "Successfully loaded the install file"};
    log.insert(log.end(), lines.begin(), lines.end());
    return log;
}

// `depth` nested elements: install, add, src, folder, then plain elements; the folder's
// first element holds a file name, so the file is accepted exactly when it is read.
std::string nested(std::size_t depth)
{
    std::string open = "<install><add><src><folder name=\"deep\"><file>deep.cpp</file>";
    std::string close = "</folder></src></add></install>";
    for (std::size_t level = 4; level < depth; ++level)
    {
        open += "<e>";
        close.insert(0, "</e>");
    }
    return open + close;
}

} // namespace

TEST(ParserLoading, UnreadableOrMalformedFilesAreNotLoaded)
{
    const TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    ASSERT_EQ(::mkfifo((temp.path + "/fifo.xml").c_str(), 0600), 0);
    const std::string unreadable = temp.write("unreadable.xml", readBytes(fixture("full.xml")));
    ASSERT_EQ(::chmod(unreadable.c_str(), 0), 0);
    for (const std::string& path :
         {std::string(), fixture("missing.xml"), fixture("empty.xml"), fixture("malformed.xml"),
          temp.path, temp.path + "/fifo.xml", std::string("/dev/zero"),
          ::geteuid() == 0 ? fixture("malformed.xml") : unreadable})
    {
        SCOPED_TRACE(path);
        expectRefused(parseFile(path), refused_unloadable);
    }
}

TEST(ParserLoading, DocumentsWithoutAnInstallRootAreRefused)
{
    for (const char* name : {"wrong_root.xml", "declaration_only.xml"})
    {
        SCOPED_TRACE(name);
        expectRefused(parseFile(fixture(name)), refused_unformatted);
    }
}

TEST(ParserLoading, FailedParseEmptiesTheListsOfTheLastOne)
{
    InstallParser parser(fixture("full.xml"));
    ASSERT_TRUE(readWith(parser).ok);
    parser.setFile(fixture("missing.xml"));
    expectRefused(readWith(parser), refused_unloadable);
    parser.setFile(fixture("wrong_root.xml"));
    expectRefused(readWith(parser), refused_unformatted);
}

TEST(ParserLoading, CompleteFileGivesItsListsAndItsLogInOrder)
{
    InstallParser parser("");
    EXPECT_EQ(parser.getOS(), "linux");
    parser.setFile(fixture("full.xml"));
    const Parsed parsed = readWith(parser);
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.log, loaded({"src", "our os is: linux", "../../../addons/alpha/src", "-- no os attribute",
                                  "../../../addons/alpha/libs/linux/include", "-- has os attribute:linux",
                                  "../../../addons/alpha/libs/linux/libalpha.a"}));
    EXPECT_EQ(parsed.files, Lines({"../../../addons/alpha/src/alpha.cpp", "../../../addons/alpha/src/alpha.h"}));
    EXPECT_EQ(parsed.includes,
              Lines({"../../../addons/alpha/src", "../../../addons/alpha/libs/linux/include"}));
    EXPECT_EQ(parsed.libs, Lines({"../../../addons/alpha/libs/linux/libalpha.a"}));
    EXPECT_EQ(parsed.required, Lines({"beta"}));
}

TEST(ParserLoading, ParsingNeverChangesTheFile)
{
    const TempDir temp;
    const std::string copy = temp.write("install.xml", readBytes(fixture("full.xml")));
    struct stat before{};
    ASSERT_EQ(::stat(copy.c_str(), &before), 0);
    const std::string bytes = readBytes(copy);
    InstallParser parser(copy);
    EXPECT_TRUE(parser.parse());
    EXPECT_TRUE(parser.parse());
    struct stat after{};
    ASSERT_EQ(::stat(copy.c_str(), &after), 0);
    EXPECT_EQ(readBytes(copy), bytes);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_size, before.st_size);
}

TEST(ParserFolders, EveryFolderLogsItsNameAndGivesItsFilesInOrder)
{
    const Parsed parsed = parseFile(fixture("two_folders.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.files, Lines({"../../../addons/alpha/src/a.cpp", "../../../addons/alpha/src/a.h",
                                   "../../../addons/alpha/libs/net/n1.cpp", "../../../addons/alpha/libs/net/n2.cpp",
                                   "../../../addons/alpha/libs/net/n3.cpp"}));
    EXPECT_EQ(parsed.log, loaded({"src", "libs/net", "our os is: linux", "No includes dir found."}));
    EXPECT_TRUE(parsed.includes.empty());
    EXPECT_TRUE(parsed.libs.empty());
    EXPECT_TRUE(parsed.required.empty());
}

TEST(ParserFolders, OnlyAFolderWhoseFirstChildIsAnElementGivesFiles)
{
    // Empty folders and folders that open with a comment or text give nothing, the folders
    // after them are still read, names of elements play no part, texts are condensed, CDATA
    // is kept as written and only the first src counts.
    // The IDE reads its own files without condensing white space; that setting of the
    // library is the IDE's and stays as it was.
    const bool ide_condenses = TiXmlBase::IsWhiteSpaceCondensed();
    EXPECT_FALSE(ide_condenses);
    const Parsed parsed = parseFile(fixture("odd_folders.xml"));
    EXPECT_EQ(TiXmlBase::IsWhiteSpaceCondensed(), ide_condenses);
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.log, loaded({"empty", "commented", "texted", "", "", "our os is: linux", "No includes dir found."}));
    EXPECT_EQ(parsed.files, Lines({"kept/with many spaces.cpp", "kept/b&c <raw>.cpp", "", "", "kept/last.cpp",
                                   "kept/z.cpp"}));
}

TEST(ParserIncludes, PathsPassTheSystemTestOnlyWithoutOsOrWithExactlyLinux)
{
    const Parsed parsed = parseFile(fixture("includes.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.includes, Lines({"inc/all", "inc/linux", ""}));
    EXPECT_EQ(parsed.log, loaded({"our os is: linux", "inc/all", "-- no os attribute", "inc/linux",
                                  "-- has os attribute:linux", "", "-- has os attribute:linux"}));
}

TEST(ParserIncludes, SkippedPathsWriteNothingAtAll)
{
    // Found by fuzzing: a path exists but fails the system test, so neither the path nor
    // "No includes dir found." is written. The declaration is broken but still loads.
    const Parsed parsed = parseFile(fixture("fuzz_only_skipped_include.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.log, loaded({"our os is: linux"}));
    EXPECT_TRUE(parsed.includes.empty());
}

TEST(ParserIncludes, MissingIncludePathIsReportedOnce)
{
    const Parsed parsed = parseFile(fixture("bare.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.log, loaded({"our os is: linux", "No includes dir found."}));
    EXPECT_TRUE(parsed.files.empty());
    EXPECT_TRUE(parsed.required.empty());
    EXPECT_TRUE(parsed.includes.empty());
    EXPECT_TRUE(parsed.libs.empty());
}

TEST(ParserLibraries, LinkedOnlyWhenSystemAndCompilerTestsPass)
{
    const Parsed five = parseFile(fixture("libs.xml"));
    EXPECT_TRUE(five.ok);
    EXPECT_EQ(five.libs, Lines({"lib/one.a", "lib/four.a"}));
    EXPECT_EQ(five.log, loaded({"our os is: linux", "No includes dir found.", "lib/one.a", "Not linking:lib/two.a",
                                "Not linking:lib/three.a", "lib/four.a", "Not linking:lib/five.a"}));

    // "codeblocks" anywhere in compiler, case-sensitive; os compared whole; any element name;
    // an empty library still counts; only the first link is read.
    const Parsed compilers = parseFile(fixture("compilers.xml"));
    EXPECT_TRUE(compilers.ok);
    EXPECT_EQ(compilers.libs, Lines({"lib/both.a", ""}));
    EXPECT_EQ(compilers.log, loaded({"our os is: linux", "No includes dir found.", "lib/both.a",
                                     "Not linking:lib/capital.a", "Not linking:lib/capital-os.a", ""}));
}

TEST(ParserRequires, NestedFormReadsOnlyTheFirstRequires)
{
    const Parsed parsed = parseFile(fixture("requires_nested.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.required, Lines({"beta", "gamma"}));
    EXPECT_EQ(parsed.log, loaded({"our os is: linux", "No includes dir found."}));
}

TEST(ParserRequires, RepeatedFormTakesEveryElementAfterTheFirstRequires)
{
    const Parsed last = parseFile(fixture("requires_repeated_last.xml"));
    EXPECT_TRUE(last.ok);
    EXPECT_EQ(last.required, Lines({"beta", "gamma"}));
    EXPECT_EQ(last.files, Lines({"src/a.cpp"}));

    const Parsed first = parseFile(fixture("requires_repeated_first.xml"));
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(first.required, Lines({"beta", "gamma", ""}));
    EXPECT_EQ(first.files, Lines({"src/a.cpp"}));
}

TEST(ParserStructure, OnlyTheFirstAddIsRead)
{
    const Parsed parsed = parseFile(fixture("two_adds.xml"));
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.files, Lines({"first/a.cpp"}));
    EXPECT_EQ(parsed.includes, Lines({"first/inc"}));
    EXPECT_EQ(parsed.libs, Lines({"first/lib.a"}));
    EXPECT_EQ(parsed.log, loaded({"first", "our os is: linux", "first/inc", "-- no os attribute", "first/lib.a"}));
}

TEST(ParserStructure, EveryParseStartsFromEmptyLists)
{
    InstallParser parser(fixture("full.xml"));
    ASSERT_TRUE(readWith(parser).ok);
    parser.setFile(fixture("libs.xml"));
    const Parsed libs = readWith(parser);
    EXPECT_EQ(libs.libs, Lines({"lib/one.a", "lib/four.a"}));
    EXPECT_TRUE(libs.files.empty());
    EXPECT_TRUE(libs.includes.empty());
    EXPECT_TRUE(libs.required.empty());

    parser.setFile(fixture("bare.xml"));
    const Parsed bare = readWith(parser);
    EXPECT_TRUE(bare.ok);
    EXPECT_TRUE(bare.libs.empty());
    EXPECT_TRUE(bare.files.empty());

    // The path stays until the next setFile: a second parse reads the same file again.
    EXPECT_EQ(readWith(parser).log, bare.log);
}

TEST(ParserText, BytesThatAreNotUtf8AreReadAsLatin1AndNeverLost)
{
    const Parsed utf8 = parseFile(fixture("utf8.xml"));
    const Parsed latin1 = parseFile(fixture("latin1.xml"));
    const Lines files{wxString::FromUTF8("src/caf\xc3\xa9.cpp"), wxString::FromUTF8("src/\xc3\xa9")};
    for (const Parsed* parsed : {&utf8, &latin1})
    {
        EXPECT_TRUE(parsed->ok);
        EXPECT_EQ(parsed->files, files);
        EXPECT_EQ(parsed->required, Lines({wxString::FromUTF8("b\xc3\xa9ta")}));
        EXPECT_EQ(parsed->log, loaded({wxString::FromUTF8("caf\xc3\xa9"), "our os is: linux", "No includes dir found."}));
    }

    // Without a declaration the library keeps the bytes as well; a stray byte after valid
    // UTF-8 must not empty the entry either.
    const TempDir temp;
    const Parsed bare = parseFile(temp.write(
        "install.xml", "<install><add><src><folder name=\"f\"><file>a\xe9</file><file>\xc3\xa9\xff</file>"
                       "</folder></src></add></install>"));
    EXPECT_TRUE(bare.ok);
    EXPECT_EQ(bare.files, Lines({wxString::FromUTF8("a\xc3\xa9"), wxString::FromUTF8("\xc3\x83\xc2\xa9\xc3\xbf")}));
}

TEST(ParserText, CarriageReturnsAndNulBytesAreTreatedAsWhenTheLibraryLoadsTheFile)
{
    const TempDir temp;
    const Parsed crlf = parseFile(temp.write(
        "crlf.xml", "<install>\r\n<add><src><folder name=\"f\">\r\n<file><![CDATA[a\r\nb\rc]]></file>"
                    "</folder></src></add></install>\r\n"));
    EXPECT_TRUE(crlf.ok);
    EXPECT_EQ(crlf.files, Lines({"a\nb\nc"}));

    // The text ends at the first NUL byte: what follows it is never read.
    const Parsed nul = parseFile(temp.write(
        "nul.xml", std::string("<install><requires>beta</requires></install>") + '\0' + "<"));
    EXPECT_TRUE(nul.ok);
    EXPECT_EQ(nul.required, Lines({"beta"}));
    expectRefused(parseFile(temp.write("nul-first.xml", std::string(1, '\0') + "<install/>")), refused_unloadable);
}

TEST(ParserLimits, DeepNestingIsRefusedBeforeTheLibraryRecursesIntoIt)
{
    const TempDir temp;
    const std::size_t bound = install_file_limits::max_depth;

    const Parsed at_bound = parseFile(temp.write("at-bound.xml", nested(bound)));
    EXPECT_TRUE(at_bound.ok);
    EXPECT_EQ(at_bound.files, Lines({"deep.cpp", ""}));
    expectRefused(parseFile(temp.write("over-bound.xml", nested(bound + 1))), refused_unloadable);
    expectRefused(parseFile(temp.write("deep.xml", nested(100000))), refused_unloadable);

    // Deep nesting behind constructs whose '<' and '>' do not count as tags.
    std::string opens, closes;
    for (int level = 0; level < 20000; ++level)
    {
        opens += "<e a='>' b=\"</e>\"><!-- </e> --><![CDATA[</e>]]>";
        closes += "</e>";
    }
    for (const std::string& prefix : {std::string("<?xml version=\"1.0\"?>"), std::string("<!DOCTYPE install>"),
                                      std::string("<?pi ?>"), std::string("\xef\xbb\xbf")})
    {
        SCOPED_TRACE(prefix);
        expectRefused(parseFile(temp.write("tricky.xml", prefix + "<install>" + opens + closes + "</install>")),
                      refused_unloadable);
    }
}

TEST(ParserLimits, DepthScanAgreesWithTheLibrary)
{
    // Places where a plain count of '<' would go wrong: entities and UTF-8 lead bytes that
    // swallow a '<', unknown nodes that end at the first '>', end tags inside values.
    const std::vector<std::string> documents{
        "<install>&#x41<a>x1;<b><c/></b></install>",
        "<install>&#1<a><a>#2;<b></b></install>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><install>\xe3<a><b><c></c></b></install>",
        "<?xml version=\"1.0\" encoding=\"latin1\"?><install>\xe3<a><b><c></c></b></a></install>",
        "<install><?pi > <a><b><c></c></b></a> ?></install>",
        "<install><!DOCTYPE <x>><a><b/></a></install>",
        "<install a='</install>'><a b=\"<c><d>\"><e/></a></install>",
        "<install><a>text</a><b><c><d>t</d></c></b></install>",
        "<?XML version='1.0'?><install><a></a></install>",
        "<install>\n<a\n>\n<b\t/>\n</a  >\n</install>",
    };
    for (const std::string& document : documents)
    {
        SCOPED_TRACE(document);
        const std::string text = install_file_limits::libraryText(document.data(), document.size());
        TiXmlDocument doc;
        doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
        EXPECT_EQ(install_file_limits::measure(text.c_str()).depth, treeShape(doc).depth);
    }
}

TEST(ParserLimits, ElementsWithTooManyAttributesAreRefused)
{
    const TempDir temp;
    const auto withAttributes = [](std::size_t count) {
        std::string lib = "<lib compiler=\"codeblocks\"";
        for (std::size_t i = 1; i < count; ++i)
            lib += " a" + std::to_string(i) + "=''";
        return "<install><add><link>" + lib + ">lib/many.a</lib></link></add></install>";
    };
    const Parsed at_bound = parseFile(temp.write("at-bound.xml", withAttributes(install_file_limits::max_attributes)));
    EXPECT_TRUE(at_bound.ok);
    EXPECT_EQ(at_bound.libs, Lines({"lib/many.a"}));
    expectRefused(parseFile(temp.write("over-bound.xml", withAttributes(install_file_limits::max_attributes + 1))),
                  refused_unloadable);
    // The library would need minutes for these (hours for a file near the size bound).
    expectRefused(parseFile(temp.write("huge.xml", withAttributes(300000))), refused_unloadable);
}

TEST(ParserLimits, FilesWithTooManyNodesAreRefused)
{
    // Elements, attributes, texts and comments all count; the root is one node.
    const TempDir temp;
    const auto withNodes = [](std::size_t count) {
        std::string body;
        std::size_t nodes = 1;
        for (; nodes + 4 <= count; nodes += 4)
            body += "<a b='c'>d</a><!---->"; // element, attribute, text, comment
        for (; nodes < count; ++nodes)
            body += "<e/>";
        return "<install>" + body + "</install>";
    };
    EXPECT_TRUE(parseFile(temp.write("at-bound.xml", withNodes(install_file_limits::max_nodes))).ok);
    expectRefused(parseFile(temp.write("over-bound.xml", withNodes(install_file_limits::max_nodes + 1))),
                  refused_unloadable);
    // Empty elements up to the size bound would take the library nearly 2 GB.
    std::string many = "<install>";
    while (many.size() < 4000000)
        many += "<a/>";
    expectRefused(parseFile(temp.write("many.xml", many + "</install>")), refused_unloadable);
}

TEST(ParserLimits, FilesAboveTheSizeBoundAreRefusedUnread)
{
    const TempDir temp;
    const std::string head = "<install><requires>beta</requires>";
    const std::string tail = "</install>";
    std::string bytes = head + std::string(install_file_limits::max_bytes - head.size() - tail.size(), ' ') + tail;
    const Parsed at_bound = parseFile(temp.write("at-bound.xml", bytes));
    EXPECT_TRUE(at_bound.ok);
    EXPECT_EQ(at_bound.required, Lines({"beta"}));

    bytes.insert(head.size(), " ");
    expectRefused(parseFile(temp.write("over-bound.xml", bytes)), refused_unloadable);
}

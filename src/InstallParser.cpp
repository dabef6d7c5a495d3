#include "InstallParser.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <tinyxml.h>

#include "DiskReader.h"

namespace
{
// The IDE turns the XML library's process-wide white-space condensing off for its own
// files; install files are read with the library's default (condensed), and the IDE's
// setting is given back afterwards.
class CondensedWhiteSpace
{
public:
    CondensedWhiteSpace() : previous(TiXmlBase::IsWhiteSpaceCondensed()) { TiXmlBase::SetCondenseWhiteSpace(true); }
    ~CondensedWhiteSpace() { TiXmlBase::SetCondenseWhiteSpace(previous); }
    CondensedWhiteSpace(const CondensedWhiteSpace&) = delete;
    CondensedWhiteSpace& operator=(const CondensedWhiteSpace&) = delete;

private:
    const bool previous;
};

// Parses the bytes as TiXmlDocument::LoadFile would, if they are within the bounds.
bool loadDocument(const std::string& sBytes, TiXmlDocument& doc)
{
    const std::string text = install_file_limits::libraryText(sBytes.data(), sBytes.size());
    const char* const start = text.c_str();
    if (*start == '\0' || !install_file_limits::withinBounds(text))
        return false;
    const CondensedWhiteSpace condensed;
    // Rows and columns are never read; tracking them walks every byte once more.
    doc.SetTabSize(0);
    doc.Parse(start, nullptr, TIXML_ENCODING_UNKNOWN);
    return !doc.Error();
}

// A text that the file gives, as a wide string. Valid UTF-8 is read as UTF-8; anything
// else (a file written in Latin-1, say) byte for byte as Latin-1, so that an entry is never
// lost or turned into an empty string.
wxString decoded(const char* sText)
{
    if (!sText || !*sText)
        return wxString();
    // ASCII, which install files are almost always, is UTF-8 that widens byte by byte.
    std::size_t length = 0;
    while (sText[length] && static_cast<unsigned char>(sText[length]) < 0x80)
        ++length;
    if (!sText[length])
        return wxString::FromAscii(sText, length);
    const wxString utf8 = wxString::FromUTF8(sText);
    if (!utf8.empty())
        return utf8;
    return wxString(sText, wxConvISO8859_1);
}

// The text of an element: its first child node's value when that node is text (CDATA too).
wxString textOf(const TiXmlElement& element)
{
    const TiXmlNode* first = element.FirstChild();
    const TiXmlText* text = first ? first->ToText() : nullptr;
    return text ? decoded(text->Value()) : wxString();
}

// An include path or a library applies here when it names no system or exactly this one.
bool passesSystemTest(const TiXmlElement& element, const std::string& sOS)
{
    const char* os_attr = element.Attribute("os");
    return !os_attr || sOS == os_attr;
}

// A library is meant for this IDE when its compiler list mentions "codeblocks".
bool passesCompilerTest(const TiXmlElement& element)
{
    const char* compiler = element.Attribute("compiler");
    return compiler && std::strstr(compiler, "codeblocks");
}

// The first element that `first` reaches, then every element after it, whatever its name.
template <typename Visit> void forEachFrom(const TiXmlElement* first, Visit visit)
{
    for (const TiXmlElement* element = first; element; element = element->NextSiblingElement())
        visit(*element);
}

// Every folder of the first src logs its name; its files are read only when its first child
// node is an element.
void readSourceFiles(const TiXmlHandle& add, LogSink log, std::vector<FileInfo>& project_files)
{
    forEachFrom(add.FirstChild("src").FirstChild("folder").ToElement(), [&](const TiXmlElement& folder) {
        log(decoded(folder.Attribute("name")));
        const TiXmlNode* first = folder.FirstChild();
        forEachFrom(first ? first->ToElement() : nullptr,
                    [&](const TiXmlElement& file_el) {
                        // wxString has no move constructor: the text is swapped in, not copied.
                        wxString text = textOf(file_el);
                        project_files.emplace_back();
                        project_files.back().file.swap(text);
                    });
    });
}

void readIncludeDirs(const TiXmlHandle& add, const std::string& sOS, LogSink log, wxArrayString& include_dirs)
{
    const TiXmlElement* first = add.FirstChild("include").FirstChild("path").ToElement();
    if (!first)
        log(_T("No includes dir found."));
    forEachFrom(first, [&](const TiXmlElement& includes) {
        if (!passesSystemTest(includes, sOS))
            return;
        const wxString include_dir = textOf(includes);
        include_dirs.Add(include_dir);
        log(include_dir);
        log(includes.Attribute("os") ? _T("-- has os attribute:") + wxString::FromAscii(sOS.c_str())
                                         : wxString(_T("-- no os attribute")));
    });
}

void readLinkLibs(const TiXmlHandle& add, const std::string& sOS, LogSink log, wxArrayString& link_libs)
{
    forEachFrom(add.FirstChild("link").FirstChild("lib").ToElement(), [&](const TiXmlElement& link) {
        const wxString link_file = textOf(link);
        if (passesSystemTest(link, sOS) && passesCompilerTest(link))
        {
            link_libs.Add(link_file);
            log(link_file);
        }
        else
        {
            log(_T("Not linking:") + link_file);
        }
    });
}

// Where a quiet parse writes.
void silently(const wxString& /*sLine*/)
{
}

// Two forms: addon elements inside the first requires (nested), or, when that gives none,
// the first requires and every element after it inside install (repeated).
void readRequiredAddons(const TiXmlHandle& install, wxArrayString& required_addons)
{
    const auto add = [&](const TiXmlElement& required) { required_addons.Add(textOf(required)); };
    const TiXmlElement* requiredTag = install.FirstChild("requires").FirstChild("addon").ToElement();
    const bool bSingleAddonTag = requiredTag != nullptr;
    forEachFrom(bSingleAddonTag ? requiredTag : install.FirstChild("requires").ToElement(), add);
}
} // namespace

bool install_file_limits::withinBounds(const std::string& sText)
{
    const auto count = [&sText](char c) { return static_cast<std::size_t>(std::count(sText.begin(), sText.end(), c)); };
    return count('<') <= max_tag_opens && count('=') <= max_equals;
}

std::string install_file_limits::libraryText(const char* sBytes, std::size_t nSize)
{
    const std::size_t end = std::find(sBytes, sBytes + nSize, '\0') - sBytes;
    std::string text;
    text.reserve(end + 4);
    // Runs without a CR are copied whole.
    for (std::size_t i = 0; i < end;)
    {
        const std::size_t cr = std::find(sBytes + i, sBytes + end, '\r') - sBytes;
        text.append(sBytes + i, cr - i);
        if (cr == end)
            break;
        text += '\n';
        i = cr + 1 < end && sBytes[cr + 1] == '\n' ? cr + 2 : cr + 1;
    }
    text.append(4, '\0');
    return text;
}

bool InstallParser::parse()
{
    const auto clearLists = [this] {
        project_files.clear();
        required_addons.Clear();
        include_dirs.Clear();
        link_libs.Clear();
    };
    const LogSink log = quiet ? &silently : &logLine;
    try
    {
        log(_T("Start parsing install file"));
        clearLists();

        std::string bytes;
        TiXmlDocument doc;
        if (!readRegularFile(install_file, install_file_limits::max_bytes, bytes) || !loadDocument(bytes, doc))
        {
            log(_T("Cannot load xml file."));
            return false;
        }
        bytes = std::string();
        log(_T("Successfully loaded the install file"));

        const TiXmlElement* root = doc.RootElement();
        if (!root || std::strcmp(root->Value(), "install") != 0)
        {
            log(_T("The install file is not formatted correctly"));
            return false;
        }

        const TiXmlHandle install = TiXmlHandle(&doc).FirstChild("install");
        const TiXmlHandle add = install.FirstChild("add");
        readSourceFiles(add, log, project_files);
        const std::string os = getOS();
        log(_T("our os is: ") + wxString::FromAscii(os.c_str()));
        readIncludeDirs(add, os, log, include_dirs);
        readLinkLibs(add, os, log, link_libs);
        readRequiredAddons(install, required_addons);
        return true;
    }
    catch (...)
    {
        // Only an exhausted heap gets here; the callers read the lists whatever the result.
        clearLists();
        return false;
    }
}

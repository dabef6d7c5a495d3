#include "InstallParser.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

namespace
{
// Walks a buffer the way TiXmlDocument::Parse does, token for token and with the library's
// own lexing routines (entities and UTF-8 sequences can swallow a '<' there), but keeps a
// stack of open elements instead of recursing, and counts what it would build. Wherever
// the library would stop with an error, the scan stops too: nothing after that point is
// ever parsed.
class ShapeScanner : private TiXmlBase
{
public:
    static install_file_limits::Shape scan(const char* p)
    {
        install_file_limits::Shape shape;
        if (!p || !*p)
            return shape;
        // A byte order mark switches the library to UTF-8 before anything else.
        TiXmlEncoding enc = TIXML_ENCODING_UNKNOWN;
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        if (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF)
            enc = TIXML_ENCODING_UTF8;

        std::vector<std::string> open; // end tags of the elements being read, innermost last
        p = SkipWhiteSpace(p, enc);
        while (p && *p && shape.withinBounds())
        {
            if (!open.empty() && *p != '<')
            {
                ++shape.nodes;
                std::string text;
                p = ReadText(p, &text, true, "<", false, enc);
                p = (p && *p) ? p - 1 : nullptr;
            }
            else if (!open.empty() && StringEqual(p, "</", false, enc))
            {
                const std::string& end_tag = open.back();
                if (!StringEqual(p, end_tag.c_str(), false, enc))
                    break;
                p = SkipWhiteSpace(p + end_tag.size(), enc);
                if (!p || *p != '>')
                    break;
                ++p;
                open.pop_back();
            }
            else
            {
                ++shape.nodes;
                switch (identify(p, enc))
                {
                case Node::none:
                    p = nullptr;
                    break;
                case Node::element:
                    shape.depth = std::max(shape.depth, open.size() + 1);
                    if (shape.withinBounds())
                        p = element(p, enc, open, shape);
                    break;
                case Node::declaration:
                {
                    std::string encoding;
                    p = declaration(p, enc, &encoding);
                    if (open.empty() && enc == TIXML_ENCODING_UNKNOWN)
                        enc = (encoding.empty() || StringEqual(encoding.c_str(), "UTF-8", true, TIXML_ENCODING_UNKNOWN)
                               || StringEqual(encoding.c_str(), "UTF8", true, TIXML_ENCODING_UNKNOWN))
                                  ? TIXML_ENCODING_UTF8
                                  : TIXML_ENCODING_LEGACY;
                    break;
                }
                case Node::comment:
                    p = comment(p, enc);
                    break;
                case Node::cdata:
                    p = cdata(p, enc);
                    break;
                case Node::unknown:
                    p = unknown(p, enc);
                    break;
                }
            }
            if (p)
                p = SkipWhiteSpace(p, enc);
        }
        return shape;
    }

private:
    enum class Node { none, declaration, comment, cdata, unknown, element };

    static Node identify(const char* p, TiXmlEncoding enc)
    {
        p = SkipWhiteSpace(p, enc);
        if (!p || *p != '<')
            return Node::none;
        if (StringEqual(p, "<?xml", true, enc))
            return Node::declaration;
        if (StringEqual(p, "<!--", false, enc))
            return Node::comment;
        if (StringEqual(p, "<![CDATA[", false, enc))
            return Node::cdata;
        if (StringEqual(p, "<!", false, enc))
            return Node::unknown;
        if (IsAlpha(static_cast<unsigned char>(p[1]), enc) || p[1] == '_')
            return Node::element;
        return Node::unknown;
    }

    // A start tag; pushes its end tag unless the element is empty ("<a/>"). Stops once the
    // attributes pass a bound.
    static const char* element(const char* p, TiXmlEncoding enc, std::vector<std::string>& open,
                               install_file_limits::Shape& shape)
    {
        std::size_t attributes = 0;
        p = SkipWhiteSpace(p, enc);
        if (!p || *p != '<')
            return nullptr;
        p = SkipWhiteSpace(p + 1, enc);
        std::string name;
        p = ReadName(p, &name, enc);
        if (!p || !*p)
            return nullptr;
        while (p && *p)
        {
            p = SkipWhiteSpace(p, enc);
            if (!p || !*p)
                return nullptr;
            if (*p == '/')
                return p[1] == '>' ? p + 2 : nullptr;
            if (*p == '>')
            {
                open.push_back("</" + name);
                return p + 1;
            }
            shape.attributes = std::max(shape.attributes, ++attributes);
            ++shape.nodes;
            if (!shape.withinBounds())
                return nullptr;
            p = attribute(p, enc, nullptr);
            if (!p || !*p)
                return nullptr;
        }
        return p;
    }

    static const char* attribute(const char* p, TiXmlEncoding enc, std::string* value)
    {
        p = SkipWhiteSpace(p, enc);
        if (!p || !*p)
            return nullptr;
        std::string name;
        p = ReadName(p, &name, enc);
        if (!p || !*p)
            return nullptr;
        p = SkipWhiteSpace(p, enc);
        if (!p || *p != '=')
            return nullptr;
        p = SkipWhiteSpace(p + 1, enc);
        if (!p || !*p)
            return nullptr;
        std::string text;
        if (*p == '\'' || *p == '"')
        {
            const char end[2] = {*p, '\0'};
            p = ReadText(p + 1, &text, false, end, false, enc);
        }
        else
        {
            while (p && *p && !IsWhiteSpace(*p) && *p != '/' && *p != '>')
            {
                if (*p == '\'' || *p == '"')
                    return nullptr;
                text += *p++;
            }
        }
        if (value)
            *value = text;
        return p;
    }

    static const char* declaration(const char* p, TiXmlEncoding enc, std::string* encoding)
    {
        p = SkipWhiteSpace(p, enc);
        if (!p || !*p || !StringEqual(p, "<?xml", true, enc))
            return nullptr;
        p += 5;
        while (p && *p)
        {
            if (*p == '>')
                return p + 1;
            p = SkipWhiteSpace(p, enc);
            if (!*p)
                break;
            if (StringEqual(p, "version", true, enc) || StringEqual(p, "standalone", true, enc))
                p = attribute(p, enc, nullptr);
            else if (StringEqual(p, "encoding", true, enc))
                p = attribute(p, enc, encoding);
            else
                while (p && *p && *p != '>' && !IsWhiteSpace(*p))
                    ++p;
        }
        return nullptr;
    }

    static const char* comment(const char* p, TiXmlEncoding enc)
    {
        p = SkipWhiteSpace(p, enc) + 4; // identify() saw "<!--"
        while (*p && !StringEqual(p, "-->", false, enc))
            ++p;
        return *p ? p + 3 : p;
    }

    static const char* cdata(const char* p, TiXmlEncoding enc)
    {
        p += 9; // identify() saw "<![CDATA["
        while (*p && !StringEqual(p, "]]>", false, enc))
            ++p;
        std::string rest;
        return ReadText(p, &rest, false, "]]>", false, enc);
    }

    static const char* unknown(const char* p, TiXmlEncoding enc)
    {
        p = SkipWhiteSpace(p, enc) + 1; // identify() saw '<'
        while (*p && *p != '>')
            ++p;
        return *p ? p + 1 : p;
    }
};

// Closes a descriptor when it leaves scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int nFd) : fd(nFd) {}
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd; }

private:
    int fd;
};

// Reads a regular file of at most max_bytes. Anything else (a FIFO, a device, a folder)
// is refused without blocking, so that a strange path can never hang the IDE.
bool readInstallFile(const std::string& sPath, std::string& sBytes)
{
    if (sPath.empty())
        return false;
    const FileDescriptor file(::open(sPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)
        || static_cast<unsigned long long>(info.st_size) > install_file_limits::max_bytes)
        return false;

    sBytes.clear();
    char chunk[65536];
    for (;;)
    {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (sBytes.size() + static_cast<std::size_t>(got) > install_file_limits::max_bytes)
            return false; // grew while being read
        sBytes.append(chunk, static_cast<std::size_t>(got));
    }
}

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

// Parses the bytes as TiXmlDocument::LoadFile would, if their shape is within the bounds.
bool loadDocument(const std::string& sBytes, TiXmlDocument& doc)
{
    const std::string text = install_file_limits::libraryText(sBytes.data(), sBytes.size());
    const char* const start = text.c_str();
    if (*start == '\0')
        return false;
    if (!install_file_limits::measure(start).withinBounds())
        return false;
    const CondensedWhiteSpace condensed;
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
} // namespace

install_file_limits::Shape install_file_limits::measure(const char* text)
{
    return ShapeScanner::scan(text);
}

std::string install_file_limits::libraryText(const char* sBytes, std::size_t nSize)
{
    std::string text;
    text.reserve(nSize + 4);
    for (std::size_t i = 0; i < nSize && sBytes[i] != '\0'; ++i)
    {
        if (sBytes[i] == '\r')
        {
            text += '\n';
            if (i + 1 < nSize && sBytes[i + 1] == '\n')
                ++i;
        }
        else
        {
            text += sBytes[i];
        }
    }
    text.append(4, '\0');
    return text;
}

InstallParser::InstallParser(const std::string& sInstallFile) : install_file(sInstallFile) {}

void InstallParser::setFile(const std::string& sInstallFile)
{
    install_file = sInstallFile;
}

void InstallParser::setQuiet(bool bQuiet)
{
    quiet = bQuiet;
}

void InstallParser::log(const wxString& sLine) const
{
    if (!quiet)
        logLine(sLine);
}

std::string InstallParser::getOS() const
{
    return "linux";
}

bool InstallParser::parse()
{
    try
    {
        log(_T("Start parsing install file"));
        project_files.clear();
        required_addons.Clear();
        include_dirs.Clear();
        link_libs.Clear();

        std::string bytes;
        TiXmlDocument doc;
        if (!readInstallFile(install_file, bytes) || !loadDocument(bytes, doc))
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

        TiXmlHandle install = TiXmlHandle(&doc).FirstChild("install");
        TiXmlHandle add = install.FirstChild("add");

        for (const TiXmlElement* folder = add.FirstChild("src").FirstChild("folder").ToElement(); folder;
             folder = folder->NextSiblingElement())
        {
            log(decoded(folder->Attribute("name")));
            const TiXmlNode* first = folder->FirstChild();
            for (const TiXmlElement* file_el = first ? first->ToElement() : nullptr; file_el;
                 file_el = file_el->NextSiblingElement())
            {
                project_files.push_back(FileInfo{textOf(*file_el)});
            }
        }

        const std::string os = getOS();
        const wxString os_name = wxString::FromAscii(os.c_str());
        log(_T("our os is: ") + os_name);

        const TiXmlElement* includes = add.FirstChild("include").FirstChild("path").ToElement();
        if (!includes)
            log(_T("No includes dir found."));
        for (; includes; includes = includes->NextSiblingElement())
        {
            const wxString include_dir = textOf(*includes);
            const char* os_attr = includes->Attribute("os");
            if (!os_attr)
            {
                include_dirs.Add(include_dir);
                log(include_dir);
                log(_T("-- no os attribute"));
            }
            else if (os == os_attr)
            {
                include_dirs.Add(include_dir);
                log(include_dir);
                log(_T("-- has os attribute:") + os_name);
            }
        }

        for (const TiXmlElement* link = add.FirstChild("link").FirstChild("lib").ToElement(); link;
             link = link->NextSiblingElement())
        {
            const wxString link_file = textOf(*link);
            const char* os_attr = link->Attribute("os");
            const char* compiler = link->Attribute("compiler");
            if ((!os_attr || os == os_attr) && compiler && std::strstr(compiler, "codeblocks"))
            {
                link_libs.Add(link_file);
                log(link_file);
            }
            else
            {
                log(_T("Not linking:") + link_file);
            }
        }

        bool bSingleAddonTag = false;
        for (const TiXmlElement* requiredTag = install.FirstChild("requires").FirstChild("addon").ToElement();
             requiredTag; requiredTag = requiredTag->NextSiblingElement())
        {
            bSingleAddonTag = true;
            required_addons.Add(textOf(*requiredTag));
        }
        if (!bSingleAddonTag)
        {
            for (const TiXmlElement* required = install.FirstChild("requires").ToElement(); required;
                 required = required->NextSiblingElement())
            {
                required_addons.Add(textOf(*required));
            }
        }
        return true;
    }
    catch (...)
    {
        // Only an exhausted heap gets here; the callers read the lists whatever the result.
        project_files.clear();
        required_addons.Clear();
        include_dirs.Clear();
        link_libs.Clear();
        return false;
    }
}

std::vector<FileInfo> InstallParser::getProjectFiles() const
{
    return project_files;
}

wxArrayString InstallParser::getRequiredAddons() const
{
    return required_addons;
}

wxArrayString InstallParser::getIncludeDirs() const
{
    return include_dirs;
}

wxArrayString InstallParser::getLinkLibs() const
{
    return link_libs;
}

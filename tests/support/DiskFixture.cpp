#include "DiskFixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include <wx/filename.h>

#include <cbproject.h>
#include <manager.h>
#include <projectmanager.h>

namespace fixture
{
namespace
{
std::string escapeXml(const wxString& text)
{
    std::string out;
    for (const char c : std::string(text.utf8_str()))
    {
        switch (c)
        {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}
} // namespace

TempDir::TempDir()
{
    char tmpl[] = "/tmp/brisken-tree-XXXXXX";
    if (const char* made = mkdtemp(tmpl))
        dir = wxString::FromUTF8(made);
}

TempDir::~TempDir()
{
    if (!dir.empty())
        wxFileName::Rmdir(dir, wxPATH_RMDIR_RECURSIVE);
}

bool makeDir(const wxString& path)
{
    return wxFileName::Mkdir(path, 0755, wxPATH_MKDIR_FULL);
}

bool writeFile(const wxString& path, const std::string& text)
{
    if (!makeDir(wxFileName(path).GetPath()))
        return false;
    std::ofstream out(std::string(path.utf8_str()), std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

void makeAddon(const wxString& addonsDir, const wxString& name)
{
    writeFile(addonsDir + _T("/") + name + _T("/install.xml"),
              "<?xml version=\"1.0\"?>\n<install><add/></install>\n");
}

void makeInstallOfEveryKind(const wxString& addonsDir)
{
    makeAddon(addonsDir, _T("file"));
    makeDir(addonsDir + _T("/folder/install.xml"));
    const auto in = [&](const wxString& kind) {
        makeDir(addonsDir + _T("/") + kind);
        return std::string((addonsDir + _T("/") + kind + _T("/install.xml")).utf8_str());
    };
    const bool made = symlink("../file/install.xml", in(_T("link_to_file")).c_str()) == 0 &&
                      symlink("../folder", in(_T("link_to_folder")).c_str()) == 0 &&
                      symlink("missing.xml", in(_T("dangling_link")).c_str()) == 0 &&
                      mkfifo(in(_T("fifo")).c_str(), 0644) == 0;
    if (!made)
        std::perror("makeInstallOfEveryKind");
}

void makeBriskenTree(const wxString& base, const std::vector<wxString>& addons)
{
    makeDir(base + _T("/apps"));
    makeDir(base + _T("/libs"));
    makeDir(base + _T("/addons"));
    for (const wxString& name : addons)
        makeAddon(base + _T("/addons"), name);
}

void writeInstall(const wxString& addonsDir, const wxString& name, const Install& install)
{
    const auto elements = [](const std::vector<wxString>& texts, const std::string& open,
                             const std::string& close) {
        std::string xml;
        for (const wxString& text : texts)
            xml += open + escapeXml(text) + close;
        return xml;
    };
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<install>\n<add>\n"
        "<src><folder name=\"src\">" + elements(install.files, "<file>", "</file>") +
        "</folder></src>\n<include>" + elements(install.includes, "<path>", "</path>") +
        "</include>\n<link>" +
        elements(install.libs, "<lib os=\"linux\" compiler=\"codeblocks\">", "</lib>") +
        "</link>\n</add>\n<requires>" + elements(install.requires_addons, "<addon>", "</addon>") +
        "</requires>\n</install>\n";
    writeFile(addonsDir + _T("/") + name + _T("/install.xml"), xml);
}

std::vector<wxString> SavedProject::unitNames() const
{
    std::vector<wxString> names;
    for (const SavedUnit& unit : units)
        names.push_back(unit.filename);
    return names;
}

SavedProject readProject(const wxString& cbpPath)
{
    SavedProject saved;
    TiXmlDocument doc;
    if (!doc.LoadFile(std::string(cbpPath.utf8_str()).c_str()))
        return saved;
    const TiXmlElement* project =
        TiXmlHandle(&doc).FirstChild("CodeBlocks_project_file").FirstChild("Project").ToElement();
    if (!project)
        return saved;
    saved.read = true;
    const auto attribute = [](const TiXmlElement* element, const char* name) {
        const char* value = element->Attribute(name);
        return value ? wxString::FromUTF8(value) : wxString();
    };
    for (const TiXmlElement* child = project->FirstChildElement(); child;
         child = child->NextSiblingElement())
    {
        const std::string kind = child->Value();
        if (kind == "Unit")
        {
            SavedUnit unit{attribute(child, "filename"), {}};
            for (const TiXmlElement* option = child->FirstChildElement("Option"); option;
                 option = option->NextSiblingElement("Option"))
                if (option->Attribute("target"))
                    unit.targets.push_back(attribute(option, "target"));
            saved.units.push_back(unit);
        }
        else if (kind == "Linker" || kind == "Compiler")
        {
            for (const TiXmlElement* add = child->FirstChildElement("Add"); add;
                 add = add->NextSiblingElement("Add"))
            {
                if (kind == "Linker" && add->Attribute("option"))
                    saved.link_options.push_back(attribute(add, "option"));
                else if (kind == "Compiler" && add->Attribute("option"))
                    saved.compiler_options.push_back(attribute(add, "option"));
                else if (kind == "Compiler" && add->Attribute("directory"))
                    saved.include_dirs.push_back(attribute(add, "directory"));
            }
        }
    }
    return saved;
}

bool writeProject(const wxString& cbpPath, const std::vector<wxString>& units, int targets)
{
    const wxString title = wxFileName(cbpPath).GetName();
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                      "<CodeBlocks_project_file>\n"
                      "\t<FileVersion major=\"1\" minor=\"6\" />\n"
                      "\t<Project>\n"
                      "\t\t<Option title=\"" + escapeXml(title) + "\" />\n"
                      "\t\t<Option compiler=\"gcc\" />\n"
                      "\t\t<Build>\n";
    for (int t = 0; t < targets; ++t)
    {
        const std::string name = t == 0 ? "Release" : "Target" + std::to_string(t);
        xml += "\t\t\t<Target title=\"" + name + "\">\n"
               "\t\t\t\t<Option output=\"bin/" + name + "/app\" prefix_auto=\"1\" extension_auto=\"1\" />\n"
               "\t\t\t\t<Option type=\"1\" />\n"
               "\t\t\t\t<Option compiler=\"gcc\" />\n"
               "\t\t\t</Target>\n";
    }
    xml += "\t\t</Build>\n";
    for (const wxString& unit : units)
        xml += "\t\t<Unit filename=\"" + escapeXml(unit) + "\" />\n";
    xml += "\t</Project>\n</CodeBlocks_project_file>\n";
    return writeFile(cbpPath, xml);
}

cbProject* openProject(const wxString& cbpPath, const std::vector<wxString>& units, int targets)
{
    if (!writeProject(cbpPath, units, targets))
        return nullptr;
    return Manager::Get()->GetProjectManager()->LoadProject(cbpPath, true);
}

void closeProjects()
{
    Manager::Get()->GetProjectManager()->CloseAllProjects(true);
}
} // namespace fixture

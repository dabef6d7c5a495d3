#include "DiskFixture.h"

#include <tinyxml.h>

#include <wx/filename.h>

#include <cbproject.h>
#include <manager.h>
#include <projectmanager.h>

namespace fixture
{
namespace
{
std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

std::vector<std::string> utf8(const std::vector<wxString>& texts)
{
    std::vector<std::string> out;
    for (const wxString& text : texts)
        out.push_back(utf8(text));
    return out;
}

std::string escapeXml(const std::string& text)
{
    std::string out;
    for (const char c : text)
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

std::string escapeXml(const wxString& text)
{
    return escapeXml(utf8(text));
}
} // namespace

void makeAddon(const wxString& addonsDir, const wxString& name)
{
    writeFile(addonsDir + _T("/") + name + _T("/install.xml"),
              "<?xml version=\"1.0\"?>\n<install><add/></install>\n");
}

void makeBriskenTree(const wxString& base, const std::vector<wxString>& addons)
{
    makeDir(base + _T("/apps"));
    makeDir(base + _T("/libs"));
    makeDir(base + _T("/addons"));
    for (const wxString& name : addons)
        makeAddon(base + _T("/addons"), name);
}

std::string installXml(const model::Addon& addon)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<install>\n<add>\n<src><folder name=\"src\">";
    for (const std::string& file : addon.files)
        xml += "<file>" + escapeXml(file) + "</file>";
    xml += "</folder></src>\n<include>";
    const auto attribute = [](const char* name, const std::optional<std::string>& value) {
        return value ? std::string(" ") + name + "=\"" + escapeXml(*value) + "\"" : std::string();
    };
    for (const model::Entry& dir : addon.includes)
        xml += "<path" + attribute("os", dir.os) + ">" + escapeXml(dir.text) + "</path>";
    xml += "</include>\n<link>";
    for (const model::Entry& lib : addon.libs)
        xml += "<lib" + attribute("os", lib.os) + attribute("compiler", lib.compiler) + ">" + escapeXml(lib.text) + "</lib>";
    xml += "</link>\n</add>\n<requires>";
    for (const std::string& name : addon.requires_addons)
        xml += "<addon>" + escapeXml(name) + "</addon>";
    return xml + "</requires>\n</install>\n";
}

void writeInstall(const wxString& addonsDir, const wxString& name, const Install& install)
{
    model::Addon addon{utf8(name), utf8(install.files), {}, {}, utf8(install.requires_addons)};
    for (const wxString& dir : install.includes)
        addon.includes.push_back(model::Entry{utf8(dir), std::nullopt, std::nullopt});
    for (const wxString& lib : install.libs)
        addon.libs.push_back(model::Entry{utf8(lib), "linux", "codeblocks"});
    writeFile(addonsDir + _T("/") + name + _T("/install.xml"), installXml(addon));
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

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
// As the library writes a text into a document.
std::string escapeXml(const std::string& text)
{
    std::string out;
    TiXmlBase::EncodeString(text, &out);
    return out;
}

std::string escapeXml(const wxString& text) { return escapeXml(utf8(text)); }
} // namespace

void makeAddon(const wxString& addonsDir, const wxString& name)
{
    writeFile(addonsDir + _T("/") + name + _T("/install.xml"), "<?xml version=\"1.0\"?>\n<install><add/></install>\n");
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

SavedProject readProject(const wxString& cbpPath)
{
    SavedProject saved;
    TiXmlDocument doc;
    if (!doc.LoadFile(utf8(cbpPath).c_str()))
        return saved;
    const TiXmlElement* project =
        TiXmlHandle(&doc).FirstChild("CodeBlocks_project_file").FirstChild("Project").ToElement();
    // The attribute `name` of each `kind` child of `parent` that has one.
    const auto each = [](const TiXmlElement* parent, const char* kind, const char* name) {
        std::vector<wxString> values;
        for (const TiXmlElement* child = parent ? parent->FirstChildElement(kind) : nullptr; child;
             child = child->NextSiblingElement(kind))
            if (const char* value = child->Attribute(name))
                values.push_back(wxString::FromUTF8(value));
        return values;
    };
    if (!project)
        return saved;
    saved.link_options = each(project->FirstChildElement("Linker"), "Add", "option");
    saved.include_dirs = each(project->FirstChildElement("Compiler"), "Add", "directory");
    for (const TiXmlElement* unit = project->FirstChildElement("Unit"); unit; unit = unit->NextSiblingElement("Unit"))
    {
        saved.units.push_back(wxString::FromUTF8(unit->Attribute("filename") ? unit->Attribute("filename") : ""));
        for (const wxString& target : each(unit, "Option", "target"))
            saved.units.back() << _T(" @") << target;
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

cbProject* openProject(const wxString& cbpPath, const SavedProject& start, int targets)
{
    cbProject* project = openProject(cbpPath, start.units, targets);
    if (!project)
        return nullptr;
    project->SetLinkerOptions(wxArrayString(start.link_options.size(), start.link_options.data()));
    for (const wxString& dir : start.include_dirs)
        project->AddIncludeDir(dir);
    return project;
}

void closeProjects() { Manager::Get()->GetProjectManager()->CloseAllProjects(true); }
} // namespace fixture

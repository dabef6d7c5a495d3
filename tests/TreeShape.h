// What the XML library builds from a text stays within what its '<' and '=' bytes allow. The
// tree is walked without recursion: the documents that matter here are the ones deep enough to
// overflow a recursive walk.
#ifndef BRISKEN_TREE_SHAPE_H
#define BRISKEN_TREE_SHAPE_H

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <tinyxml.h>

// The first bound that the document parsed from `text` breaks; null when it keeps them all.
inline const char* brokenTreeBound(const std::string& text)
{
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    std::size_t depth = 0, nodes = 0, attributes = 0; // the most attributes on one element
    std::vector<std::pair<const TiXmlNode*, std::size_t>> todo{{&doc, 0}};
    while (!todo.empty())
    {
        const auto [node, level] = todo.back();
        todo.pop_back();
        depth = std::max(depth, level);
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        {
            ++nodes;
            const TiXmlElement* element = child->ToElement();
            std::size_t count = 0;
            for (const TiXmlAttribute* a = element ? element->FirstAttribute() : nullptr; a; a = a->Next())
                ++count;
            attributes = std::max(attributes, count);
            todo.emplace_back(child, element ? level + 1 : level);
        }
    }
    const auto opens = static_cast<std::size_t>(std::count(text.begin(), text.end(), '<'));
    if (depth > opens)
        return "nesting deeper than the count of '<'";
    if (nodes > 2 * opens + 1)
        return "more nodes than twice the count of '<'";
    if (attributes > static_cast<std::size_t>(std::count(text.begin(), text.end(), '=')))
        return "more attributes on an element than the count of '='";
    return nullptr;
}

#endif // BRISKEN_TREE_SHAPE_H

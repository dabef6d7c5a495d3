// What the XML library built for a document, walked without recursion (the documents that
// matter here are the ones deep enough to overflow a recursive walk).
#ifndef BRISKEN_TREE_SHAPE_H
#define BRISKEN_TREE_SHAPE_H

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include <tinyxml.h>

struct TreeShape
{
    std::size_t depth = 0;      // deepest element nesting
    std::size_t nodes = 0;      // nodes below the root, attributes not counted
    std::size_t attributes = 0; // the most attributes on one element
};

inline TreeShape treeShape(const TiXmlNode& root)
{
    TreeShape shape;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> todo{{&root, 0}};
    while (!todo.empty())
    {
        const auto [node, depth] = todo.back();
        todo.pop_back();
        shape.depth = std::max(shape.depth, depth);
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        {
            ++shape.nodes;
            const TiXmlElement* element = child->ToElement();
            std::size_t attributes = 0;
            for (const TiXmlAttribute* a = element ? element->FirstAttribute() : nullptr; a; a = a->Next())
                ++attributes;
            shape.attributes = std::max(shape.attributes, attributes);
            todo.emplace_back(child, element ? depth + 1 : depth);
        }
    }
    return shape;
}

#endif // BRISKEN_TREE_SHAPE_H

// The contact file reader's walk: visits every text node of a loaded contact document in
// document order and fills a ContactRecord by the rule table below.
#pragma once

#include <pugixml.hpp>

#include "contacts/ContactRecord.h"

namespace mailferry::contacts {

// Walks the node list (for a whole file, the document's children()) and every descendant of
// its nodes, pre-order, and applies the reading rules to each text node. Text and CDATA
// sections carry values (adjacent ones as one text); comments and attributes are never read.
// Elements of the contact namespace are named "c:" + their local name, whatever prefix the
// file binds that namespace to (or none, as the default namespace); others keep their name.
//
// The walk is iterative, so a deeply nested file cannot exhaust the stack.
void DisplayNode(pugi::xml_object_range<pugi::xml_node_iterator> nodes, ContactRecord& record,
                 NodeWalkState& state);

// The rules for one text node, given the element that directly contains it. All rules see the
// state left by the previous text node; afterwards the node becomes the previous one.
void applyTextNode(std::string_view parent, std::string_view text, ContactRecord& record,
                   NodeWalkState& state);

}  // namespace mailferry::contacts

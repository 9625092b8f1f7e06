#pragma once
// The reader looks elements and attributes up by their usual prefixes ("w:p",
// "r:id", "mc:Choice"). A document may bind its namespaces to any prefixes,
// or use a default namespace; this pass renames every element and attribute
// of a known namespace to the usual prefix, so that names are matched by
// namespace, not by the prefix the writer chose.
#include <pugixml.hpp>

namespace kav::word {

// Renames in place. Names of unknown namespaces keep their prefix, unless it
// is one of the usual ones, which then gets a leading "_" (so "w:p" bound to
// another namespace is not taken for a paragraph). Undeclared prefixes are
// left as they are. The prefixes listed in mc:Choice/@Requires are renamed
// alike. Walks without recursion: nesting depth costs no stack.
void useUsualPrefixes(pugi::xml_document& doc);

}  // namespace kav::word

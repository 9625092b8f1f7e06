#pragma once
// The reader looks elements and attributes up by their usual prefixes ("w:p",
// "r:id", "mc:Choice"). A document may bind its namespaces to any prefixes,
// or use a default namespace; this pass renames every element and attribute
// of a known namespace to the usual prefix, so that names are matched by
// namespace, not by the prefix the writer chose.
#include <string_view>

#include <pugixml.hpp>

namespace kav::word {

// Renames in place. Names of unknown namespaces keep their prefix, unless it
// is one of the usual ones, which then gets a leading "_" (so "w:p" bound to
// another namespace is not taken for a paragraph). Undeclared prefixes are
// left as they are. The prefixes listed in mc:Choice/@Requires are renamed
// alike. Walks without recursion: nesting depth costs no stack.
void useUsualPrefixes(pugi::xml_document& doc);

// Whether the XML text may bind a namespace to another prefix than its usual
// one, so that useUsualPrefixes would rename something. False only when every
// declaration in the text is plainly read and already usual: the renaming
// walk over a part saved by Word, WPS or Writer can then be left out.
// Text that is not 8-bit (UTF-16, UTF-32) always answers true.
bool declaresUnusualPrefixes(std::string_view xml);

}  // namespace kav::word

#include "common/word/namespaces.h"

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kav::word {

namespace {

// Namespace URI -> the prefix the reader uses ("" for the package's own parts).
constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kUsual{{
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp"},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
    {"http://schemas.openxmlformats.org/drawingml/2006/picture", "pic"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", "wps"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", "wpg"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas", "wpc"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing", "wp14"},
    {"http://schemas.microsoft.com/office/word/2010/wordml", "w14"},
    {"http://schemas.microsoft.com/office/word/2012/wordml", "w15"},
    {"http://schemas.microsoft.com/office/drawing/2010/main", "a14"},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", "m"},
    {"urn:schemas-microsoft-com:vml", "v"},
    {"urn:schemas-microsoft-com:office:office", "o"},
    {"urn:schemas-microsoft-com:office:word", "w10"},
    {"http://schemas.openxmlformats.org/package/2006/relationships", ""},
    {"http://schemas.openxmlformats.org/package/2006/content-types", ""},
    {"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties", ""},
    {"http://schemas.openxmlformats.org/officeDocument/2006/custom-properties", ""},
}};

std::string usualPrefix(std::string_view uri, std::string_view declared) {
    for (auto& [u, p] : kUsual)
        if (u == uri) return std::string(p);
    for (auto& [u, p] : kUsual)
        if (!p.empty() && p == declared) return "_" + std::string(declared);
    return std::string(declared);
}

struct Binding {
    std::string declared, usual;
    pugi::xml_node owner;
};

class Renamer {
public:
    void enter(pugi::xml_node e) {
        for (auto a : e.attributes()) {
            const char* name = a.name();
            if (std::strncmp(name, "xmlns", 5) != 0) continue;
            if (name[5] == '\0') bind({"", usualPrefix(a.value(), ""), e});
            else if (name[5] == ':') bind({name + 6, usualPrefix(a.value(), name + 6), e});
        }
        // Where every prefix in scope is already the usual one, nothing changes.
        if (renaming_ == 0) return;
        rename(e, true);
        for (auto a : e.attributes())
            if (std::strncmp(a.name(), "xmlns", 5) != 0) rename(a, false);
        if (std::strcmp(e.name(), "mc:Choice") == 0)
            if (auto req = e.attribute("Requires")) req.set_value(renamedList(req.value()).c_str());
    }
    void leave(pugi::xml_node e) {
        while (!scope_.empty() && scope_.back().owner == e) {
            const Binding& b = scope_.back();
            renaming_ -= b.declared != b.usual;
            auto shadowed = inScope_.find(b.declared);
            shadowed->second.pop_back();
            if (shadowed->second.empty()) inScope_.erase(shadowed);
            scope_.pop_back();
        }
    }

private:
    void bind(Binding b) {
        renaming_ += b.declared != b.usual;
        inScope_[b.declared].push_back(scope_.size());
        scope_.push_back(std::move(b));
    }
    // The innermost binding of the prefix, found in the map of the prefixes in
    // scope: the cost of a name does not grow with the number of bindings.
    const Binding* find(std::string_view prefix) const {
        auto it = inScope_.find(prefix);
        return it == inScope_.end() ? nullptr : &scope_[it->second.back()];
    }
    // Elements without a prefix are in the default namespace; attributes
    // without one are in none.
    template <class Node>
    void rename(Node n, bool element) {
        std::string_view name = n.name();
        auto colon = name.find(':');
        if (colon == std::string_view::npos && !element) return;
        std::string_view prefix = colon == std::string_view::npos ? std::string_view{} : name.substr(0, colon);
        const Binding* b = find(prefix);
        if (!b || b->usual == prefix) return;
        std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
        n.set_name((b->usual.empty() ? std::string(local) : b->usual + ":" + std::string(local)).c_str());
    }
    std::string renamedList(std::string_view prefixes) const {
        std::string out;
        while (!prefixes.empty()) {
            auto sp = prefixes.find(' ');
            std::string_view p = prefixes.substr(0, sp);
            prefixes = sp == std::string_view::npos ? std::string_view{} : prefixes.substr(sp + 1);
            if (p.empty()) continue;
            const Binding* b = find(p);
            if (!out.empty()) out += ' ';
            out += b && !b->usual.empty() ? b->usual : std::string(p);
        }
        return out;
    }

    std::vector<Binding> scope_;  // every binding in scope, outermost first
    // Prefix -> the positions in scope_ of its bindings, innermost last.
    std::map<std::string, std::vector<std::size_t>, std::less<>> inScope_;
    int renaming_ = 0;  // bindings in scope whose prefix is not the usual one
};

}  // namespace

void useUsualPrefixes(pugi::xml_document& doc) {
    Renamer renamer;
    pugi::xml_node n = doc.first_child();
    while (n) {
        if (n.type() == pugi::node_element) {
            renamer.enter(n);
            if (n.first_child()) {
                n = n.first_child();
                continue;
            }
        }
        // Nothing below n: go on with the next sibling of n or of the nearest
        // ancestor that has one, leaving every element finished on the way.
        for (;;) {
            if (n.type() == pugi::node_element) renamer.leave(n);
            if (auto next = n.next_sibling()) {
                n = next;
                break;
            }
            n = n.parent();
            if (!n || n.type() == pugi::node_document) {
                n = {};
                break;
            }
        }
    }
}

bool declaresUnusualPrefixes(std::string_view xml) {
    if (xml.find('\0') != std::string_view::npos) return true;
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    for (std::size_t at = xml.find("xmlns"); at != std::string_view::npos; at = xml.find("xmlns", at + 1)) {
        // A declaration: xmlns or xmlns:prefix, then = between optional
        // spaces, then the quoted namespace. Anything else is not one.
        std::size_t i = at + 5;
        std::string_view prefix;
        if (i < xml.size() && xml[i] == ':') {
            std::size_t start = ++i;
            while (i < xml.size() && !isSpace(xml[i]) && xml[i] != '=') ++i;
            prefix = xml.substr(start, i - start);
        } else if (i >= xml.size() || (!isSpace(xml[i]) && xml[i] != '=')) {
            continue;
        }
        while (i < xml.size() && isSpace(xml[i])) ++i;
        if (i >= xml.size() || xml[i] != '=') continue;
        ++i;
        while (i < xml.size() && isSpace(xml[i])) ++i;
        if (i >= xml.size() || (xml[i] != '"' && xml[i] != '\'')) continue;
        std::size_t close = xml.find(xml[i], i + 1);
        if (close == std::string_view::npos) return true;
        std::string_view uri = xml.substr(i + 1, close - i - 1);
        // A reference in the namespace is read only by the parser.
        if (uri.find('&') != std::string_view::npos || usualPrefix(uri, prefix) != prefix) return true;
    }
    return false;
}

}  // namespace kav::word

#pragma once
// The logic's text (UTF-8 in std::string, string_view or a literal) as a
// QString for the windows.
#include <QString>
#include <string_view>

namespace kav::gui {

inline QString q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace kav::gui

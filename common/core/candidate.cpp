#include "common/core/candidate.h"

namespace kav {

std::string candidateFolderName(std::string_view zkzh) {
    std::string name(zkzh);
    if (name.size() >= 5) name.erase(4, 4);
    return name;
}

}  // namespace kav

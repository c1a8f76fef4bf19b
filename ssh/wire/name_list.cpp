#include "ssh/wire/name_list.h"

namespace qs::ssh {

bool IsValidNameList(std::string_view list)
{
    if (list.empty())
        return true;
    char previous = ',';
    for (char c : list) {
        if (c == ',' && previous == ',')
            return false;
        if (c != ',' && (c < 0x21 || c > 0x7E))
            return false;
        previous = c;
    }
    return previous != ',';
}

bool NameListContains(std::string_view list, std::string_view name)
{
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == name)
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

std::string_view NameListFirst(std::string_view list)
{
    return list.substr(0, list.find(','));
}

}  // namespace qs::ssh

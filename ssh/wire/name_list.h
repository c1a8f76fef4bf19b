// Name-lists: comma-separated algorithm names, matched item by item.
#pragma once
#include <string_view>

namespace qs::ssh {

// Empty, or non-empty printable US-ASCII names separated by single commas.
bool IsValidNameList(std::string_view list);
// True when `name` is one whole item of `list` (no prefix or substring matches).
bool NameListContains(std::string_view list, std::string_view name);
// The first item of `list`; empty for an empty list.
std::string_view NameListFirst(std::string_view list);

}  // namespace qs::ssh

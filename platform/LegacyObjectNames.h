#pragma once

#include <span>
#include <string_view>
#include <utility>

namespace qm {

// {object name, legacy name}: objects that skin files (frmmain.skn and users' copies of it) select
// by their old names keep those names. Each window holds one such table next to its code.
using LegacyObjectName = std::pair<const char*, const char*>;

// The name to give the object called `name`: its legacy name when the table has one.
constexpr const char* ObjectName(std::span<const LegacyObjectName> table, const char* name)
{
    for (const auto& [current, legacy] : table) {
        if (std::string_view(current) == name)
            return legacy;
    }
    return name;
}

} // namespace qm

#pragma once

#include <cstdlib>
#include <string_view>

// Command-line values of the benchmark programs, given as --name=value.
namespace bench {

// The number after the first argument that starts with Prefix (for example
// "--runs="), or Default when there is none.
inline long ArgumentValue(int argc, char** argv, std::string_view Prefix, long Default) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view Arg = argv[i];
        if (Arg.substr(0, Prefix.size()) == Prefix)
            return std::strtol(argv[i] + Prefix.size(), nullptr, 10);
    }
    return Default;
}

// Whether the flag Name (for example "--measure-words") was given.
inline bool HasArgument(int argc, char** argv, std::string_view Name) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == Name)
            return true;
    return false;
}

} // namespace bench

// A subcommand's words split into options and positional arguments, checked
// against the options the subcommand accepts.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ravel {

struct OptionSpec {
    std::string_view name;  // long form without dashes, e.g. "board"
    char letter;            // short form, or 0
    bool takesValue;
};

class Args {
public:
    // False, with `error` saying why, on an unknown option, a missing value
    // or a positional count outside [minPositional, maxPositional].
    bool parse(std::span<char* const> words, std::span<const OptionSpec> accepted, std::size_t minPositional,
               std::size_t maxPositional, std::string& error);

    bool has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
    std::optional<std::string> value(std::string_view name) const;
    const std::vector<std::string>& positional() const { return positional_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

}  // namespace ravel

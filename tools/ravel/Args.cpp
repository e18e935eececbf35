#include "tools/ravel/Args.h"

namespace ravel {

namespace {

const OptionSpec* findOption(std::span<const OptionSpec> accepted, std::string_view word) {
    for (const OptionSpec& option : accepted) {
        if (word.size() > 2 && word.substr(0, 2) == "--" && word.substr(2) == option.name)
            return &option;
        if (word.size() == 2 && word[0] == '-' && option.letter != 0 && word[1] == option.letter)
            return &option;
    }
    return nullptr;
}

bool looksLikeOption(std::string_view word) {
    // "-5" and "-0x10" are values, not options.
    return word.size() >= 2 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

}  // namespace

bool Args::parse(std::span<char* const> words, std::span<const OptionSpec> accepted, std::size_t minPositional,
                 std::size_t maxPositional, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string_view word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !looksLikeOption(word)) {
            positional_.emplace_back(word);
            continue;
        }
        std::string_view inlineValue;
        bool hasInline = false;
        if (std::size_t equals = word.find('='); word.substr(0, 2) == "--" && equals != std::string_view::npos) {
            inlineValue = word.substr(equals + 1);
            word = word.substr(0, equals);
            hasInline = true;
        } else if (word[1] != '-' && word.size() > 2) {
            // "-c3" as ping spells it.
            inlineValue = word.substr(2);
            word = word.substr(0, 2);
            hasInline = true;
        }
        const OptionSpec* option = findOption(accepted, word);
        if (!option) {
            error = "unknown option " + std::string(word);
            return false;
        }
        std::string key(option->name);
        if (!option->takesValue) {
            if (hasInline) {
                error = "option " + std::string(word) + " takes no value";
                return false;
            }
            values_[key] = "";
        } else if (hasInline) {
            values_[key] = std::string(inlineValue);
        } else if (i + 1 < words.size()) {
            values_[key] = words[++i];
        } else {
            error = "option " + std::string(word) + " needs a value";
            return false;
        }
    }
    if (values_.count("help"))
        return true;
    if (positional_.size() < minPositional) {
        error = "missing argument";
        return false;
    }
    if (positional_.size() > maxPositional) {
        error = "unexpected argument " + positional_[maxPositional];
        return false;
    }
    return true;
}

std::optional<std::string> Args::value(std::string_view name) const {
    auto found = values_.find(std::string(name));
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

}  // namespace ravel

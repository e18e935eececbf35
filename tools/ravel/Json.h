// The little JSON the tool writes: quoted strings and one-line objects.
#pragma once

#include <string>
#include <string_view>

namespace ravel {

// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

}  // namespace ravel

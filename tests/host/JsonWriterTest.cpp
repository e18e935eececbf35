#include "host/JsonWriter.h"

#include <gtest/gtest.h>

namespace ravhost {
namespace {

struct Escape {
    std::string_view text;
    const char* json;
};

TEST(JsonWriter, EscapesStringsAndPlacesCommas) {
    const Escape cases[] = {{"a\"b", R"("a\"b")"},          {"C:\\x", R"("C:\\x")"},
                            {"\n\t", R"("\n\t")"},          {{"\0\x1f", 2}, R"("\u0000\u001f")"},
                            {"\xc3\xa9/", "\"\xc3\xa9/\""}, {"", R"("")"}};
    for (const Escape& c : cases)
        EXPECT_EQ(c.json, JsonWriter().value(c.text).text());
    JsonWriter json;
    json.beginObject().key("a").value(-1).key("b\"").beginArray().value(true).null().beginObject().endObject();
    json.endArray().key("c").beginArray().endArray().endObject();
    EXPECT_EQ(R"({"a":-1,"b\"":[true,null,{}],"c":[]})", json.text());
}

}  // namespace
}  // namespace ravhost

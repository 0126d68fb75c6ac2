#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "response/json.h"

namespace {

TEST(JsonText, IsCompactWithEscapedSlashes) {
    JsonObject object;
    object.set("path", "/tmp/x.png");
    object.set("n", std::int64_t{-1440});
    object.set("ok", true);
    object.set("list", JsonArray{JsonValue("a"), JsonValue(std::int64_t{0})});
    object.set("empty", JsonObject{});
    EXPECT_EQ(json(object), R"({"path":"\/tmp\/x.png","n":-1440,"ok":true,"list":["a",0],"empty":{}})");
}

TEST(JsonText, StoringAKeyAgainReplacesItsValue) {
    JsonObject object;
    object.set("a", std::int64_t{1});
    object.set("b", false);
    object.set("a", "x");
    EXPECT_EQ(json(object), R"({"a":"x","b":false})");
}

TEST(JsonText, ArraysAndErrorDocument) {
    EXPECT_EQ(jsonArray({}), "[]");
    EXPECT_EQ(jsonArray({JsonObject{}, JsonObject{}}), "[{},{}]");
    EXPECT_EQ(errorResponse(""), R"({"error":""})");
    JsonObject extremes;
    extremes.set("min", INT64_MIN);
    extremes.set("max", INT64_MAX);
    EXPECT_EQ(json(extremes), R"({"min":-9223372036854775808,"max":9223372036854775807})");
}

TEST(JsonText, EveryMessageParsesBackUnchanged) {
    std::string allControls;
    for (char c = 0; c < 0x20; ++c) allControls.push_back(c);
    const std::string messages[] = {
        "quote \" backslash \\ slash / newline \n tab \t",
        allControls + "\x7F",
        "non-ASCII: \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD \xE2\x80\xA8",
        "</script>",
    };
    for (const std::string& message : messages) {
        const std::string text = errorResponse(message);
        EXPECT_EQ(text.find('\n'), std::string::npos);
        const auto parsed = nlohmann::json::parse(text);
        EXPECT_EQ(parsed.at("error").get<std::string>(), message);
        for (char c : text) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    }
    EXPECT_EQ(errorResponse("\x01/"), R"({"error":"\u0001\/"})");
}

TEST(JsonText, IllFormedUtf8BecomesValidText) {
    const std::string badTitles[] = {
        "a\xFF",                  // invalid byte
        "\xE2\x82",               // truncated sequence at the end
        "\xED\xA0\xBD\xED\xB8\x80",  // a surrogate pair encoded as UTF-8 (CESU)
        "\xC0\xAF",               // overlong "/"
        "\xF4\x90\x80\x80",       // beyond U+10FFFF
    };
    for (const std::string& title : badTitles) {
        JsonObject object;
        object.set("title", title);
        const std::string text = json(object);
        // nlohmann rejects ill-formed UTF-8, so parsing proves validity.
        const auto parsed = nlohmann::json::parse(text);
        const std::string value = parsed.at("title").get<std::string>();
        EXPECT_NE(value.find("\xEF\xBF\xBD"), std::string::npos) << text;
    }
}

}  // namespace
